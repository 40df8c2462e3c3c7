#pragma once

#include "llm/ToolCall.h"
#include "llm/ToolSpec.h"

#include <QList>
#include <QObject>
#include <QString>

#include <qcoro/qcorotask.h>

// What the Ask agent needs from the tools it offers the model: their descriptions, and a way to
// carry out one call. execute() never fails: every problem is reported in the result text, which
// the agent tags "[OK] " or "[ERROR] " before the model sees it. Calls run one at a time on the
// main thread. A QObject, so that a caller can tell whether it still exists after waiting.
class ToolExecutor : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The tools, in the order they are offered to the model.
    virtual QList<ToolSpec> specs() const = 0;
    virtual QCoro::Task<QString> execute(ToolCall call) = 0;
};
