#pragma once

#include "foundation/Result.h"

#include <QObject>
#include <QString>

// Keys pressed anywhere on the desktop, whichever application has the focus. Each registered
// combination gets an id; pressing it reports that id once per press, from the event loop.
// Keys are named as Qt names them: Qt::MetaModifier is the Super (logo) key.
class GlobalHotKey : public QObject {
    Q_OBJECT

public:
    using Id = quint32;

    struct Failure {
        enum class Reason {
            Unavailable, // this display offers no global keys (another platform, no window system)
            UnknownKey, // the keyboard has no such key
            Taken, // another program already holds the combination
            Refused // the window system refused for another reason, described in detail
        };
        Reason reason = Reason::Refused;
        QString detail;
    };

    using RegisterResult = Result<Id, Failure>;

    using QObject::QObject;
    ~GlobalHotKey() override = default;

    // Ids are never 0 and never reused by one instance.
    virtual RegisterResult registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers) = 0;
    // Releases the combination; unknown ids are ignored.
    virtual void unregisterKey(Id id) = 0;

signals:
    void pressed(GlobalHotKey::Id id);
};
