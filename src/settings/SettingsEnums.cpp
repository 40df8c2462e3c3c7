#include "settings/SettingsEnums.h"

namespace SettingsEnums {

QList<BehaviorMode> allBehaviorModes()
{
    return { BehaviorMode::Still, BehaviorMode::Friendly, BehaviorMode::Busy, BehaviorMode::Wander };
}

QString rawString(BehaviorMode mode)
{
    switch (mode) {
    case BehaviorMode::Still: return QStringLiteral("still");
    case BehaviorMode::Friendly: return QStringLiteral("friendly");
    case BehaviorMode::Busy: return QStringLiteral("busy");
    case BehaviorMode::Wander: return QStringLiteral("wander");
    }
    return QStringLiteral("wander");
}

QString displayTitle(BehaviorMode mode)
{
    switch (mode) {
    case BehaviorMode::Still: return QStringLiteral("Still");
    case BehaviorMode::Friendly: return QStringLiteral("Friendly");
    case BehaviorMode::Busy: return QStringLiteral("Busy");
    case BehaviorMode::Wander: return QStringLiteral("Wander");
    }
    return QStringLiteral("Wander");
}

bool parse(const QString &raw, BehaviorMode *out)
{
    for (BehaviorMode mode : allBehaviorModes()) {
        if (raw == rawString(mode)) {
            *out = mode;
            return true;
        }
    }
    return false;
}

QList<WindowLevel> allWindowLevels()
{
    return { WindowLevel::Floating, WindowLevel::AlwaysOnTop, WindowLevel::Desktop };
}

QString rawString(WindowLevel level)
{
    switch (level) {
    case WindowLevel::Floating: return QStringLiteral("floating");
    case WindowLevel::AlwaysOnTop: return QStringLiteral("alwaysOnTop");
    case WindowLevel::Desktop: return QStringLiteral("desktop");
    }
    return QStringLiteral("floating");
}

QString displayTitle(WindowLevel level)
{
    switch (level) {
    case WindowLevel::Floating: return QStringLiteral("Floating");
    case WindowLevel::AlwaysOnTop: return QStringLiteral("Always on Top");
    case WindowLevel::Desktop: return QStringLiteral("Desktop");
    }
    return QStringLiteral("Floating");
}

bool parse(const QString &raw, WindowLevel *out)
{
    for (WindowLevel level : allWindowLevels()) {
        if (raw == rawString(level)) {
            *out = level;
            return true;
        }
    }
    return false;
}

QList<InputMode> allInputModes()
{
    return { InputMode::Text, InputMode::Voice };
}

QString rawString(InputMode mode)
{
    return mode == InputMode::Voice ? QStringLiteral("voice") : QStringLiteral("text");
}

QString displayTitle(InputMode mode)
{
    return mode == InputMode::Voice ? QStringLiteral("Voice") : QStringLiteral("Text");
}

bool parse(const QString &raw, InputMode *out)
{
    for (InputMode mode : allInputModes()) {
        if (raw == rawString(mode)) {
            *out = mode;
            return true;
        }
    }
    return false;
}

}
