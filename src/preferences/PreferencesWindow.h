#pragma once

#include "preferences/PreferencesSection.h"

#include <QHash>
#include <QWidget>

class PreferencesHost;
class QLabel;
class QListWidget;
class QStackedWidget;

// The preferences window: a sidebar of sections and the selected section's pane under its title
// and subtitle. Each pane is built the first time its section is shown, from the settings as they
// are then; every control writes its setting at once.
class PreferencesWindow : public QWidget {
    Q_OBJECT

public:
    explicit PreferencesWindow(PreferencesHost &host, PreferencesSection section, QWidget *parent = nullptr);

    void setSection(PreferencesSection section);
    PreferencesSection section() const { return m_section; }

private:
    QWidget *buildSidebar();
    QWidget *createPane(PreferencesSection section);
    QWidget *createAnimationsPane();
    QWidget *placeholderPane(PreferencesSection section);

    PreferencesHost &m_host;
    PreferencesSection m_section = PreferencesSection::Pet;
    QListWidget *m_sections = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_subtitle = nullptr;
    QStackedWidget *m_panes = nullptr;
    QHash<PreferencesSection, QWidget *> m_built;
};
