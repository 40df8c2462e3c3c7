#include "platform/linux/DialogAlertPresenter.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

int DialogAlertPresenter::present(const Alert &alert)
{
    QMessageBox box;
    box.setIcon(alert.style == Style::Warning ? QMessageBox::Warning : QMessageBox::Information);
    box.setText(alert.title);
    box.setInformativeText(alert.informativeText);
    QList<QAbstractButton *> buttons;
    for (qsizetype i = 0; i < alert.buttons.size(); ++i) {
        QPushButton *button
            = box.addButton(alert.buttons.at(i), i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        if (i == 0)
            box.setDefaultButton(button);
        buttons.append(button);
    }
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
}

QString DialogAlertPresenter::chooseFolder(const QString &title, const QString &prompt)
{
    QFileDialog dialog(nullptr, title, QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, prompt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString DialogAlertPresenter::chooseFile(const QString &title, const QString &prompt, const QString &nameFilter)
{
    QFileDialog dialog(nullptr, title, QDir::homePath(), nameFilter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setLabelText(QFileDialog::Accept, prompt);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
