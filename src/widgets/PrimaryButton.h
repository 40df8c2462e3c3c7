#pragma once

#include "widgets/StyledButton.h"

// The main action of a card or window: filled with the accent colour.
class PrimaryButton : public StyledButton {
    Q_OBJECT

public:
    explicit PrimaryButton(const QString &text, const QIcon &icon = {}, QWidget *parent = nullptr)
        : StyledButton(Look::Primary, text, icon, parent)
    {
    }
};
