#include "platform/linux/DesktopAppLauncher.h"

#include "platform/linux/DesktopEntry.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFuture>
#include <QLocale>
#include <QPointer>
#include <QProcess>
#include <QPromise>
#include <QSet>
#include <QStandardPaths>
#include <QThreadPool>

#include <qcoro/qcorofuture.h>

#include <memory>

namespace {
struct Candidate {
    QString fileId;
    DesktopEntry entry;
};

bool usable(const DesktopEntry &entry)
{
    if (entry.boolean(QStringLiteral("Hidden")) || entry.boolean(QStringLiteral("NoDisplay")))
        return false;
    if (entry.value(QStringLiteral("Type")) != QLatin1String("Application"))
        return false;
    if (entry.value(QStringLiteral("Exec")).isEmpty())
        return false;
    const QString tryExec = entry.value(QStringLiteral("TryExec"));
    if (tryExec.isEmpty())
        return true;
    if (QDir::isAbsolutePath(tryExec)) {
        const QFileInfo program(tryExec);
        return program.isFile() && program.isExecutable();
    }
    return !QStandardPaths::findExecutable(tryExec).isEmpty();
}

// Every entry in precedence order; an id seen in an earlier folder shadows later files, even when
// the earlier entry is hidden (that is how a user removes a system entry).
QList<Candidate> installedEntries(const QStringList &folders)
{
    QList<Candidate> candidates;
    QSet<QString> seen;
    for (const QString &folder : folders) {
        const QDir root(folder);
        QStringList files;
        QDirIterator it(
            folder, { QStringLiteral("*.desktop") }, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
        while (it.hasNext() && files.size() < DesktopAppLauncher::maxEntriesPerFolder)
            files.append(it.next());
        files.sort();
        for (const QString &path : std::as_const(files)) {
            const QString fileId = root.relativeFilePath(path).replace(QLatin1Char('/'), QLatin1Char('-'));
            if (seen.contains(fileId))
                continue;
            seen.insert(fileId);
            std::optional<DesktopEntry> entry = DesktopEntry::read(path);
            if (entry && usable(*entry))
                candidates.append({ fileId, std::move(*entry) });
        }
    }
    return candidates;
}

bool same(const QString &a, const QString &b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}
}

DesktopAppLauncher::DesktopAppLauncher(QObject *parent)
    : QObject(parent)
{
}

QStringList DesktopAppLauncher::applicationFolders()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList folders { dataHome };
    for (const QString &dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            folders.append(dir);
    }
    for (QString &folder : folders)
        folder = QDir::cleanPath(folder + QStringLiteral("/applications"));
    folders.removeDuplicates();
    return folders;
}

std::optional<DesktopAppLauncher::Match> DesktopAppLauncher::find(
    const QString &name, const QStringList &folders, const QString &localeName)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return std::nullopt;
    const QList<Candidate> candidates = installedEntries(folders);

    auto byName = [&](const Candidate &candidate) {
        const QString bareId = candidate.fileId.chopped(QStringLiteral(".desktop").size());
        const DesktopEntry &entry = candidate.entry;
        return same(candidate.fileId, wanted) || same(bareId, wanted)
            || same(entry.value(QStringLiteral("Name")), wanted)
            || same(entry.localized(QStringLiteral("Name"), localeName).value_or(QString()), wanted);
    };
    // A generic name ("Web Browser") is shared by many entries, so a real name anywhere wins first.
    auto byGenericName = [&](const Candidate &candidate) {
        const DesktopEntry &entry = candidate.entry;
        return same(entry.value(QStringLiteral("GenericName")), wanted)
            || same(entry.localized(QStringLiteral("GenericName"), localeName).value_or(QString()), wanted);
    };
    auto found = std::find_if(candidates.cbegin(), candidates.cend(), byName);
    if (found == candidates.cend())
        found = std::find_if(candidates.cbegin(), candidates.cend(), byGenericName);
    if (found == candidates.cend())
        return std::nullopt;

    const std::optional<QStringList> command = DesktopEntry::splitExec(found->entry.value(QStringLiteral("Exec")));
    if (!command)
        return std::nullopt;
    QString workingDirectory = found->entry.value(QStringLiteral("Path"));
    if (!QFileInfo(workingDirectory).isDir())
        workingDirectory = QDir::homePath();
    return Match { found->fileId, command->first(), command->mid(1), workingDirectory };
}

QCoro::Task<ApplicationLauncher::Launch> DesktopAppLauncher::launch(QString name)
{
    using Outcome = Launch::Outcome;
    auto promise = std::make_shared<QPromise<std::optional<Match>>>();
    QFuture<std::optional<Match>> future = promise->future();
    const QStringList folders = applicationFolders();
    const QString localeName = QLocale().name();
    promise->start();
    QThreadPool::globalInstance()->start([promise, name, folders, localeName] {
        promise->addResult(find(name, folders, localeName));
        promise->finish();
    });

    QPointer<DesktopAppLauncher> self(this);
    const std::optional<Match> match = co_await future;
    if (!self)
        co_return Launch { Outcome::Failed, QStringLiteral("the app is closing.") };
    if (!match)
        co_return Launch { Outcome::NotFound, {} };

    QProcess process;
    process.setProgram(match->program);
    process.setArguments(match->arguments);
    process.setWorkingDirectory(match->workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached()) {
        const QString reason = process.errorString();
        co_return Launch { Outcome::Failed,
            (reason.isEmpty() ? QStringLiteral("the program couldn't be started") : reason) + QStringLiteral(".") };
    }
    co_return Launch { Outcome::Launched, {} };
}
