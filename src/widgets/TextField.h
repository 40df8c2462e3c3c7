#pragma once

#include <QLineEdit>

// A one-line text entry: white, rounded, with a border that takes the accent colour while the
// field has focus. 32 px high like the buttons beside it.
class TextField : public QLineEdit {
    Q_OBJECT

public:
    explicit TextField(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
