#include "services/AskRunner.h"

#include "behavior/SpeakingTime.h"
#include "llm/AskAgent.h"
#include "services/AskFailureFlow.h"

AskRunner::AskRunner(AskAgent &agent, AskFailureFlow &failures, Hooks hooks, QObject *parent)
    : QObject(parent)
    , m_agent(&agent)
    , m_failures(&failures)
    , m_hooks(std::move(hooks))
{
}

QCoro::Task<> AskRunner::ask(QString question)
{
    if (!m_agent)
        co_return;
    const quint64 number = ++m_latest;
    QPointer<AskRunner> self(this);
    m_hooks.speak(QStringLiteral("Thinking…"), thinkingDuration);
    const QString persona = m_hooks.persona ? m_hooks.persona() : QString();
    // Started outside the co_await: GCC 12 destroys temporaries of an awaited call twice.
    auto answer = m_agent->ask(question, persona);
    const auto result = co_await std::move(answer);
    if (!self || number != m_latest)
        co_return;
    if (!result) {
        if (m_failures)
            m_failures->handleAskFailure(question, result.error());
        co_return;
    }
    m_hooks.speak(result.value(), SpeakingTime::forLine(result.value()));
    emit answered(result.value());
}
