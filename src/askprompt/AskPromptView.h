#pragma once

#include <QWidget>

class AskPromptModel;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QToolButton;

// What the Ask prompt shows: the mode badge, the question field (or the level meter while
// listening, or a spinner while transcribing), the action chip, the close button and, without
// an API key, the key notice. It reflects its model and reports the user's intent.
class AskPromptView : public QWidget {
    Q_OBJECT

public:
    AskPromptView(AskPromptModel &model, QWidget *parent = nullptr);

    void setKeyNoticeVisible(bool visible);
    QLineEdit *textField() const { return m_field; }

signals:
    void submitRequested(const QString &text);
    void cancelRequested();
    void openSettingsRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();

    AskPromptModel &m_model;
    QToolButton *m_badge;
    QStackedWidget *m_main;
    QLineEdit *m_field;
    QLabel *m_error;
    QProgressBar *m_meter;
    QStackedWidget *m_action;
    QLabel *m_returnHint;
    QPushButton *m_send;
    QToolButton *m_close;
    QWidget *m_keyNotice;
};
