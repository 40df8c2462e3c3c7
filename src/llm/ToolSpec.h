#pragma once

#include <QJsonObject>
#include <QString>

// One tool offered to the chat model. `parameters` is a JSON-Schema object sent as it is.
struct ToolSpec {
    QString name;
    QString description;
    QJsonObject parameters;

    friend bool operator==(const ToolSpec &, const ToolSpec &) = default;
};
