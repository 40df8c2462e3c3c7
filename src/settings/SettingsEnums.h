#pragma once

#include <QList>
#include <QString>

enum class BehaviorMode { Still, Friendly, Busy, Wander };
enum class WindowLevel { Floating, AlwaysOnTop, Desktop };
enum class InputMode { Text, Voice };

// Raw strings are what the settings file stores; titles are what menus and panes show.
// Parsing is exact (case-sensitive) and returns false for anything unrecognised.
namespace SettingsEnums {
QList<BehaviorMode> allBehaviorModes();
QString rawString(BehaviorMode mode);
QString displayTitle(BehaviorMode mode);
bool parse(const QString &raw, BehaviorMode *out);

QList<WindowLevel> allWindowLevels();
QString rawString(WindowLevel level);
QString displayTitle(WindowLevel level);
bool parse(const QString &raw, WindowLevel *out);

QList<InputMode> allInputModes();
QString rawString(InputMode mode);
QString displayTitle(InputMode mode);
bool parse(const QString &raw, InputMode *out);
}
