#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>

class AskAgent;
class AskFailureFlow;

// Carries one submitted question to its answer: the pet says "Thinking…" while the agent works,
// then the answer for as long as it takes to read, or the failure flow turns the error into the
// pet's words and an offer. A question that comes while another is still being answered
// replaces it: only the latest question's answer is spoken.
class AskRunner : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::seconds thinkingDuration { 60 };

    struct Hooks {
        std::function<void(const QString &text, std::chrono::milliseconds duration)> speak;
        // The active pet's persona, read when the question is asked.
        std::function<QString()> persona;
    };

    AskRunner(AskAgent &agent, AskFailureFlow &failures, Hooks hooks, QObject *parent = nullptr);

    QCoro::Task<> ask(QString question);

signals:
    void answered(const QString &answer);

private:
    QPointer<AskAgent> m_agent;
    QPointer<AskFailureFlow> m_failures;
    Hooks m_hooks;
    quint64 m_latest = 0;
};
