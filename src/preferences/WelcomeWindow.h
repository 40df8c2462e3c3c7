#pragma once

#include <QWidget>

class QPushButton;

// The one-time welcome: the program's icon, four cards on how to use it, "Got it" and "Open
// Preferences" (the default, on Return). Emits openPreferencesChosen just before it closes for
// that button, and closed once whichever way it closes.
class WelcomeWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize fixedSize { 440, 660 };

    explicit WelcomeWindow(QWidget *parent = nullptr);

    QPushButton *openPreferencesButton() const { return m_openPreferences; }

signals:
    void openPreferencesChosen();
    void closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void chooseOpenPreferences();

    QPushButton *m_openPreferences = nullptr;
    bool m_closed = false;
};
