#pragma once

#include "platform/ScreenCapturer.h"

#include <QObject>
#include <QPointer>
#include <QRect>

class RegionSelectionOverlay;

// Screenshots on an X11 desktop: the whole virtual desktop read from the root window (every
// screen, composed into one image in device pixels), and an interactive region picked on the
// program's own overlay over a frozen copy of it. X11 asks no permission, so a capture is never
// refused.
class X11ScreenCapturer final : public QObject, public ScreenCapturer {
    Q_OBJECT

public:
    explicit X11ScreenCapturer(QObject *parent = nullptr);
    ~X11ScreenCapturer() override;

    QCoro::Task<Capture> capture(bool selection) override;

    // Every screen of the virtual desktop in one image; a null image when there is no screen.
    // desktop receives the virtual desktop's geometry in Qt's coordinates.
    static QImage grabVirtualDesktop(QRect *desktop = nullptr);

    // The overlay while a selection is open (for tests and diagnostics).
    RegionSelectionOverlay *overlay() const;

signals:
    void selectionOpened();

private:
    QPointer<RegionSelectionOverlay> m_overlay;
};
