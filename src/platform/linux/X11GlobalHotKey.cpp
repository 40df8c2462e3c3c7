#include "platform/linux/X11GlobalHotKey.h"

#include "platform/linux/Xcb.h"

#include <algorithm>
#include <array>

#include <QGuiApplication>
#include <QMetaObject>

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {
using Xcb::Reply;

constexpr quint8 badAccess = 10; // the X error for a combination another client holds

// The lock keys as most keyboard maps place them: CapsLock on Lock, NumLock on Mod2.
constexpr quint16 capsLockMask = XCB_MOD_MASK_LOCK;
constexpr quint16 numLockMask = XCB_MOD_MASK_2;
constexpr std::array<quint16, 4> lockVariants { 0, capsLockMask, numLockMask, capsLockMask | numLockMask };
// The modifiers a press is compared on; the lock keys and mouse buttons are left out.
constexpr quint16 significantModifiers
    = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;

xcb_keysym_t keysymFor(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return XK_a + xcb_keysym_t(key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return XK_0 + xcb_keysym_t(key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return XK_F1 + xcb_keysym_t(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Space: return XK_space;
    case Qt::Key_Return: return XK_Return;
    case Qt::Key_Escape: return XK_Escape;
    case Qt::Key_Tab: return XK_Tab;
    default: return XCB_NO_SYMBOL;
    }
}

quint16 maskFor(Qt::KeyboardModifiers modifiers)
{
    quint16 mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}
}

X11GlobalHotKey::X11GlobalHotKey(QObject *parent)
    : GlobalHotKey(parent)
{
    m_connection = Xcb::connection();
    if (!m_connection)
        return;
    m_keySymbols = xcb_key_symbols_alloc(m_connection);
    m_roots = Xcb::roots(m_connection);
    qGuiApp->installNativeEventFilter(this);
}

X11GlobalHotKey::~X11GlobalHotKey()
{
    if (!m_connection || !qGuiApp)
        return;
    qGuiApp->removeNativeEventFilter(this);
    while (!m_registrations.empty())
        unregisterKey(m_registrations.begin()->first);
    xcb_flush(m_connection);
    if (m_keySymbols)
        xcb_key_symbols_free(m_keySymbols);
}

GlobalHotKey::RegisterResult X11GlobalHotKey::registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    if (!m_connection || !m_keySymbols)
        return Failure { Failure::Reason::Unavailable, {} };
    const xcb_keysym_t keysym = keysymFor(key);
    Reply<xcb_keycode_t> keycodes(
        keysym == XCB_NO_SYMBOL ? nullptr : xcb_key_symbols_get_keycode(m_keySymbols, keysym));
    if (!keycodes || keycodes.get()[0] == XCB_NO_SYMBOL)
        return Failure { Failure::Reason::UnknownKey, {} };

    const Combination combination { keycodes.get()[0], maskFor(modifiers) };
    // The X server keeps one grab per client and combination; a second registration shares it.
    if (!isHeld(combination)) {
        if (auto failure = grab(combination))
            return *failure;
    }
    const Id id = ++m_lastId;
    m_registrations.emplace(id, combination);
    return id;
}

void X11GlobalHotKey::unregisterKey(Id id)
{
    const auto found = m_registrations.find(id);
    if (found == m_registrations.end())
        return;
    const Combination combination = found->second;
    m_registrations.erase(found);
    if (!isHeld(combination)) {
        ungrab(combination);
        xcb_flush(m_connection);
    }
}

bool X11GlobalHotKey::isHeld(Combination combination) const
{
    return std::any_of(m_registrations.begin(), m_registrations.end(),
        [combination](const auto &registration) { return registration.second == combination; });
}

std::optional<GlobalHotKey::Failure> X11GlobalHotKey::grab(Combination combination)
{
    // Send every grab, then collect the answers, so the whole set costs one round trip.
    std::vector<xcb_void_cookie_t> cookies;
    cookies.reserve(m_roots.size() * lockVariants.size());
    for (const xcb_window_t root : m_roots) {
        for (const quint16 variant : lockVariants) {
            // Not owner events: the press is always reported on the root, even when one of this
            // program's own windows has the focus.
            cookies.push_back(xcb_grab_key_checked(m_connection, 0, root, combination.modifiers | variant,
                combination.keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    std::optional<Failure> failure;
    for (const xcb_void_cookie_t cookie : cookies) {
        Reply<xcb_generic_error_t> error(xcb_request_check(m_connection, cookie));
        if (!error || failure)
            continue;
        if (error->error_code == badAccess)
            failure = Failure { Failure::Reason::Taken, {} };
        else
            failure = Failure { Failure::Reason::Refused, QStringLiteral("X error %1").arg(error->error_code) };
    }
    if (failure) {
        // Ungrabbing touches only this client's grabs, so the variants that did succeed go and
        // another program's grab stays.
        ungrab(combination);
        xcb_flush(m_connection);
    }
    return failure;
}

void X11GlobalHotKey::ungrab(Combination combination)
{
    for (const xcb_window_t root : m_roots) {
        for (const quint16 variant : lockVariants)
            xcb_ungrab_key(m_connection, combination.keycode, root, combination.modifiers | variant);
    }
}

bool X11GlobalHotKey::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (m_registrations.empty() || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto *press = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if (std::find(m_roots.begin(), m_roots.end(), press->event) == m_roots.end())
        return false;
    const Combination received { press->detail, quint16(press->state & significantModifiers) };
    bool matched = false;
    for (const auto &[id, combination] : m_registrations) {
        if (combination != received)
            continue;
        matched = true;
        // Reported after the event is handled, so a receiver may open windows or release keys.
        QMetaObject::invokeMethod(
            this, [this, id = id] { emit pressed(id); }, Qt::QueuedConnection);
    }
    return matched;
}
