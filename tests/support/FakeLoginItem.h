#pragma once

#include "platform/LoginItem.h"

// A login item held in memory; set failureReason to make every change fail with it.
class FakeLoginItem final : public LoginItem {
public:
    bool enabled = false;
    QString failureReason;
    int changes = 0;

    bool isEnabled() const override { return enabled; }
    Change setEnabled(bool value) override
    {
        ++changes;
        if (!failureReason.isEmpty())
            return Change::failure(failureReason);
        enabled = value;
        return Change::success();
    }
};
