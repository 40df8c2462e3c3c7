#pragma once

#include <QFrame>
#include <QHash>
#include <QIcon>
#include <QPointer>

class Chip;
class QLabel;
class QVBoxLayout;

// A white rounded card: an optional header (icon, title, count) and rows separated by hairlines.
// A row holds a label with an optional hint on the left and its control on the right.
class Card : public QFrame {
    Q_OBJECT

public:
    explicit Card(const QString &title = {}, const QIcon &icon = {}, QWidget *parent = nullptr);

    // Shows a count beside the title; a negative count hides it.
    void setCount(int count);
    // Adds a row of label, hint (may be empty) and control (may be null). Returns the row, which
    // the card owns, so a caller can hide it; the hairline above it hides with it.
    QWidget *addRow(const QString &label, const QString &hint, QWidget *control);
    // Adds a widget that fills the card's width as a row of its own.
    void addWidget(QWidget *widget);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addSeparatorIfNeeded(QWidget *row);

    QVBoxLayout *m_rows = nullptr;
    Chip *m_count = nullptr;
    int m_rowCount = 0;
    QHash<QObject *, QPointer<QWidget>> m_separators; // row → the hairline above it
};
