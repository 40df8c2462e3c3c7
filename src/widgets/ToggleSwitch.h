#pragma once

#include <QAbstractButton>

// An on/off switch: a rounded track with a knob that slides to the accent side when on. A checkable
// button underneath, so Space toggles it, `toggled` reports it and accessibility tools see a
// checkable control.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
    void focusInEvent(QFocusEvent *event) override;

private:
    bool m_keyboardFocus = false;
};
