#pragma once

#include "platform/GlobalHotKey.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

// The program's global hot key: one key combination that runs a handler whenever it is pressed,
// whichever application is active. Registering again replaces the earlier combination. When the
// window system refuses a combination the reason is logged and the program goes on without one.
class HotKeyMonitor : public QObject {
    Q_OBJECT

public:
    // The hot keys must outlive the monitor.
    explicit HotKeyMonitor(GlobalHotKey &hotKeys, QObject *parent = nullptr);
    ~HotKeyMonitor() override;

    // The handler runs on each press while the context lives; it replaces any earlier handler.
    void setHandler(QObject *context, std::function<void()> handler);

    // Releases any earlier combination first. Returns whether the new one is now held.
    bool registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers);
    void unregister();
    bool isRegistered() const { return m_id.has_value(); }

    // How a combination is written in log lines, e.g. "Super+K".
    static QString describe(Qt::Key key, Qt::KeyboardModifiers modifiers);

signals:
    void fired();

private:
    void onPressed(GlobalHotKey::Id id);

    GlobalHotKey &m_hotKeys;
    std::optional<GlobalHotKey::Id> m_id;
    QPointer<QObject> m_handlerContext;
    std::function<void()> m_handler;
};
