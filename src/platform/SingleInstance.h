#pragma once

#include <QObject>

// Keeps one copy of the program per user session. The first copy to claim the session keeps it
// and hears of every later start through activationRequested(); a later copy asks the running one
// to come forward and learns from claim() that it should leave.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~SingleInstance() override = default;

    // True when this process is now the session's copy. False when another copy runs: it has
    // been asked (where the desktop offers a way) to show itself, and this process should exit.
    virtual bool claim() = 0;

signals:
    // Someone started the program again while this copy runs.
    void activationRequested();
    // Someone asked this copy to carry out one of its named actions ("toggle-ask").
    void actionRequested(const QString &name);
};
