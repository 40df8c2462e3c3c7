#pragma once

#include <QByteArray>
#include <QString>

// A stored setting: its name in the settings file and the value it reads as when absent,
// mistyped or unrecognised. Every key of the program is declared once, in SettingsKeys.h.
template<typename T> struct SettingsKey {
    QString name;
    T defaultValue {};
};
