#include "petwindow/SpeechBubbleView.h"

#include <algorithm>

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextOption>

namespace {
constexpr qreal fontPixelSize = 12;
constexpr qreal lineHeightMultiple = 1.2;
const QColor fillColor(29, 29, 33);
const QColor strokeColor(54, 54, 63);
const QColor textColor(232, 232, 240);
}

SpeechBubbleView::SpeechBubbleView(QWidget *parent)
    : QWidget(parent)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint | Qt::WindowStaysOnTopHint
        | Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput);
    setWindowTitle(QStringLiteral("Tamsel speech bubble"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    m_layout.setFont(bubbleFont());
    QTextOption option;
    // Words wrap; a single word longer than a line is broken rather than overflowing.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_layout.setTextOption(option);
    resize(200, 60);
}

QFont SpeechBubbleView::bubbleFont()
{
    // Only the family is cached: a QFont must not outlive the application object.
    static const bool hasInter = QFontDatabase::families().contains(QStringLiteral("Inter"));
    QFont font;
    if (hasInter) {
        font = QFont(QStringLiteral("Inter"));
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setWeight(QFont::Medium);
    }
    font.setPixelSize(int(fontPixelSize));
    return font;
}

QSizeF SpeechBubbleView::setText(const QString &text, std::optional<qreal> maxHeight)
{
    m_layout.setText(text);
    int fitting = 0;
    bool cut = false;
    QSizeF size = layOut(maxHeight, &fitting, &cut);
    if (cut) {
        // Keep the lines that fit and end the last of them in an ellipsis; the rest is dropped.
        const QTextLine last = m_layout.lineAt(fitting - 1);
        QString rest = text.mid(last.textStart());
        rest.replace(QLatin1Char('\n'), QLatin1Char(' '));
        // A point to spare, so that the shortened line never wraps again.
        const QString ending
            = QFontMetricsF(m_layout.font())
                  .elidedText(rest + QChar(0x2026), Qt::ElideRight, SpeechBubbleLayout::maxTextWidth - 1);
        m_layout.setText(text.left(last.textStart()) + ending);
        size = layOut(maxHeight, &fitting, &cut);
    }
    update();
    return size;
}

QSizeF SpeechBubbleView::layOut(std::optional<qreal> maxHeight, int *fittingLines, bool *cut)
{
    // The multiple sets the distance from one line to the next; a single line keeps its
    // natural height, which lets a one-word line fit the smallest bubble.
    const qreal lineSpacing = QFontMetricsF(m_layout.font()).lineSpacing();
    qreal y = 0;
    qreal height = 0;
    qreal width = 0;
    *fittingLines = 0;
    *cut = false;
    m_layout.beginLayout();
    for (QTextLine line = m_layout.createLine(); line.isValid(); line = m_layout.createLine()) {
        line.setLineWidth(SpeechBubbleLayout::maxTextWidth);
        line.setLeadingIncluded(true);
        // The first line always shows, however small the limit.
        if (maxHeight && *fittingLines > 0 && y + lineSpacing > *maxHeight) {
            // The line past the limit is put out of sight; the text after it is not laid out.
            line.setPosition(QPointF(0, -1e6));
            *cut = true;
            break;
        }
        line.setPosition(QPointF(0, y));
        height = y + lineSpacing;
        y += lineSpacing * lineHeightMultiple;
        width = std::max(width, line.naturalTextWidth());
        ++*fittingLines;
    }
    m_layout.endLayout();
    return { width, height };
}

void SpeechBubbleView::setTail(SpeechBubbleLayout::TailDirection direction, qreal tailX)
{
    m_tail = direction;
    m_tailX = tailX;
    update();
}

void SpeechBubbleView::paintEvent(QPaintEvent *)
{
    using Layout = SpeechBubbleLayout;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QSizeF bubble = size();
    const QRectF body = Layout::bodyRect(bubble, m_tail);
    const qreal tip = Layout::tailTip(m_tailX, bubble.width());
    QPainterPath bodyPath;
    // Half a pixel in, so that the one-pixel outline is not cut by the window's edge.
    bodyPath.addRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), Layout::cornerRadius, Layout::cornerRadius);
    // The tail's base reaches half a point into the body so the two join without a seam.
    const bool down = m_tail == Layout::TailDirection::Down;
    const qreal tipY = down ? bubble.height() : 0;
    const qreal baseY = down ? body.bottom() - 0.5 : body.top() + 0.5;
    QPainterPath tail;
    tail.moveTo(tip, tipY);
    tail.lineTo(tip - Layout::tailHalfWidth, baseY);
    tail.lineTo(tip + Layout::tailHalfWidth, baseY);
    tail.closeSubpath();
    const QPainterPath outline = bodyPath.united(tail);

    // A soft shadow under the balloon, drawn as widening faint outlines two points lower.
    const QPainterPath shadow = outline.translated(0, 2);
    for (int spread = 4; spread >= 1; --spread) {
        painter.strokePath(shadow, QPen(QColor(0, 0, 0, 20), 2.0 * spread, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    painter.fillPath(outline, fillColor);
    painter.strokePath(outline, QPen(strokeColor, 1));

    painter.setPen(textColor);
    const QRectF textArea
        = body.adjusted(Layout::textInsetX, Layout::textInsetY, -Layout::textInsetX, -Layout::textInsetY);
    m_layout.draw(&painter, textArea.topLeft());
}
