#pragma once

#include <QPushButton>

// The buttons of every window: 32 px high, rounded, with an optional 16 px icon before the text and
// the focus ring when focused from the keyboard. PrimaryButton and SecondaryButton pick the look.
class StyledButton : public QPushButton {
    Q_OBJECT

public:
    enum class Look { Primary, Secondary };

    StyledButton(Look look, const QString &text, const QIcon &icon = {}, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    Look m_look;
    bool m_keyboardFocus = false;
};
