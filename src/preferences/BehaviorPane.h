#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

class ChoiceMenu;
class PreferencesHost;

// The Behavior pane's settings card: the behaviour mode, what a click on the pet does, the
// playback speed, idle chatter and how the Ask prompt opens. Each control writes its setting at
// once and applies it to the pet on screen.
class BehaviorPane : public QWidget {
    Q_OBJECT

public:
    explicit BehaviorPane(PreferencesHost &host, QWidget *parent = nullptr);

    static const QList<double> &playbackSpeeds();
    // The rows a click can play: the active pet's rows with frames, in order, that have a name.
    static QList<QPair<qint64, QString>> namedRows(PreferencesHost &host);

private:
    void fillClickMenu();

    PreferencesHost &m_host;
    ChoiceMenu *m_clickMenu = nullptr;
    // What each entry of the click menu stores.
    QStringList m_clickChoices;
};
