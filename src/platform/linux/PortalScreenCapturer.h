#pragma once

#include "platform/ScreenCapturer.h"

#include <QObject>
#include <QVariantMap>

#include <optional>

// Screenshots through the desktop's Screenshot portal (org.freedesktop.portal.Screenshot on the
// session bus), the only way a Wayland client may read the screen. The portal may ask the user
// first; its answer arrives as a Response signal on a request object. The picture is the file the
// portal wrote, read back with a size limit.
class PortalScreenCapturer final : public QObject, public ScreenCapturer {
    Q_OBJECT

public:
    // The longest wait for the portal's answer (it may be showing its own dialog).
    static constexpr int responseTimeoutMs = 5 * 60 * 1000;

    explicit PortalScreenCapturer(QObject *parent = nullptr);

    // Whether screenshots must go through the portal: a native Wayland session, or an X11 client
    // running under a Wayland compositor, whose root window does not show Wayland windows.
    static bool isNeeded();

    QCoro::Task<Capture> capture(bool selection) override;

    // What a portal answer means: 0 with a file the picture, 1 (dismissed) a cancelled selection
    // or a refused request, 2 (ended otherwise) a refusal.
    static Capture interpretResponse(uint response, const QVariantMap &results, bool selection);

signals:
    void responded();

private slots:
    void handleResponse(uint response, const QVariantMap &results);

private:
    struct Response {
        uint code = 2;
        QVariantMap results;
    };

    bool m_busy = false;
    std::optional<Response> m_response;
};
