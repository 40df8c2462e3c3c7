#pragma once

#include "preferences/PreferencesSection.h"

#include <QWidget>

class QLabel;
class QListWidget;

// The preferences window: a sidebar of sections and the selected section's pane. The panes are
// still to come; each shows its title and what it will hold.
class PreferencesWindow : public QWidget {
    Q_OBJECT

public:
    explicit PreferencesWindow(PreferencesSection section, QWidget *parent = nullptr);

    void setSection(PreferencesSection section);
    PreferencesSection section() const { return m_section; }

private:
    PreferencesSection m_section = PreferencesSection::Pet;
    QListWidget *m_sidebar = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_subtitle = nullptr;
};
