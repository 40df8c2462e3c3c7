#pragma once

#include <QColor>
#include <QWidget>

// A status word in a pill (SAVED, NOT SET, Ready, "3 lines"): small semibold text in its colour on
// a tint of the same colour.
class Chip : public QWidget {
    Q_OBJECT

public:
    explicit Chip(const QString &text = {}, const QColor &colour = {}, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    QColor colour() const { return m_colour; }
    void setText(const QString &text);
    void setColour(const QColor &colour);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QColor m_colour;
};
