#pragma once

#include "platform/AlertPresenter.h"

#include <QList>
#include <QQueue>

#include <functional>

// Records every alert and answers from a script instead of showing anything.
class ScriptedAlertPresenter final : public AlertPresenter {
public:
    QList<Alert> alerts; // every alert presented, in order
    QQueue<int> buttonAnswers; // pressed button per alert; 0 when the queue is empty
    QQueue<QString> folderAnswers; // chosen folder per chooser; "" (cancel) when empty
    QQueue<QString> fileAnswers; // chosen file per chooser; "" (cancel) when empty
    std::function<void(const Alert &)> onPresent; // called as each alert is shown
    int folderChooserCount = 0;
    int fileChooserCount = 0;

    int present(const Alert &alert) override
    {
        alerts.append(alert);
        if (onPresent)
            onPresent(alert);
        return buttonAnswers.isEmpty() ? 0 : buttonAnswers.dequeue();
    }
    QString chooseFolder(const QString &, const QString &) override
    {
        ++folderChooserCount;
        return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
    }
    QString chooseFile(const QString &, const QString &, const QString &) override
    {
        ++fileChooserCount;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
    }
    void clear()
    {
        alerts.clear();
        buttonAnswers.clear();
        folderAnswers.clear();
        fileAnswers.clear();
        folderChooserCount = fileChooserCount = 0;
    }
};
