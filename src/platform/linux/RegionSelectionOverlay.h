#pragma once

#include <QFuture>
#include <QImage>
#include <QPoint>
#include <QPromise>
#include <QRect>
#include <QWidget>

// A full-screen window over the whole virtual desktop that shows a frozen screenshot dimmed and
// lets the user drag out a rectangle, shown undimmed. Releasing the button chooses the region;
// Escape, the right button or a region without area cancels. It grabs the keyboard and the
// pointer while open, and works without a compositor (it paints every pixel).
class RegionSelectionOverlay final : public QWidget {
    Q_OBJECT

public:
    // frozen: the screenshot in device pixels; desktop: the virtual desktop in Qt's coordinates.
    RegionSelectionOverlay(QImage frozen, const QRect &desktop);
    ~RegionSelectionOverlay() override;

    // The chosen region in the frozen image's pixels; an empty rectangle when cancelled (also when
    // the overlay is destroyed before a choice).
    QFuture<QRect> chosenRegion() { return m_result.future(); }

    // Shows the overlay and takes the keyboard and the pointer.
    void open();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void grabInput();
    void finish(const QRect &region);
    QRect selection() const;
    QRect toImagePixels(const QRect &widgetRect) const;

    QImage m_frozen;
    QPromise<QRect> m_result;
    bool m_finished = false;
    bool m_dragging = false;
    QPoint m_anchor;
    QPoint m_cursor;
    int m_grabAttempts = 0;
};
