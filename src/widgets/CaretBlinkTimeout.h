#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <optional>

class QLineEdit;

// Lets a text field's caret blink only for a while after the user last typed or clicked in it,
// as GNOME does; the caret then stays lit. A blinking caret wakes the program and repaints its
// window twice a second for as long as the field keeps the focus, typed in or not.
//
// A line edit has no blink switch of its own: it follows the application's cursor flash time.
// While the caret rests that time is 0, and it is given back on the next key or click, when the
// field loses the focus (another window's fields blink as before) and when this object goes.
class CaretBlinkTimeout : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultTimeout { 10'000 };

    // Watches the field and goes with it.
    explicit CaretBlinkTimeout(QLineEdit *field, std::chrono::milliseconds timeout = defaultTimeout);
    ~CaretBlinkTimeout() override;

    void setTimeout(std::chrono::milliseconds timeout);
    bool isResting() const { return m_savedFlashTime.has_value(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void handleActivity();
    void rest();
    void wake();

    QPointer<QLineEdit> m_field;
    QTimer m_timer;
    // The flash time to give back; set only while the caret rests.
    std::optional<int> m_savedFlashTime;
};
