#pragma once

#include "llm/ChatterGenerator.h"
#include "userdata/AnimationMapping.h"
#include "widgets/Card.h"

#include <functional>
#include <memory>

class AnimationPreviewView;
class AnimationTicker;
class Chip;
class QAction;
class QLabel;
class QPushButton;
class QTimer;
class SpriteSheetDecoder;
class TextField;

// One atlas row in the Animations pane: its live preview, its tag, the name field (saved half a
// second after the last keystroke), the frame count with the first chatter line, the status chip
// that opens the chatter sheet, and a menu to edit, generate or clear the lines.
class AnimationRowCard : public Card {
    Q_OBJECT

public:
    struct Actions {
        std::function<void(const AnimationMapping &)> saveMapping;
        std::function<void(ChatterGenerator::WriteMode)> generate;
        std::function<void()> editChatter;
    };

    static constexpr int nameSaveDelayMs = 500;

    AnimationRowCard(qint64 row, std::shared_ptr<const SpriteSheetDecoder> decoder, AnimationTicker *ticker,
        Actions actions, QWidget *parent = nullptr);

    qint64 row() const { return m_row; }
    // Shows the stored mapping; a name the user is typing is left alone.
    void setMapping(const AnimationMapping &mapping);
    void setState(bool canGenerate, bool busy);
    // Saves a name still waiting for the pause after the last keystroke.
    void flushPendingName();

    // "Unnamed", "Silent", "1 line", "3 lines".
    static QString statusText(const AnimationMapping &mapping);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void saveName();
    void updateTexts();

    qint64 m_row;
    Actions m_actions;
    AnimationMapping m_mapping;
    bool m_canGenerate = false;
    bool m_busy = false;
    AnimationPreviewView *m_preview = nullptr;
    TextField *m_name = nullptr;
    QLabel *m_details = nullptr;
    QPushButton *m_addLines = nullptr;
    Chip *m_status = nullptr;
    QAction *m_replace = nullptr;
    QAction *m_append = nullptr;
    QTimer *m_nameSave = nullptr;
};
