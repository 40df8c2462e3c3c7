#pragma once

#include <QString>

#include <qcoro/qcorotask.h>

// Starts an installed application chosen by the name a person would use for it ("Firefox",
// "Text Editor"). The name is only ever looked up, never run as a command.
class ApplicationLauncher {
public:
    struct Launch {
        enum class Outcome { Launched, NotFound, Failed };

        Outcome outcome = Outcome::NotFound;
        // Why an application that was found did not start.
        QString reason;
    };

    virtual ~ApplicationLauncher() = default;
    virtual QCoro::Task<Launch> launch(QString name) = 0;
};
