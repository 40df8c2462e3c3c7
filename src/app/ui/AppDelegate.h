#pragma once

#include "app/AppEnvironment.h"

#include <QObject>

#include <qcoro/qcorotask.h>

// The application coordinator: owns every long-lived object, runs the launch sequence, and
// saves what must survive a quit.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    explicit AppDelegate(const AppEnvironment &environment, QObject *parent = nullptr);
    ~AppDelegate() override;

    // The launch sequence. Finishes with launchFinished().
    QCoro::Task<> applicationDidFinishLaunching();
    // The quit steps; runs once, however the program is asked to quit.
    void applicationWillTerminate();

    // Whether the pet window is listed in the taskbar and window switcher.
    bool showsInTaskbar() const { return m_showInTaskbar; }
    bool hasTerminated() const { return m_terminated; }

signals:
    void launchFinished();

private:
    AppEnvironment m_env;
    bool m_showInTaskbar = true;
    bool m_terminated = false;
};
