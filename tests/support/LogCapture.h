#pragma once

#include <QStringList>
#include <QtGlobal>

// Collects the program's log lines while alive (and still forwards them to the previous handler
// so they show in test output). One capture at a time.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines() const;
    bool contains(const QString &line) const { return lines().contains(line); }
    bool anyContains(const QString &fragment) const;
    void clear();

private:
    QtMessageHandler m_previous = nullptr;
};
