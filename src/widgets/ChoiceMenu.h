#pragma once

#include <QComboBox>

// A pop-up choice among named options, drawn like a secondary button with a chevron. A combo box
// underneath: currentIndexChanged reports a change, the arrow keys step through the options.
class ChoiceMenu : public QComboBox {
    Q_OBJECT

public:
    explicit ChoiceMenu(const QStringList &options = {}, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    bool m_keyboardFocus = false;
};
