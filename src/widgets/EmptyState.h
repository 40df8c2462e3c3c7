#pragma once

#include <QIcon>
#include <QWidget>

class QLabel;

// What a list shows while it has nothing: an icon, a title and one line of what to do, centred.
class EmptyState : public QWidget {
    Q_OBJECT

public:
    EmptyState(const QIcon &icon, const QString &title, const QString &line, QWidget *parent = nullptr);

    QString title() const;
    QString line() const;

private:
    QLabel *m_title = nullptr;
    QLabel *m_line = nullptr;
};
