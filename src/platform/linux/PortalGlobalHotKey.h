#pragma once

#include "platform/GlobalHotKey.h"

#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>

#include <qcoro/qcorotask.h>

#include <map>
#include <optional>

// Global keys through the desktop's GlobalShortcuts portal (org.freedesktop.portal.GlobalShortcuts
// on the session bus). In a Wayland session an X11 grab made through XWayland hears only the keys
// typed into X11 windows; the portal is how a client hears a combination pressed anywhere. The
// program proposes each combination as the preferred trigger ("LOGO+k") and the desktop binds it,
// possibly after asking the user, who may choose another.
//
// Registering answers at once; the portal session is created and the shortcuts bound afterwards,
// and the shortcuts are bound again whenever the set changes. A missing portal, a portal without
// the interface or one that refuses is logged once and leaves the program without a hot key.
class PortalGlobalHotKey final : public GlobalHotKey {
    Q_OBJECT

public:
    // The longest wait for one of the portal's answers (it may be asking the user).
    static constexpr int responseTimeoutMs = 5 * 60 * 1000;

    explicit PortalGlobalHotKey(QObject *parent = nullptr);
    // Closes the portal session, which releases its shortcuts.
    ~PortalGlobalHotKey() override;

    // Whether keys must go through the portal: the program runs in a Wayland session.
    static bool isNeeded();

    RegisterResult registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers) override;
    void unregisterKey(Id id) override;

    // A combination as the shortcuts' triggers are written ("CTRL+SHIFT+F5", "LOGO+k"); empty for
    // keys this class cannot name.
    static QString trigger(Qt::Key key, Qt::KeyboardModifiers modifiers);

    bool isBound() const { return m_bound; }

signals:
    // The current set of shortcuts was bound, or binding failed (then the reason was logged).
    void bindingFinished(bool bound);
    // Relays a request's answer to the coroutine waiting for it.
    void responded();

private slots:
    void handleResponse(uint response, const QVariantMap &results);
    void handleActivated(const QDBusMessage &message);

private:
    struct Answer {
        std::optional<QVariantMap> results; // none when the request failed
        QString error;
    };

    void scheduleBinding();
    QCoro::Task<> bind();
    // Calls a portal method that answers through a request object, and waits for the answer.
    // Takes its arguments by value: callers pass temporaries, and they are read after awaits.
    QCoro::Task<Answer> request(QString method, QList<QVariant> arguments, QString token);
    void fail(const QString &reason);

    std::map<Id, QString> m_triggers;
    Id m_lastId = 0;
    QString m_session;
    bool m_bindingScheduled = false;
    bool m_binding = false;
    bool m_bound = false;
    bool m_failureLogged = false;
    QString m_requestPath;
    std::optional<std::pair<uint, QVariantMap>> m_response;
};
