#include "petwindow/SpeechBubbleView.h"

#include <algorithm>
#include <vector>

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
constexpr qreal shadowOpacity = 0.6;
constexpr qreal shadowOffsetY = 2;
constexpr qreal shadowBlur = 8;

// One pass of a box blur of the given radius along each line of values (a row or a column of an
// image); what lies past the ends counts as transparent.
void boxBlur(std::vector<int> &values, int length, int stride, int lines, int lineStride, int radius)
{
    std::vector<int> line(static_cast<size_t>(length));
    const int width = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        int *base = values.data() + static_cast<ptrdiff_t>(l) * lineStride;
        for (int i = 0; i < length; ++i)
            line[static_cast<size_t>(i)] = base[static_cast<ptrdiff_t>(i) * stride];
        int sum = 0;
        for (int i = 0; i < std::min(radius, length); ++i)
            sum += line[static_cast<size_t>(i)];
        for (int i = 0; i < length; ++i) {
            if (i + radius < length)
                sum += line[static_cast<size_t>(i + radius)];
            base[static_cast<ptrdiff_t>(i) * stride] = sum / width;
            if (i >= radius)
                sum -= line[static_cast<size_t>(i - radius)];
        }
    }
}
}

QImage SpeechBubbleView::shadowImage(const QPainterPath &shape, QSize size, qreal devicePixelRatio)
{
    QImage image(size * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(devicePixelRatio, devicePixelRatio);
        painter.fillPath(shape.translated(0, shadowOffsetY), QColor(0, 0, 0, qRound(255 * shadowOpacity)));
    }
    // Three box passes each way come close to a Gaussian; a blur "radius" of 8 spreads the edge
    // over about 8 points, a standard deviation of 4.
    const int w = image.width();
    const int h = image.height();
    std::vector<int> alpha(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            alpha[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = qAlpha(row[x]);
    }
    const int radius = std::max(1, qRound(shadowBlur / 2 * devicePixelRatio));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(alpha, w, 1, h, w, radius);
        boxBlur(alpha, h, w, w, 1, radius);
    }
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgba(0, 0, 0, alpha[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)]);
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
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
    // The window's name carries the whole line, for screen readers and for tools that look at the
    // desktop from outside; a name is one line.
    setWindowTitle(
        QStringLiteral("Tamsel speech bubble: ") + QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
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

    // The balloon casts its own shadow (the window has none); a compositor blends it with what
    // lies behind.
    painter.drawImage(QPointF(0, 0), shadowImage(outline, size(), devicePixelRatioF()));
    painter.fillPath(outline, fillColor);
    painter.strokePath(outline, QPen(strokeColor, 1));

    painter.setPen(textColor);
    const QRectF textArea
        = body.adjusted(Layout::textInsetX, Layout::textInsetY, -Layout::textInsetX, -Layout::textInsetY);
    m_layout.draw(&painter, textArea.topLeft());
}
