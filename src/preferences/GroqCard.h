#pragma once

#include "widgets/Card.h"

class AlertPresenter;
class Chip;
class ChoiceMenu;
class GroqCardModel;
class GroqClient;
class KeyStore;
class QLabel;
class QPushButton;
class SettingsStore;
class TextField;

// The Groq card of the Advanced pane: the API key, the chat model and the connection test. A thin
// view of GroqCardModel; it asks which models the key reaches once, when first shown.
class GroqCard : public Card {
    Q_OBJECT

public:
    GroqCard(
        KeyStore &keys, SettingsStore &settings, GroqClient &client, AlertPresenter &alerts, QWidget *parent = nullptr);

    GroqCardModel &model() const { return *m_model; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void refresh();

    GroqCardModel *m_model;
    AlertPresenter &m_alerts;
    bool m_refreshedModels = false;

    Chip *m_keyChip;
    TextField *m_keyField;
    QPushButton *m_saveButton;
    QWidget *m_keyOnFileLine;
    QLabel *m_keyOnFile;
    QPushButton *m_clearButton;
    QLabel *m_keyringAdvice;
    ChoiceMenu *m_modelMenu;
    QLabel *m_modelHint;
    Chip *m_statusPill;
    QLabel *m_statusHint;
};
