#pragma once

#include "pets/PetAnimation.h"

#include <QJsonObject>
#include <QMap>
#include <QString>

#include <optional>

// A pet package's pet.json as the program understands it. Every field has a default (the Nimbo
// layout: 192 x 208 cells, 8 per row, row r = state r, 8 frames at 5 fps).
struct PetManifest {
    static constexpr qint64 defaultFrameWidth = 192;
    static constexpr qint64 defaultFrameHeight = 208;
    static constexpr qint64 defaultColumns = 8;
    static constexpr qint64 defaultFrameCount = 8;
    static constexpr double defaultFps = 5.0;

    QString id;
    QString displayName;
    std::optional<QString> description;
    QString spritesheetFileName = QStringLiteral("spritesheet.webp");
    qint64 frameWidth = defaultFrameWidth;
    qint64 frameHeight = defaultFrameHeight;
    qint64 columns = defaultColumns;
    QMap<PetAnimationState, PetAnimation> animations;
    QJsonObject rawJSON;

    // The declared animation for the state, else the layout default for it.
    PetAnimation animation(PetAnimationState state) const;
};
