#pragma once

#include "platform/AlertPresenter.h"

// Alerts as modal message boxes and choosers as the desktop's file dialogs.
class DialogAlertPresenter final : public AlertPresenter {
public:
    int present(const Alert &alert) override;
    QString chooseFolder(const QString &title, const QString &prompt) override;
    QString chooseFile(const QString &title, const QString &prompt, const QString &nameFilter) override;
};
