#pragma once

#include "settings/SettingsKey.h"

// Every "tam." setting with its type and default. Number keys whose default is marked
// "reads as 0" store a plain number, and 0 (also what an absent key reads as) means the default;
// SettingsStore applies that rule for scale and playback speed.
namespace SettingsKeys {
inline const SettingsKey<QString> selectedPetID { QStringLiteral("tam.selectedPetID"), {} };
inline const SettingsKey<double> scale { QStringLiteral("tam.scale"), 0.0 }; // reads as 0 -> 0.5
inline const SettingsKey<double> playbackSpeed { QStringLiteral("tam.playbackSpeed"), 0.0 }; // reads as 0 -> 1.0
inline const SettingsKey<QString> behaviorMode { QStringLiteral("tam.behaviorMode"), QStringLiteral("wander") };
inline const SettingsKey<QString> clickBehavior { QStringLiteral("tam.clickBehavior"), QStringLiteral("random") };
inline const SettingsKey<QString> windowLevel { QStringLiteral("tam.windowLevel"), QStringLiteral("floating") };
inline const SettingsKey<bool> clickThrough { QStringLiteral("tam.clickThrough"), false };
inline const SettingsKey<bool> startHidden { QStringLiteral("tam.startHidden"), false };
inline const SettingsKey<bool> showInTaskbar { QStringLiteral("tam.showDockIcon"), true };
inline const SettingsKey<bool> launchAtLogin { QStringLiteral("tam.launchAtLogin"), false };
inline const SettingsKey<bool> chatterEnabled { QStringLiteral("tam.chatterEnabled"), true };
inline const SettingsKey<QString> inputMode { QStringLiteral("tam.inputMode"), QStringLiteral("text") };
inline const SettingsKey<double> lastPositionX { QStringLiteral("tam.lastPositionX"), 0.0 };
inline const SettingsKey<double> lastPositionY { QStringLiteral("tam.lastPositionY"), 0.0 };
inline const SettingsKey<QString> lastScreenID { QStringLiteral("tam.lastScreenID"), {} };
inline const SettingsKey<QByteArray> movementInverted { QStringLiteral("tam.movementInverted"), {} };
inline const SettingsKey<QString> groqModel { QStringLiteral("tam.groqModel"), QStringLiteral("openai/gpt-oss-120b") };
inline const SettingsKey<QString> groqAPIKey { QStringLiteral("tam.groqAPIKey"), {} };
inline const SettingsKey<bool> bundledPetDefaultsSeeded { QStringLiteral("tam.bundledPetDefaultsSeeded"), false };
inline const SettingsKey<bool> hasCompletedOnboarding { QStringLiteral("tam.hasCompletedOnboarding"), false };
inline const SettingsKey<QByteArray> characters { QStringLiteral("tam.characters"), {} };
inline const SettingsKey<QByteArray> animationMaps { QStringLiteral("tam.animationMaps"), {} };
inline const SettingsKey<QByteArray> reminders { QStringLiteral("tam.reminders"), {} };

// The model every launch falls back to when the stored one cannot call tools.
inline const QString defaultGroqModel = QStringLiteral("openai/gpt-oss-120b");
}
