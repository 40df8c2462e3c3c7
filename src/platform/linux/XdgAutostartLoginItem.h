#pragma once

#include "platform/LoginItem.h"

// Launch at login as an XDG autostart entry, <autostart folder>/<application id>.desktop, whose
// Exec is the running executable. The entry counts as enabled only when its Exec names this
// executable and neither Hidden=true nor X-GNOME-Autostart-enabled=false switches it off; an
// entry that starts some other copy of the program is not ours and is never removed.
class XdgAutostartLoginItem final : public LoginItem {
public:
    explicit XdgAutostartLoginItem(QString applicationId, QString executablePath = {});

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when that is unset or not absolute.
    static QString autostartFolder();
    QString entryPath() const;

    bool isEnabled() const override;
    Change setEnabled(bool enabled) override;

    // The entry's text for an executable (exposed for the tests).
    static QByteArray entryText(const QString &executablePath);
    // The path as one Exec argument: double-quoted when it holds a reserved character, with the
    // quoting and string escapes the desktop-entry standard asks for.
    static QString quotedExecArgument(const QString &path);
    // Whether the path lies in a folder the system empties (/tmp, /var/tmp, /dev/shm, $TMPDIR).
    static bool isInTemporaryFolder(const QString &path);

private:
    Change enable();
    Change disable();

    QString m_applicationId;
    QString m_executablePath;
};
