#pragma once

#include "platform/SingleInstance.h"

#include <QString>
#include <QVariantMap>

// One copy per session through the session bus: the first copy owns the application id as its
// bus name and answers org.freedesktop.Application.Activate and ActivateAction at the id's object
// path; a later copy finds the name taken and calls Activate, or ActivateAction when it was
// started to forward an action, on its owner. Both go away with the owning
// process. Without a session bus an exclusive flock on a file in the runtime directory stands
// in; the kernel drops it when the process dies, however it dies, but it cannot carry a request.
class SessionSingleInstance final : public SingleInstance {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit SessionSingleInstance(const QString &applicationId, QObject *parent = nullptr);
    ~SessionSingleInstance() override;

    bool claim() override;

    // A later copy asks the running one to carry out this action instead of showing its pet.
    void setForwardedAction(const QString &name) { m_forwardedAction = name; }

    // "app.tamsel.Tamsel" → "/app/tamsel/Tamsel".
    static QString objectPath(const QString &applicationId);

public slots:
    Q_SCRIPTABLE void Activate(const QVariantMap &platformData);
    Q_SCRIPTABLE void ActivateAction(
        const QString &name, const QVariantList &parameter, const QVariantMap &platformData);

private:
    enum class Outcome { Claimed, Taken, Unavailable };
    Outcome claimBusName();
    Outcome claimLockFile();
    void activateRunningCopy();

    QString m_applicationId;
    QString m_forwardedAction;
    bool m_ownsBusName = false;
    int m_lockFd = -1;
};
