#pragma once

#include "platform/ApplicationLauncher.h"

#include <QObject>
#include <QStringList>

#include <optional>

// Finds applications among the installed .desktop entries (XDG_DATA_HOME/applications, then each
// of XDG_DATA_DIRS/applications; the first file with a given desktop-file id wins) and starts the
// match's Exec line as a detached process, without a shell. The folders are searched on a worker
// thread.
class DesktopAppLauncher final : public QObject, public ApplicationLauncher {
    Q_OBJECT

public:
    // More files than this in one applications folder are not looked at.
    static constexpr int maxEntriesPerFolder = 20000;

    struct Match {
        QString fileId;
        QString program;
        QStringList arguments;
        QString workingDirectory;
    };

    explicit DesktopAppLauncher(QObject *parent = nullptr);

    QCoro::Task<Launch> launch(QString name) override;

    // The applications folders in precedence order, from the environment.
    static QStringList applicationFolders();
    // The entry a person means by name (compared case-insensitively with the file id with and
    // without ".desktop", Name and Name in the locale, then GenericName): entries that are hidden,
    // not shown in menus, not applications, lack an Exec line or whose TryExec program is missing
    // are passed over.
    static std::optional<Match> find(const QString &name, const QStringList &folders, const QString &localeName);
};
