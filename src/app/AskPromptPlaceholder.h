#pragma once

#include <QRect>
#include <QWidget>

// Stands where the Ask prompt will open: a small window that tells the user the prompt is on its
// way. Super+K and Ctrl+double-click on the pet open and close it; Escape closes it.
class AskPromptPlaceholder : public QWidget {
    Q_OBJECT

public:
    explicit AskPromptPlaceholder(QWidget *parent = nullptr);

    // Shows the window above the pet's frame (centred on the primary screen when the frame is
    // empty) and gives it the keyboard.
    void present(const QRect &petFrame);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
