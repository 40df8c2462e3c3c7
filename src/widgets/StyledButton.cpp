#include "widgets/StyledButton.h"

#include "widgets/FocusRing.h"
#include "widgets/Theme.h"

#include <QFocusEvent>
#include <QPainter>
#include <QPolygonF>

namespace {
constexpr int controlHeight = 32;
constexpr int glyphSize = 16;
// A button that opens a menu says so with a small chevron after its text.
constexpr int chevronGap = 6;
constexpr double chevronWidth = 8;
}

StyledButton::StyledButton(Look look, const QString &text, const QIcon &icon, QWidget *parent)
    : QPushButton(icon, text, parent)
    , m_look(look)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFont(Theme::font(Theme::TypeSize::body, look == Look::Primary ? QFont::DemiBold : QFont::Medium));
    setIconSize({ glyphSize, glyphSize });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

QSize StyledButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = 2 * Theme::Space::m + metrics.horizontalAdvance(text());
    if (!icon().isNull())
        width += glyphSize + (text().isEmpty() ? 0 : Theme::Space::xs + 2);
    if (menu() && !text().isEmpty())
        width += chevronGap + static_cast<int>(chevronWidth);
    return { width + 2 * FocusRing::margin, controlHeight + 2 * FocusRing::margin };
}

void StyledButton::focusInEvent(QFocusEvent *event)
{
    m_keyboardFocus = FocusRing::isKeyboardReason(event->reason());
    QPushButton::focusInEvent(event);
}

void StyledButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body
        = QRectF(rect()).adjusted(FocusRing::margin, FocusRing::margin, -FocusRing::margin, -FocusRing::margin);
    const double radius = Theme::Radius::control;
    if (hasFocus() && m_keyboardFocus)
        FocusRing::paint(p, body, radius);

    const bool hovered = isEnabled() && underMouse();
    const bool pressed = isDown();
    QColor fill;
    QColor ink;
    if (m_look == Look::Primary) {
        fill = hovered || pressed ? Theme::Accent::hover : Theme::Accent::base;
        if (pressed)
            fill = fill.darker(108);
        ink = Theme::Accent::onAccent;
        p.setPen(Qt::NoPen);
    } else {
        fill = pressed ? Theme::Surface::cardBorder : hovered ? Theme::Surface::window : Theme::Surface::card;
        ink = Theme::Ink::primary;
        p.setPen(QPen(Theme::Surface::cardBorder, 1));
    }
    p.setOpacity(isEnabled() ? 1.0 : 0.45);
    p.setBrush(fill);
    p.drawRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(text());
    const bool hasIcon = !icon().isNull();
    const int gap = hasIcon && !text().isEmpty() ? Theme::Space::xs + 2 : 0;
    const bool hasChevron = menu() && !text().isEmpty();
    const double contentWidth
        = textWidth + (hasIcon ? glyphSize + gap : 0) + (hasChevron ? chevronGap + chevronWidth : 0);
    double x = body.center().x() - contentWidth / 2.0;
    if (hasIcon) {
        const QPixmap pixmap = icon().pixmap(glyphSize, glyphSize);
        p.drawPixmap(QPointF(x, body.center().y() - glyphSize / 2.0), pixmap);
        x += glyphSize + gap;
    }
    p.setPen(ink);
    p.setFont(font());
    p.drawText(QRectF(x, body.top(), textWidth + 1, body.height()), Qt::AlignVCenter | Qt::AlignLeft, text());
    if (hasChevron) {
        const double left = x + textWidth + chevronGap;
        const double middle = body.center().y();
        p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({ QPointF(left, middle - 2), QPointF(left + chevronWidth / 2, middle + 2),
            QPointF(left + chevronWidth, middle - 2) }));
    }
}
