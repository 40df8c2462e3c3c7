#pragma once

#include "pets/PetPackage.h"
#include "settings/SettingsEnums.h"

#include <QList>
#include <QString>

#include <optional>

// Everything the tray menu shows, taken in one go from the running program.
struct TrayMenuState {
    struct Pet {
        PetPackage package;
        QString name; // the name the user knows the pet by
    };
    struct Row {
        qint64 row = 0;
        QString name; // the user's name for the row, empty when it has none
        qint64 frameCount = 0;
    };

    std::optional<Pet> active; // none while no pet is loaded
    bool petShown = false; // the pet's window is on screen
    std::optional<qint64> pinnedRow;
    QList<Row> rows; // the active pet's rows that have frames, in order
    double speed = 1.0;
    double scale = 1.0;
    BehaviorMode mode = BehaviorMode::Wander;
    QList<Pet> library; // the installed pets in the library's order
};
