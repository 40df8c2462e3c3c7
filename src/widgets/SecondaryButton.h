#pragma once

#include "widgets/StyledButton.h"

// Every other action: white with a border.
class SecondaryButton : public StyledButton {
    Q_OBJECT

public:
    explicit SecondaryButton(const QString &text, const QIcon &icon = {}, QWidget *parent = nullptr)
        : StyledButton(Look::Secondary, text, icon, parent)
    {
    }
};
