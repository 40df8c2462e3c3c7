#include "preferences/AnimationsPane.h"

#include "foundation/TextTrim.h"
#include "pets/SpriteSheetDecoder.h"
#include "platform/AlertPresenter.h"
#include "preferences/AnimationRowCard.h"
#include "preferences/ChatterSheet.h"
#include "services/KeyStore.h"
#include "settings/SettingsStore.h"
#include "userdata/CharacterStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "widgets/Card.h"
#include "widgets/EmptyState.h"
#include "widgets/PrimaryButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/Theme.h"
#include "widgets/ToggleSwitch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {
using SymbolIcon::Symbol;
using WriteMode = ChatterGenerator::WriteMode;

constexpr int linesPerRow = 8;

QLabel *inkLabel(const QString &text, int size, QFont::Weight weight, const QColor &ink, QWidget *parent)
{
    auto *label = Theme::label(text, size, weight, ink, parent);
    label->setWordWrap(true);
    return label;
}
}

AnimationsPane::AnimationsPane(Context context, QWidget *parent)
    : QWidget(parent)
    , m_context(std::move(context))
{
    setObjectName(QStringLiteral("animationsPane"));
    if (!m_context.petID || !m_context.decoder) {
        buildEmptyState();
        return;
    }
    m_generator = new ChatterGenerator(m_context.client, m_context.settings, this);
    m_rows = m_context.decoder->nonEmptyRows();
    buildRows();
    connect(&m_context.maps, &PetAnimationMapStore::mapsChanged, this, &AnimationsPane::refresh);
    connect(&m_context.characters, &CharacterStore::charactersChanged, this, &AnimationsPane::refresh);
    connect(&m_context.keys, &KeyStore::keyChanged, this, &AnimationsPane::refresh);
    connect(&m_context.keys, &KeyStore::loaded, this, &AnimationsPane::refresh);
    refresh();
}

AnimationsPane::~AnimationsPane()
{
    // Closing the window keeps what was typed in the last half second; nothing here needs to
    // redraw any more.
    disconnect(&m_context.maps, nullptr, this, nullptr);
    for (AnimationRowCard *card : std::as_const(m_cards))
        card->flushPendingName();
    if (m_sheet) {
        m_sheet->save();
        // The sheet lives on the window, which may outlast the pane.
        delete m_sheet;
    }
}

void AnimationsPane::buildEmptyState()
{
    auto *column = new QVBoxLayout(this);
    column->addStretch();
    auto *empty = new EmptyState(SymbolIcon::icon(Symbol::stack, Theme::Ink::tertiary),
        QStringLiteral("Map your pet's animations"),
        QStringLiteral("Load a pet from the Pet tab to start naming its animations and giving it things to say."),
        this);
    empty->setObjectName(QStringLiteral("animationsEmptyState"));
    column->addWidget(empty);
    column->addStretch(2);
}

void AnimationsPane::buildRows()
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Theme::Space::xl, 0, Theme::Space::xl, Theme::Space::xl);
    column->setSpacing(Theme::Space::m);

    auto *intro = inkLabel(QStringLiteral("Name each animation and add lines the pet says when it plays. Names also "
                                          "show up in the menu and reminders."),
        Theme::TypeSize::body, QFont::Normal, Theme::Ink::secondary, this);
    intro->setObjectName(QStringLiteral("animationsIntro"));
    column->addWidget(intro);
    column->addWidget(buildGenerateBar());
    column->addWidget(buildMovementCard());

    m_errorBox = new Card(
        QStringLiteral("Couldn't generate chatter"), SymbolIcon::icon(Symbol::info, Theme::Status::error), this);
    m_errorBox->setObjectName(QStringLiteral("chatterErrorCard"));
    m_errorText = inkLabel(QString(), Theme::TypeSize::caption, QFont::Normal, Theme::Status::error, m_errorBox);
    m_errorText->setObjectName(QStringLiteral("chatterErrorText"));
    m_errorText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    static_cast<Card *>(m_errorBox)->addWidget(m_errorText);
    m_errorBox->hide();

    for (const qint64 row : std::as_const(m_rows)) {
        AnimationRowCard::Actions actions {
            [this, row](const AnimationMapping &mapping) { saveMapping(row, mapping); },
            [this, row](WriteMode mode) { runGenerateOne(row, mode); },
            [this, row] { openChatterSheet(row); },
        };
        auto *card = new AnimationRowCard(row, m_context.decoder, m_context.ticker, std::move(actions), this);
        m_cards.insert(row, card);
        column->addWidget(card);
    }
    column->addWidget(m_errorBox);
    column->addStretch();
}

QWidget *AnimationsPane::buildGenerateBar()
{
    auto *bar = new Card(
        QStringLiteral("Generate chatter with Groq"), SymbolIcon::icon(Symbol::sparkles, Theme::Accent::base), this);
    bar->setObjectName(QStringLiteral("generateBar"));
    auto *content = new QWidget(bar);
    auto *line = new QHBoxLayout(content);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(Theme::Space::m);
    m_gateHint = inkLabel(QString(), Theme::TypeSize::caption, QFont::Normal, Theme::Ink::secondary, content);
    m_gateHint->setObjectName(QStringLiteral("generateHint"));
    line->addWidget(m_gateHint, 1);
    m_gateAction = new PrimaryButton(QString(), QIcon(), content);
    m_gateAction->setObjectName(QStringLiteral("generateAction"));
    connect(m_gateAction, &QPushButton::clicked, this, [this] {
        if (m_gateTarget)
            m_gateTarget();
    });
    line->addWidget(m_gateAction);
    bar->addWidget(content);
    return bar;
}

QWidget *AnimationsPane::buildMovementCard()
{
    auto *card = new Card;
    card->setObjectName(QStringLiteral("movementCard"));
    auto *swap = new ToggleSwitch;
    swap->setObjectName(QStringLiteral("movementSwapSwitch"));
    swap->setAccessibleName(QStringLiteral("Swap left / right movement"));
    swap->setChecked(m_context.settings.isMovementInverted(*m_context.petID, m_context.bundledPetID));
    connect(swap, &ToggleSwitch::toggled, this, [this](bool on) {
        m_context.settings.setMovementInverted(*m_context.petID, on);
        if (m_context.applyMovementInversion)
            m_context.applyMovementInversion();
    });
    card->addRow(QStringLiteral("Swap left / right movement"),
        QStringLiteral("Enable if the pet runs the wrong way while strolling or being dragged."), swap);
    return card;
}

QString AnimationsPane::tag(qint64 row)
{
    return row == 0 ? QStringLiteral("DEFAULT · ROW 0") : QStringLiteral("ANIMATION ") + QString::number(row + 1);
}

QString AnimationsPane::displayName(qint64 row, const QString &name)
{
    const QString trimmed = TextTrim::spacesAndTabs(name);
    if (!trimmed.isEmpty())
        return trimmed;
    return row == 0 ? QStringLiteral("Default") : QStringLiteral("Animation ") + QString::number(row + 1);
}

QStringList AnimationsPane::parseChatter(const QString &text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r|\u2028|\u2029"));
    QStringList lines;
    for (const QString &piece : text.split(lineBreak)) {
        const QString line = TextTrim::spacesAndTabs(piece);
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

AnimationsPane::GenerateGate AnimationsPane::generateGate() const
{
    if (!m_context.keys.hasKey())
        return GenerateGate::NeedsKey;
    if (!m_context.petID || TextTrim::isBlank(m_context.characters.character(*m_context.petID).personality))
        return GenerateGate::NeedsPersona;
    for (const qint64 row : m_rows) {
        if (!TextTrim::isBlank(m_context.maps.mapping(*m_context.petID, row).name))
            return GenerateGate::Ready;
    }
    return GenerateGate::NeedsNames;
}

bool AnimationsPane::canGenerateRow(qint64 row) const
{
    return m_context.petID && m_context.keys.hasKey()
        && !TextTrim::isBlank(m_context.characters.character(*m_context.petID).personality)
        && !TextTrim::isBlank(m_context.maps.mapping(*m_context.petID, row).name);
}

std::optional<qint64> AnimationsPane::editingChatter() const
{
    // A closed sheet is deleted on the next turn of the event loop.
    return m_sheet && m_sheet->isVisible() ? std::optional<qint64>(m_sheet->row()) : std::nullopt;
}

bool AnimationsPane::isWriting(qint64 row) const
{
    // A batch writes only the rows that have a name.
    return m_rowBusy.contains(row)
        || (m_batchBusy && m_context.petID && !TextTrim::isBlank(m_context.maps.mapping(*m_context.petID, row).name));
}

void AnimationsPane::refresh()
{
    if (!m_context.petID)
        return;
    for (auto it = m_cards.begin(); it != m_cards.end(); ++it) {
        it.value()->setMapping(m_context.maps.mapping(*m_context.petID, it.key()));
        it.value()->setState(canGenerateRow(it.key()), isWriting(it.key()));
    }
    if (m_sheet) {
        const qint64 row = m_sheet->row();
        m_sheet->setMapping(m_context.maps.mapping(*m_context.petID, row));
        m_sheet->setState(canGenerateRow(row), isWriting(row));
    }
    refreshGate();
}

void AnimationsPane::refreshGate()
{
    const GenerateGate gate = generateGate();
    m_gateAction->setEnabled(true);
    switch (gate) {
    case GenerateGate::NeedsKey:
        m_gateHint->setText(QStringLiteral("Chatter lines are written by Groq."));
        m_gateAction->setText(QStringLiteral("Add Groq key"));
        m_gateAction->setIcon(SymbolIcon::icon(Symbol::key, Theme::Accent::onAccent));
        m_gateTarget = [this] { m_context.navigate(PreferencesSection::Advanced); };
        break;
    case GenerateGate::NeedsPersona:
        m_gateHint->setText(QStringLiteral("Tamsel needs a personality to write from."));
        m_gateAction->setText(QStringLiteral("Set personality"));
        m_gateAction->setIcon(SymbolIcon::icon(Symbol::wand, Theme::Accent::onAccent));
        m_gateTarget = [this] { m_context.navigate(PreferencesSection::Behavior); };
        break;
    case GenerateGate::NeedsNames:
    case GenerateGate::Ready: {
        qsizetype named = 0;
        for (const qint64 row : std::as_const(m_rows))
            named += TextTrim::isBlank(m_context.maps.mapping(*m_context.petID, row).name) ? 0 : 1;
        m_gateHint->setText(QString::number(named) + QStringLiteral(" of ") + QString::number(m_rows.size())
            + QStringLiteral(" animations named · covers every named row"));
        m_gateAction->setText(m_batchBusy ? QStringLiteral("Generating…") : QStringLiteral("Generate all"));
        m_gateAction->setIcon(SymbolIcon::icon(Symbol::sparkles, Theme::Accent::onAccent));
        m_gateAction->setEnabled(gate == GenerateGate::Ready && !m_batchBusy);
        m_gateTarget = [this] { confirmGenerateAll(); };
        break;
    }
    }
    m_gateAction->updateGeometry();
}

void AnimationsPane::confirmGenerateAll()
{
    AlertPresenter::Alert alert;
    alert.style = AlertPresenter::Style::Informational;
    alert.title = QStringLiteral("Replace all chatter for named animations?");
    alert.informativeText = QStringLiteral("This makes one Groq call covering every named animation. Replace "
                                           "overwrites existing chat lines; Append keeps them and adds more.");
    alert.buttons
        = { QStringLiteral("Generate (replace)"), QStringLiteral("Generate (append)"), QStringLiteral("Cancel") };
    QPointer<AnimationsPane> self(this);
    const int answer = m_context.alerts.present(alert);
    if (!self || m_batchBusy)
        return;
    if (answer == 0)
        runGenerateAll(WriteMode::Replace);
    else if (answer == 1)
        runGenerateAll(WriteMode::Append);
}

void AnimationsPane::openChatterSheet(qint64 row)
{
    if (!m_context.petID)
        return;
    if (m_sheet)
        m_sheet->finish();
    ChatterSheet::Actions actions {
        [this, row](const AnimationMapping &mapping) { saveMapping(row, mapping); },
        [this, row](WriteMode mode) { runGenerateOne(row, mode); },
    };
    m_sheet = new ChatterSheet(row, std::move(actions), window());
    m_sheet->setMapping(m_context.maps.mapping(*m_context.petID, row));
    m_sheet->setState(canGenerateRow(row), isWriting(row));
    m_sheet->show();
    m_sheet->raise();
    m_sheet->setFocus(Qt::OtherFocusReason);
}

void AnimationsPane::saveMapping(qint64 row, const AnimationMapping &mapping)
{
    if (m_context.petID)
        m_context.maps.setMapping(*m_context.petID, row, mapping);
}

void AnimationsPane::setError(const QString &message)
{
    m_errorText->setText(message);
    m_errorBox->setVisible(!message.isEmpty());
}

void AnimationsPane::runGenerateAll(WriteMode mode)
{
    if (m_batchBusy || !m_context.petID)
        return;
    generateAll(mode);
}

void AnimationsPane::runGenerateOne(qint64 row, WriteMode mode)
{
    if (m_rowBusy.contains(row) || !m_context.petID)
        return;
    generateOne(row, mode);
}

QCoro::Task<> AnimationsPane::generateAll(WriteMode mode)
{
    QPointer<AnimationsPane> self(this);
    m_batchBusy = true;
    setError(QString());
    refresh();
    auto task = m_generator->generateAll(
        *m_context.petID, m_context.maps, m_context.characters, m_context.decoder, linesPerRow, mode);
    const auto result = co_await std::move(task);
    if (!self)
        co_return;
    if (!result.ok())
        setError(result.error().description());
    m_batchBusy = false;
    refresh();
}

QCoro::Task<> AnimationsPane::generateOne(qint64 row, WriteMode mode)
{
    QPointer<AnimationsPane> self(this);
    m_rowBusy.insert(row);
    setError(QString());
    refresh();
    auto task = m_generator->generateRow(*m_context.petID, row, m_context.maps, m_context.characters, mode);
    const auto result = co_await std::move(task);
    if (!self)
        co_return;
    if (!result.ok())
        setError(result.error().description());
    m_rowBusy.remove(row);
    refresh();
}
