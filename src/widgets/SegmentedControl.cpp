#include "widgets/SegmentedControl.h"

#include "widgets/FocusRing.h"
#include "widgets/Theme.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int controlHeight = 30;
constexpr int inset = 2;
constexpr int minimumSegment = 44;
}

SegmentedControl::SegmentedControl(const QStringList &labels, QWidget *parent)
    : QWidget(parent)
    , m_labels(labels)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setFont(Theme::font(Theme::TypeSize::body, QFont::Medium));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QString SegmentedControl::currentText() const
{
    return m_current >= 0 && m_current < count() ? m_labels.at(m_current) : QString();
}

void SegmentedControl::setCurrentIndex(int index)
{
    if (index < -1 || index >= count() || index == m_current)
        return;
    m_current = index;
    update();
    emit currentIndexChanged(index);
}

int SegmentedControl::segmentWidth() const
{
    const QFontMetrics metrics(font());
    int widest = minimumSegment;
    for (const QString &label : m_labels)
        widest = std::max(widest, metrics.horizontalAdvance(label) + 2 * Theme::Space::s + Theme::Space::xs);
    return widest;
}

QRect SegmentedControl::segmentRect(int index) const
{
    const int m = FocusRing::margin;
    return { m + inset + index * segmentWidth(), m + inset, segmentWidth(), controlHeight - 2 * inset };
}

QSize SegmentedControl::sizeHint() const
{
    return { count() * segmentWidth() + 2 * inset + 2 * FocusRing::margin, controlHeight + 2 * FocusRing::margin };
}

void SegmentedControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    for (int i = 0; i < count(); ++i) {
        if (segmentRect(i).contains(event->position().toPoint())) {
            setCurrentIndex(i);
            return;
        }
    }
}

void SegmentedControl::keyPressEvent(QKeyEvent *event)
{
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up: step = -1; break;
    case Qt::Key_Right:
    case Qt::Key_Down: step = 1; break;
    default: QWidget::keyPressEvent(event); return;
    }
    if (count() == 0)
        return;
    const int from = m_current < 0 ? (step > 0 ? -1 : count()) : m_current;
    setCurrentIndex(std::clamp(from + step, 0, count() - 1));
}

void SegmentedControl::focusInEvent(QFocusEvent *event)
{
    m_keyboardFocus = FocusRing::isKeyboardReason(event->reason());
    QWidget::focusInEvent(event);
}

void SegmentedControl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int m = FocusRing::margin;
    const QRectF track(m, m, count() * segmentWidth() + 2 * inset, controlHeight);
    const double radius = Theme::Radius::control;
    if (hasFocus() && m_keyboardFocus)
        FocusRing::paint(p, track, radius);
    p.setOpacity(isEnabled() ? 1.0 : 0.45);
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::Surface::sidebar);
    p.drawRoundedRect(track, radius, radius);

    p.setFont(font());
    for (int i = 0; i < count(); ++i) {
        const QRectF segment = segmentRect(i);
        const bool selected = i == m_current;
        if (selected) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 22));
            p.drawRoundedRect(segment.translated(0, 1), radius - inset, radius - inset);
            p.setBrush(Theme::Surface::card);
            p.drawRoundedRect(segment, radius - inset, radius - inset);
        } else if (i > 0 && i - 1 != m_current) {
            p.setPen(QPen(Theme::Surface::cardBorder, 1));
            p.drawLine(QPointF(segment.left(), segment.top() + 6), QPointF(segment.left(), segment.bottom() - 6));
        }
        p.setPen(selected ? Theme::Ink::primary : Theme::Ink::secondary);
        p.drawText(segment, Qt::AlignCenter, m_labels.at(i));
    }
}
