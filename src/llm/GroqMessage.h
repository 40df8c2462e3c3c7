#pragma once

#include <QJsonObject>
#include <QString>

// One plain chat message: a role ("system", "user") and its text.
struct GroqMessage {
    QString role;
    QString content;

    QJsonObject toJson() const
    {
        return QJsonObject { { QStringLiteral("role"), role }, { QStringLiteral("content"), content } };
    }

    friend bool operator==(const GroqMessage &, const GroqMessage &) = default;
};
