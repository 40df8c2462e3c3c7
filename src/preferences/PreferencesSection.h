#pragma once

#include <QList>
#include <QString>

// The sections of the preferences window, in sidebar order.
enum class PreferencesSection { Pet, Behavior, Animations, Reminders, Window, Advanced, About };

namespace PreferencesSections {
const QList<PreferencesSection> &all();
QString title(PreferencesSection section);
QString subtitle(PreferencesSection section);
}
