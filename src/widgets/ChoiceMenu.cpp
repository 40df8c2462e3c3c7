#include "widgets/ChoiceMenu.h"

#include "widgets/FocusRing.h"
#include "widgets/Theme.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
constexpr int controlHeight = 30;
constexpr int chevronRoom = 22;
}

ChoiceMenu::ChoiceMenu(const QStringList &options, QWidget *parent)
    : QComboBox(parent)
{
    addItems(options);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFont(Theme::font(Theme::TypeSize::body));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
    view()->setFont(font());
    // The list pops up in a window of its own, which would otherwise take the desktop's palette.
    Theme::applyLightPalette(view());
}

QSize ChoiceMenu::sizeHint() const
{
    // Fractional advances: a width rounded down makes the longest option elide.
    const QFontMetricsF metrics(font());
    int widest = 60;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, static_cast<int>(std::ceil(metrics.horizontalAdvance(itemText(i)))) + 1);
    return { widest + Theme::Space::m + chevronRoom + 2 * FocusRing::margin, controlHeight + 2 * FocusRing::margin };
}

void ChoiceMenu::focusInEvent(QFocusEvent *event)
{
    m_keyboardFocus = FocusRing::isKeyboardReason(event->reason());
    QComboBox::focusInEvent(event);
}

void ChoiceMenu::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body
        = QRectF(rect()).adjusted(FocusRing::margin, FocusRing::margin, -FocusRing::margin, -FocusRing::margin);
    const double radius = Theme::Radius::control;
    if (hasFocus() && m_keyboardFocus)
        FocusRing::paint(p, body, radius);
    p.setOpacity(isEnabled() ? 1.0 : 0.45);
    p.setPen(QPen(Theme::Surface::cardBorder, 1));
    p.setBrush(isEnabled() && underMouse() ? Theme::Surface::window : Theme::Surface::card);
    p.drawRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    p.setPen(Theme::Ink::primary);
    p.setFont(font());
    const QRectF textArea = body.adjusted(Theme::Space::m, 0, -chevronRoom, 0);
    p.drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft,
        QFontMetrics(font()).elidedText(currentText(), Qt::ElideRight, static_cast<int>(textArea.width())));

    // Up and down chevrons: the menu opens over the control.
    const double cx = body.right() - chevronRoom / 2.0 - 2;
    const double cy = body.center().y();
    p.setPen(QPen(Theme::Ink::secondary, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({ QPointF(cx - 3, cy - 2), QPointF(cx, cy - 5), QPointF(cx + 3, cy - 2) }));
    p.drawPolyline(QPolygonF({ QPointF(cx - 3, cy + 2), QPointF(cx, cy + 5), QPointF(cx + 3, cy + 2) }));
}
