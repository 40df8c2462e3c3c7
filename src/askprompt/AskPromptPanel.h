#pragma once

#include <QWidget>

class AskPromptView;

// The Ask prompt's window: frameless, translucent, above other windows and, unlike the pet's
// window, it takes the keyboard when it opens. The rounded card sits inside a margin that holds
// its shadow, so the card, not the window, is placed beside the pet.
class AskPromptPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int shadowMargin = 24;

    explicit AskPromptPanel(AskPromptView *view);

    // Places the card's top-left corner and sets its size.
    void setCardGeometry(const QRect &card);
    QRect cardGeometry() const;
    AskPromptView *view() const { return m_view; }

signals:
    void escapePressed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    AskPromptView *m_view;
};
