#pragma once

#include "llm/ChatterGenerator.h"
#include "preferences/PreferencesSection.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class AlertPresenter;
class AnimationRowCard;
class AnimationTicker;
class CharacterStore;
class ChatterSheet;
class GroqClient;
class KeyStore;
class PetAnimationMapStore;
class QLabel;
class QVBoxLayout;
class SettingsStore;
class SpriteSheetDecoder;
class StyledButton;
class ToggleSwitch;
struct AnimationMapping;

// The Animations pane: a card per atlas row of the pet on screen where the user names the row and
// writes (or has Groq write) what the pet says while it plays, the bar that generates chatter for
// every named row, and the switch that swaps the walking rows. Everything it edits lives in the
// animation map store; it redraws whenever the store changes.
class AnimationsPane : public QWidget {
    Q_OBJECT

public:
    // What the pane works on, lent by the preferences window.
    struct Context {
        SettingsStore &settings;
        KeyStore &keys;
        GroqClient &client;
        AlertPresenter &alerts;
        PetAnimationMapStore &maps;
        CharacterStore &characters;
        std::optional<QString> petID;
        std::shared_ptr<SpriteSheetDecoder> decoder;
        QString bundledPetID;
        // Shows another section of the preferences.
        std::function<void(PreferencesSection)> navigate;
        // The pet on screen re-reads which rows walk left and right.
        std::function<void()> applyMovementInversion;
        // The previews' clock; the shared one when null.
        AnimationTicker *ticker = nullptr;
    };

    // In the order they are checked: the first that applies wins.
    enum class GenerateGate { Ready, NeedsKey, NeedsPersona, NeedsNames };

    explicit AnimationsPane(Context context, QWidget *parent = nullptr);
    ~AnimationsPane() override;

    GenerateGate generateGate() const;
    bool canGenerateRow(qint64 row) const;
    bool isBatchBusy() const { return m_batchBusy; }
    // The row whose chatter sheet is open.
    std::optional<qint64> editingChatter() const;

    void openChatterSheet(qint64 row);
    void runGenerateAll(ChatterGenerator::WriteMode mode);
    void runGenerateOne(qint64 row, ChatterGenerator::WriteMode mode);

    // "DEFAULT · ROW 0", "ANIMATION 2", ...
    static QString tag(qint64 row);
    // The trimmed name, else "Default" or "Animation <r + 1>".
    static QString displayName(qint64 row, const QString &name);
    // One line per line break, each trimmed of spaces and tabs; blank lines dropped.
    static QStringList parseChatter(const QString &text);

private:
    void buildEmptyState();
    void buildRows();
    QWidget *buildGenerateBar();
    QWidget *buildMovementCard();
    void refresh();
    bool isWriting(qint64 row) const;
    void refreshGate();
    void confirmGenerateAll();
    void saveMapping(qint64 row, const AnimationMapping &mapping);
    void setError(const QString &message);
    QCoro::Task<> generateAll(ChatterGenerator::WriteMode mode);
    QCoro::Task<> generateOne(qint64 row, ChatterGenerator::WriteMode mode);

    Context m_context;
    ChatterGenerator *m_generator = nullptr;
    QList<qint64> m_rows;
    QHash<qint64, AnimationRowCard *> m_cards;
    QSet<qint64> m_rowBusy;
    bool m_batchBusy = false;
    QPointer<ChatterSheet> m_sheet;
    QLabel *m_gateHint = nullptr;
    StyledButton *m_gateAction = nullptr;
    std::function<void()> m_gateTarget;
    QWidget *m_errorBox = nullptr;
    QLabel *m_errorText = nullptr;
};
