#pragma once

#include "widgets/Card.h"

#include <QPointer>

#include <qcoro/qcorotask.h>

#include <optional>

class ChoiceMenu;
class DelayedAction;
class PersonalityEnhancer;
class PreferencesHost;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TextField;

// The active pet's character under the Behavior settings: name, tone, the row it holds while the
// Ask prompt listens, and its personality, which "Enhance" asks the model to rewrite. The two text
// fields are stored half a second after the last keystroke; the menus at once.
class CharacterCard : public Card {
    Q_OBJECT

public:
    static constexpr int textSaveDelayMs = 500;

    explicit CharacterCard(PreferencesHost &host, QWidget *parent = nullptr);

    // Rewrites the personality with the model; the error shows under the editor when it fails.
    QCoro::Task<> enhance();
    bool isEnhancing() const { return m_enhancing; }

private:
    void rebuild();
    // Brings the controls in line with the stored character, leaving alone a field whose typing
    // is still to be saved.
    void refresh();
    void updateEnhanceButton();
    void saveName();
    void savePersonality();

    PreferencesHost &m_host;
    PersonalityEnhancer *m_enhancer = nullptr;
    DelayedAction *m_nameSave = nullptr;
    DelayedAction *m_personalitySave = nullptr;
    QWidget *m_body = nullptr;
    std::optional<QString> m_petID;
    QPointer<TextField> m_name;
    QPointer<ChoiceMenu> m_tone;
    QPointer<ChoiceMenu> m_listening;
    QPointer<QPlainTextEdit> m_personality;
    QPointer<QPushButton> m_enhance;
    QPointer<QLabel> m_error;
    QList<std::optional<qint64>> m_listeningChoices;
    bool m_enhancing = false;
    QString m_enhanceError;
};
