#pragma once

#include <QString>

// One call the model asked for. The tool's answer must quote `id`. `argumentsJSON` is the
// argument text exactly as received, or "{}" when the service sent none.
struct ToolCall {
    QString id;
    QString name;
    QString argumentsJSON;

    friend bool operator==(const ToolCall &, const ToolCall &) = default;
};
