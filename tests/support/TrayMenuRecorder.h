#pragma once

#include "tray/TrayMenu.h"

#include <QStringList>

// Records every request of a tray menu as a line such as "rowPinned 3", "petSwitchRequested other"
// or "speedChosen 1.5".
class TrayMenuRecorder : public QObject {
public:
    explicit TrayMenuRecorder(TrayMenu &menu)
    {
        const auto plain = [this](const char *name) { return [this, name] { calls << QString::fromLatin1(name); }; };
        const auto number = [this](const char *name) {
            return [this, name](double value) { calls << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(value); };
        };
        const auto pet = [this](const char *name) {
            return [this, name](const PetPackage &package) { calls << QLatin1String(name) + u' ' + package.id(); };
        };
        connect(&menu, &TrayMenu::showHideRequested, this,
            [this](bool show) { calls << (show ? QStringLiteral("show") : QStringLiteral("hide")); });
        connect(&menu, &TrayMenu::rowPinned, this,
            [this](qint64 row) { calls << QStringLiteral("rowPinned %1").arg(row); });
        connect(&menu, &TrayMenu::pinCleared, this, plain("pinCleared"));
        connect(&menu, &TrayMenu::speedChosen, this, number("speedChosen"));
        connect(&menu, &TrayMenu::scaleChosen, this, number("scaleChosen"));
        connect(&menu, &TrayMenu::behaviorModeChosen, this,
            [this](BehaviorMode mode) { calls << QStringLiteral("mode ") + SettingsEnums::rawString(mode); });
        connect(&menu, &TrayMenu::petSwitchRequested, this, pet("petSwitchRequested"));
        connect(&menu, &TrayMenu::petRevealRequested, this, pet("petRevealRequested"));
        connect(&menu, &TrayMenu::petDeleteRequested, this, pet("petDeleteRequested"));
        connect(&menu, &TrayMenu::importFolderRequested, this, plain("importFolderRequested"));
        connect(&menu, &TrayMenu::importZipRequested, this, plain("importZipRequested"));
        connect(&menu, &TrayMenu::preferencesRequested, this, plain("preferencesRequested"));
        connect(&menu, &TrayMenu::quitRequested, this, plain("quitRequested"));
    }

    QStringList calls;
};
