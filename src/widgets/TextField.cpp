#include "widgets/TextField.h"

#include "widgets/FocusRing.h"
#include "widgets/Theme.h"

#include <QPainter>

namespace {
constexpr int controlHeight = 32;
}

TextField::TextField(QWidget *parent)
    : QLineEdit(parent)
{
    setFrame(false);
    setFont(Theme::font(Theme::TypeSize::body));
    setTextMargins(Theme::Space::s + FocusRing::margin, 0, Theme::Space::s + FocusRing::margin, 0);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    // The rounded corners are painted here; what lies outside them is the card behind.
    setAutoFillBackground(false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    setPalette(palette);
}

QSize TextField::sizeHint() const
{
    return { QLineEdit::sizeHint().width(), controlHeight + 2 * FocusRing::margin };
}

void TextField::paintEvent(QPaintEvent *event)
{
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF body
            = QRectF(rect()).adjusted(FocusRing::margin, FocusRing::margin, -FocusRing::margin, -FocusRing::margin);
        const double radius = Theme::Radius::control;
        if (hasFocus())
            FocusRing::paint(p, body, radius);
        p.setOpacity(isEnabled() ? 1.0 : 0.6);
        p.setPen(QPen(hasFocus() ? Theme::Accent::base : Theme::Surface::cardBorder, 1));
        p.setBrush(Theme::Surface::card);
        p.drawRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    }
    QLineEdit::paintEvent(event);
}
