#pragma once

#include "llm/ChatterGenerator.h"
#include "userdata/AnimationMapping.h"

#include <QWidget>

#include <functional>

class Chip;
class QAction;
class QLabel;
class QPlainTextEdit;
class QTimer;
class StyledButton;

// The sheet over the preferences window where the user writes one row's chatter, one line per
// row. The text is saved 0.4 s after the last change, and at once by "Done", Esc or the close
// button, which also close the sheet.
class ChatterSheet : public QWidget {
    Q_OBJECT

public:
    struct Actions {
        std::function<void(const AnimationMapping &)> saveMapping;
        std::function<void(ChatterGenerator::WriteMode)> generate;
    };

    static constexpr int saveDelayMs = 400;

    // parent: the window the sheet covers.
    ChatterSheet(qint64 row, Actions actions, QWidget *parent);

    qint64 row() const { return m_row; }
    // The stored mapping; the editor follows it unless the user has unsaved changes.
    void setMapping(const AnimationMapping &mapping);
    void setState(bool canGenerate, bool busy);
    // Saves what is pending and closes the sheet.
    void finish();
    // Saves what is pending now, without waiting for the pause.
    void save();

signals:
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void updateCount();

    qint64 m_row;
    Actions m_actions;
    AnimationMapping m_mapping;
    QLabel *m_title = nullptr;
    Chip *m_count = nullptr;
    QPlainTextEdit *m_editor = nullptr;
    StyledButton *m_generate = nullptr;
    QTimer *m_saveTimer = nullptr;
};
