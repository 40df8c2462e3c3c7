#pragma once

#include "behavior/SpeechBubbleLayout.h"

#include <optional>

#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QTextLayout>
#include <QWidget>

// The speech bubble's window and drawing: a dark rounded balloon with a pointed tail, the line
// in light text. It never takes focus and lets every click through to what lies behind it.
class SpeechBubbleView final : public QWidget {
    Q_OBJECT

public:
    explicit SpeechBubbleView(QWidget *parent = nullptr);

    // "Inter" when it is installed, else the system font in medium weight; 12 points.
    static QFont bubbleFont();

    // Sets the line and lays it out at most SpeechBubbleLayout::maxTextWidth wide and, when a
    // limit is given, at most maxHeight tall: what does not fit is cut, the last line shown ending
    // in an ellipsis. The window's name becomes "Tamsel speech bubble: " and the whole line.
    // Returns the size the text takes.
    QSizeF setText(const QString &text, std::optional<qreal> maxHeight = std::nullopt);
    QString text() const { return m_layout.text(); }

    void setTail(SpeechBubbleLayout::TailDirection direction, qreal tailX);

    // The balloon's shadow for a window of the given size: the shape in black at 0.6 opacity,
    // two points lower, blurred over eight points, in device pixels of the given ratio.
    static QImage shadowImage(const QPainterPath &shape, QSize size, qreal devicePixelRatio);
    SpeechBubbleLayout::TailDirection tailDirection() const { return m_tail; }
    qreal tailX() const { return m_tailX; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Lays the current text out; returns its size and how many lines fit in maxHeight.
    QSizeF layOut(std::optional<qreal> maxHeight, int *fittingLines, bool *cut);

    QTextLayout m_layout;
    SpeechBubbleLayout::TailDirection m_tail = SpeechBubbleLayout::TailDirection::Down;
    qreal m_tailX = 0;
};
