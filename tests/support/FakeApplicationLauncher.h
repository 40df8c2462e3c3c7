#pragma once

#include "platform/ApplicationLauncher.h"

#include <QStringList>

// Records the names it is asked to launch and "launches" only those listed as installed.
class FakeApplicationLauncher final : public ApplicationLauncher {
public:
    QCoro::Task<Launch> launch(QString name) override
    {
        launched.append(name);
        if (!failure.isEmpty())
            co_return Launch { Launch::Outcome::Failed, failure };
        co_return Launch { installed.contains(name) ? Launch::Outcome::Launched : Launch::Outcome::NotFound, {} };
    }

    QStringList installed;
    QString failure;
    QStringList launched;
};
