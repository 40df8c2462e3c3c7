#pragma once

#include "platform/GlobalHotKey.h"

#include <QMap>

#include <optional>

// Holds combinations for tests that run without a window system. A failure set in failWith is
// returned by every registration until cleared; press() reports a press as the desktop would.
class FakeGlobalHotKey final : public GlobalHotKey {
public:
    struct Combination {
        Qt::Key key = Qt::Key_unknown;
        Qt::KeyboardModifiers modifiers;
        bool operator==(const Combination &) const = default;
    };

    using GlobalHotKey::GlobalHotKey;

    RegisterResult registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers) override
    {
        ++registerCalls;
        if (failWith)
            return *failWith;
        const Id id = ++m_lastId;
        held.insert(id, Combination { key, modifiers });
        return id;
    }
    void unregisterKey(Id id) override { held.remove(id); }

    // A receiver may release keys, so the matching ids are taken before any is reported.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        QList<Id> matching;
        for (auto it = held.cbegin(); it != held.cend(); ++it) {
            if (it.value() == Combination { key, modifiers })
                matching << it.key();
        }
        for (const Id id : matching)
            emit pressed(id);
    }

    QMap<Id, Combination> held;
    std::optional<Failure> failWith;
    int registerCalls = 0;

private:
    Id m_lastId = 0;
};
