#include "widgets/ToggleSwitch.h"

#include "widgets/FocusRing.h"
#include "widgets/Theme.h"

#include <QFocusEvent>
#include <QPainter>

namespace {
constexpr int trackWidth = 36;
constexpr int trackHeight = 20;
constexpr int knobInset = 2;
}

ToggleSwitch::ToggleSwitch(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const
{
    return { trackWidth + 2 * FocusRing::margin, trackHeight + 2 * FocusRing::margin };
}

bool ToggleSwitch::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

void ToggleSwitch::focusInEvent(QFocusEvent *event)
{
    m_keyboardFocus = FocusRing::isKeyboardReason(event->reason());
    QAbstractButton::focusInEvent(event);
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track((width() - trackWidth) / 2.0, (height() - trackHeight) / 2.0, trackWidth, trackHeight);
    if (hasFocus() && m_keyboardFocus)
        FocusRing::paint(p, track, trackHeight / 2.0);

    QColor fill = isChecked() ? Theme::Accent::base : Theme::Surface::cardBorder;
    if (!isEnabled())
        fill.setAlphaF(0.45);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(track, trackHeight / 2.0, trackHeight / 2.0);

    const double knob = trackHeight - 2 * knobInset;
    const double x = isChecked() ? track.right() - knobInset - knob : track.left() + knobInset;
    QColor shade(0, 0, 0, 40);
    p.setBrush(shade);
    p.drawEllipse(QRectF(x, track.top() + knobInset + 0.8, knob, knob));
    p.setBrush(Theme::Surface::card);
    p.drawEllipse(QRectF(x, track.top() + knobInset, knob, knob));
}
