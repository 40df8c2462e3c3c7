#include "preferences/PreferencesSection.h"

namespace PreferencesSections {

const QList<PreferencesSection> &all()
{
    static const QList<PreferencesSection> sections { PreferencesSection::Pet, PreferencesSection::Behavior,
        PreferencesSection::Animations, PreferencesSection::Reminders, PreferencesSection::Window,
        PreferencesSection::Advanced, PreferencesSection::About };
    return sections;
}

QString title(PreferencesSection section)
{
    switch (section) {
    case PreferencesSection::Pet: return QStringLiteral("Pet");
    case PreferencesSection::Behavior: return QStringLiteral("Behavior");
    case PreferencesSection::Animations: return QStringLiteral("Animations");
    case PreferencesSection::Reminders: return QStringLiteral("Reminders");
    case PreferencesSection::Window: return QStringLiteral("Window");
    case PreferencesSection::Advanced: return QStringLiteral("Advanced");
    case PreferencesSection::About: return QStringLiteral("About");
    }
    return {};
}

QString subtitle(PreferencesSection section)
{
    switch (section) {
    case PreferencesSection::Pet: return QStringLiteral("Choose and manage your pet");
    case PreferencesSection::Behavior: return QStringLiteral("How Tamsel acts on its own");
    case PreferencesSection::Animations: return QStringLiteral("Name animations and what they say");
    case PreferencesSection::Reminders: return QStringLiteral("Scheduled nudges");
    case PreferencesSection::Window: return QStringLiteral("Position, scale, click-through");
    case PreferencesSection::Advanced: return QStringLiteral("Login, taskbar, library");
    case PreferencesSection::About: return QStringLiteral("Version, credits, links");
    }
    return {};
}

}
