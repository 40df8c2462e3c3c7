#pragma once

#include "platform/GlobalHotKey.h"

#include <QAbstractNativeEventFilter>

#include <map>
#include <vector>

struct xcb_connection_t;
struct _XCBKeySymbols; // xcb_key_symbols_t

// Global keys on an X server: each combination is grabbed on every root window, once as asked
// and once more with each combination of NumLock and CapsLock, so that the lock keys do not
// hide a press. Presses are read by a native event filter on the connection Qt's xcb platform
// opened and reported after the event is handled. Without that connection (another platform
// plug-in, tests offscreen) every registration fails as unavailable.
class X11GlobalHotKey final : public GlobalHotKey, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit X11GlobalHotKey(QObject *parent = nullptr);
    ~X11GlobalHotKey() override;

    RegisterResult registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers) override;
    void unregisterKey(Id id) override;

    bool isAvailable() const { return m_connection != nullptr; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Combination {
        quint8 keycode = 0;
        quint16 modifiers = 0; // X modifier mask, without the lock keys
        bool operator==(const Combination &) const = default;
    };

    // Grabs every lock variant on every root; on failure nothing stays grabbed.
    std::optional<Failure> grab(Combination combination);
    void ungrab(Combination combination);
    bool isHeld(Combination combination) const;

    xcb_connection_t *m_connection = nullptr;
    _XCBKeySymbols *m_keySymbols = nullptr;
    std::vector<quint32> m_roots;
    std::map<Id, Combination> m_registrations;
    Id m_lastId = 0;
};
