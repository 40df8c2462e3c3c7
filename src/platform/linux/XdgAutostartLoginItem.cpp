#include "platform/linux/XdgAutostartLoginItem.h"

#include "foundation/Log.h"
#include "platform/linux/DesktopEntry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {
// Characters that make the desktop-entry standard ask for a quoted Exec argument.
const QString kReservedInExec = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

// The string-level escapes every value goes through before it is read (backslash, and a leading
// space that would otherwise be trimmed away).
QString escapeString(QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    if (value.startsWith(QLatin1Char(' ')))
        value.replace(0, 1, QStringLiteral("\\s"));
    return value;
}

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

QString sameFile(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

// Why the folder cannot take a file, for the alert.
QString unwritableReason(const QString &folder, const QString &detail)
{
    QString why;
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        why = QStringLiteral("a file of that name is in the way");
    else if (info.exists() && !info.isWritable())
        why = QStringLiteral("you have no permission to write there");
    else if (!detail.isEmpty())
        why = detail;
    else
        why = QStringLiteral("it could not be created");
    return QStringLiteral("Tamsel couldn't write its autostart entry into %1: %2.\n\nFix the folder and try again.")
        .arg(QDir::toNativeSeparators(folder), why);
}
}

XdgAutostartLoginItem::XdgAutostartLoginItem(QString applicationId, QString executablePath)
    : m_applicationId(std::move(applicationId))
    , m_executablePath(executablePath.isEmpty() ? QCoreApplication::applicationFilePath() : std::move(executablePath))
{
}

QString XdgAutostartLoginItem::autostartFolder()
{
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || QDir::isRelativePath(configHome))
        configHome = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(configHome + QStringLiteral("/autostart"));
}

QString XdgAutostartLoginItem::entryPath() const
{
    return autostartFolder() + QLatin1Char('/') + m_applicationId + QStringLiteral(".desktop");
}

QString XdgAutostartLoginItem::quotedExecArgument(const QString &path)
{
    QString argument = path;
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (std::any_of(path.cbegin(), path.cend(), [](QChar c) { return kReservedInExec.contains(c); })) {
        QString quoted;
        for (const QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        argument = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    return escapeString(argument);
}

QByteArray XdgAutostartLoginItem::entryText(const QString &executablePath)
{
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Tamsel\n"
                                  "Comment=Starts your desktop pet when you sign in\n"
                                  "Icon=app.tamsel.Tamsel\n");
    text += QStringLiteral("Exec=") + quotedExecArgument(executablePath) + QLatin1Char('\n');
    // A session skips the entry once the program is gone, instead of reporting a failed start.
    text += QStringLiteral("TryExec=") + escapeString(executablePath) + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n"
                           "NoDisplay=true\n"
                           "X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

bool XdgAutostartLoginItem::isInTemporaryFolder(const QString &path)
{
    QStringList temporary { QStringLiteral("/tmp"), QStringLiteral("/var/tmp"), QStringLiteral("/dev/shm") };
    temporary << QDir::tempPath();
    const QString cleaned = QDir::cleanPath(path);
    const QString canonical = sameFile(path);
    return std::any_of(temporary.cbegin(), temporary.cend(), [&](const QString &folder) {
        const QString prefix = QDir::cleanPath(folder) + QLatin1Char('/');
        return prefix != QStringLiteral("//") && (cleaned.startsWith(prefix) || canonical.startsWith(prefix));
    });
}

bool XdgAutostartLoginItem::isEnabled() const
{
    const auto entry = DesktopEntry::read(entryPath());
    if (!entry)
        return false;
    if (entry->boolean(QStringLiteral("Hidden"))
        || entry->value(QStringLiteral("X-GNOME-Autostart-enabled")).trimmed() == QStringLiteral("false"))
        return false;
    const auto exec = DesktopEntry::splitExec(entry->value(QStringLiteral("Exec")));
    return exec && !exec->isEmpty() && sameFile(exec->first()) == sameFile(m_executablePath);
}

LoginItem::Change XdgAutostartLoginItem::setEnabled(bool enabled)
{
    if (enabled == isEnabled())
        return Change::success();
    const Change change = enabled ? enable() : disable();
    if (!change.succeeded)
        Log::line(QStringLiteral("LoginItem failed: ") + change.failureReason.simplified());
    return change;
}

LoginItem::Change XdgAutostartLoginItem::enable()
{
    const QString folderOfProgram = QFileInfo(m_executablePath).absolutePath();
    if (isInTemporaryFolder(m_executablePath))
        return Change::failure(QStringLiteral("Tamsel is running from a temporary folder, which the system empties, "
                                              "so it would not be there at your next sign-in:\n\n%1\n\n"
                                              "Install Tamsel or move it to a lasting folder and try again.")
                                   .arg(QDir::toNativeSeparators(folderOfProgram)));
    if (hasControlCharacter(m_executablePath))
        return Change::failure(QStringLiteral("Tamsel's path holds a line break or control character, which an "
                                              "autostart entry cannot name:\n\n%1\n\nMove it to a plainer folder "
                                              "and try again.")
                                   .arg(QDir::toNativeSeparators(folderOfProgram)));

    const QString folder = autostartFolder();
    if (!QDir().mkpath(folder))
        return Change::failure(unwritableReason(folder, {}));
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(entryText(m_executablePath)) < 0 || !file.commit())
        return Change::failure(unwritableReason(folder, file.errorString()));
    return Change::success();
}

LoginItem::Change XdgAutostartLoginItem::disable()
{
    QFile file(entryPath());
    if (!file.remove() && file.exists())
        return Change::failure(unwritableReason(autostartFolder(), file.errorString()));
    return Change::success();
}
