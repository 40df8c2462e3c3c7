#pragma once

#include <QString>
#include <QStringList>

// Modal alerts and file choosers. The desktop implementation uses message boxes and file
// dialogs; tests install a scripted presenter so nothing ever waits on a real dialog.
class AlertPresenter {
public:
    enum class Style { Warning, Informational };

    struct Alert {
        Style style = Style::Warning;
        QString title; // the message text
        QString informativeText; // the explanation under it
        QStringList buttons { QStringLiteral("OK") }; // first is the default button
    };

    virtual ~AlertPresenter() = default;

    // Shows the alert modally; returns the index of the pressed button (-1 when dismissed).
    virtual int present(const Alert &alert) = 0;
    // Returns the chosen folder, or an empty string when cancelled.
    virtual QString chooseFolder(const QString &title, const QString &prompt) = 0;
    // Returns the chosen file, or an empty string when cancelled. nameFilter as in Qt file dialogs.
    virtual QString chooseFile(const QString &title, const QString &prompt, const QString &nameFilter) = 0;
};
