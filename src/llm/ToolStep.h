#pragma once

#include "llm/ToolCall.h"

#include <QJsonObject>
#include <QList>
#include <QString>

// The outcome of one step of a tool-calling conversation: either the model answered in words,
// or it asked for tool calls. For tool calls, `assistantMessage` is the response's complete
// "message" object, untouched, which goes back into the conversation before the tool answers.
struct ToolStep {
    enum class Kind { Reply, ToolCalls };

    static ToolStep reply(QString text)
    {
        ToolStep step;
        step.kind = Kind::Reply;
        step.text = std::move(text);
        return step;
    }
    static ToolStep toolCalls(QList<ToolCall> calls, QJsonObject assistantMessage)
    {
        ToolStep step;
        step.kind = Kind::ToolCalls;
        step.calls = std::move(calls);
        step.assistantMessage = std::move(assistantMessage);
        return step;
    }

    Kind kind = Kind::Reply;
    QString text;
    QList<ToolCall> calls;
    QJsonObject assistantMessage;
};
