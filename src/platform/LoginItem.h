#pragma once

#include <QString>

#include <utility>

// The program's entry among those the desktop starts when the user signs in.
class LoginItem {
public:
    struct Change {
        bool succeeded = true;
        // Why the change failed, as sentences a user can act on; empty on success.
        QString failureReason;

        static Change success() { return {}; }
        static Change failure(QString reason) { return { false, std::move(reason) }; }
    };

    virtual ~LoginItem() = default;

    virtual bool isEnabled() const = 0;
    // Puts the entry in the requested state. Asking for the state it is in already succeeds
    // without touching anything.
    virtual Change setEnabled(bool enabled) = 0;
};
