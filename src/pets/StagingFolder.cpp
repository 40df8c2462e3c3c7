#include "pets/StagingFolder.h"

#include "pets/PackageFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QUuid>

namespace {

const QString lockSuffix = QStringLiteral(".lock");

QString lockPath(const QString &folder)
{
    return folder + lockSuffix;
}

// Held until released or the process ends; age alone never makes it stale, since an import may
// take a while.
void prepare(QLockFile &lock)
{
    lock.setStaleLockTime(0);
}

} // namespace

StagingFolder::StagingFolder(const QString &parent, const QString &prefix)
    : m_path(parent + u'/' + prefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper())
    , m_lock(lockPath(m_path))
{
    prepare(m_lock);
    m_lock.tryLock(0);
}

StagingFolder::~StagingFolder()
{
    remove();
    m_lock.unlock();
}

bool StagingFolder::remove()
{
    return PackageFiles::removeTree(m_path);
}

QStringList StagingFolder::removeStale(const QString &parent, const QStringList &prefixes)
{
    QStringList alternatives;
    for (const QString &prefix : prefixes)
        alternatives.append(QRegularExpression::escape(prefix));
    const QRegularExpression ours(QStringLiteral("^(?:%1)[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")
                                      .arg(alternatives.join(u'|')));

    QSet<QString> candidates;
    const QFileInfoList entries
        = QDir(parent).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        QString name = entry.fileName();
        if (name.endsWith(lockSuffix))
            name.chop(lockSuffix.size());
        if (ours.match(name).hasMatch())
            candidates.insert(name);
    }

    QStringList removed;
    for (const QString &name : std::as_const(candidates)) {
        const QString folder = parent + u'/' + name;
        const QFileInfo info(folder);
        if (info.isSymLink() || (info.exists() && !info.isDir()))
            continue; // not something an import makes
        QLockFile lock(lockPath(folder));
        prepare(lock);
        if (!lock.tryLock(0))
            continue; // a running instance still works in it
        if (info.exists() && PackageFiles::removeTree(folder))
            removed.append(folder);
        lock.unlock();
    }
    removed.sort();
    return removed;
}
