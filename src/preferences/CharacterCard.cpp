#include "preferences/CharacterCard.h"

#include "llm/PersonalityEnhancer.h"
#include "pets/SpriteSheetDecoder.h"
#include "preferences/DelayedAction.h"
#include "preferences/PreferencesHost.h"
#include "preferences/RowLabels.h"
#include "services/KeyStore.h"
#include "userdata/CharacterStore.h"
#include "widgets/ChoiceMenu.h"
#include "widgets/SecondaryButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/TextField.h"
#include "widgets/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
QLabel *inkLabel(const QString &text, int size, QFont::Weight weight, const QColor &ink)
{
    auto *label = Theme::label(text, size, weight, ink, nullptr);
    label->setWordWrap(true);
    return label;
}

// A label with an optional hint on the left and its control on the right, as in the cards.
QWidget *settingRow(const QString &label, const QString &hint, QWidget *control)
{
    auto *row = new QWidget;
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, Theme::Space::s, 0, Theme::Space::s);
    line->setSpacing(Theme::Space::m);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(inkLabel(label, Theme::TypeSize::body, QFont::Medium, Theme::Ink::primary));
    if (!hint.isEmpty())
        texts->addWidget(inkLabel(hint, Theme::TypeSize::caption, QFont::Normal, Theme::Ink::secondary));
    line->addLayout(texts, 1);
    line->addWidget(control, 0, Qt::AlignRight | Qt::AlignVCenter);
    return row;
}
}

CharacterCard::CharacterCard(PreferencesHost &host, QWidget *parent)
    : Card(QStringLiteral("Character"), SymbolIcon::icon(SymbolIcon::Symbol::person, Theme::Accent::base), parent)
    , m_host(host)
    , m_enhancer(host.groqClient() ? new PersonalityEnhancer(*host.groqClient(), host.settings(), this) : nullptr)
    , m_nameSave(new DelayedAction(
          host.clock(), textSaveDelayMs, [this] { saveName(); }, this))
    , m_personalitySave(new DelayedAction(
          host.clock(), textSaveDelayMs, [this] { savePersonality(); }, this))
{
    setObjectName(QStringLiteral("characterCard"));
    m_nameSave->setObjectName(QStringLiteral("characterNameSave"));
    m_personalitySave->setObjectName(QStringLiteral("characterPersonalitySave"));
    QLabel *caption = inkLabel(QStringLiteral("Drives generated chatter and Ask Tamsel replies."),
        Theme::TypeSize::caption, QFont::Normal, Theme::Ink::secondary);
    // Clear of the hairline under it.
    caption->setContentsMargins(0, 0, 0, Theme::Space::s);
    addWidget(caption);
    rebuild();
    connect(&host, &PreferencesHost::activePetChanged, this, &CharacterCard::rebuild);
    connect(&host.characterStore(), &CharacterStore::charactersChanged, this, &CharacterCard::refresh);
    if (KeyStore *keys = host.keyStore())
        connect(keys, &KeyStore::keyChanged, this, &CharacterCard::updateEnhanceButton);
}

void CharacterCard::rebuild()
{
    // Typing for the pet that is going away is saved for that pet.
    m_nameSave->cancel();
    m_personalitySave->cancel();
    if (m_name && m_petID)
        saveName();
    if (m_personality && m_petID)
        savePersonality();
    delete m_body;
    m_body = new QWidget;
    auto *column = new QVBoxLayout(m_body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    addWidget(m_body);
    m_petID = m_host.activePetID();
    if (!m_petID) {
        column->addWidget(inkLabel(QStringLiteral("Load a pet to give it a character."), Theme::TypeSize::body,
            QFont::Normal, Theme::Ink::secondary));
        return;
    }

    m_name = new TextField;
    m_name->setObjectName(QStringLiteral("characterNameField"));
    m_name->setAccessibleName(QStringLiteral("Name"));
    m_name->setPlaceholderText(QStringLiteral("e.g. Dewey, Tamsel, Bramble"));
    m_name->setMinimumWidth(220);
    connect(m_name, &QLineEdit::textEdited, m_nameSave, &DelayedAction::poke);
    column->addWidget(settingRow(QStringLiteral("Name"), QString(), m_name));

    QStringList tones;
    for (const PetCharacter::Tone tone : PetCharacter::allTones())
        tones.append(PetCharacter::displayTitle(tone));
    m_tone = new ChoiceMenu(tones);
    m_tone->setObjectName(QStringLiteral("characterToneMenu"));
    m_tone->setAccessibleName(QStringLiteral("Tone"));
    connect(m_tone, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0 || index >= PetCharacter::allTones().size() || !m_petID)
            return;
        PetCharacter character = m_host.characterStore().character(*m_petID);
        character.tone = PetCharacter::allTones().at(index);
        m_host.characterStore().setCharacter(*m_petID, character);
    });
    column->addWidget(settingRow(QStringLiteral("Tone"), QString(), m_tone));

    m_listening = new ChoiceMenu;
    m_listening->setObjectName(QStringLiteral("listeningRowMenu"));
    m_listening->setAccessibleName(QStringLiteral("When you're talking to it"));
    m_listeningChoices = { std::nullopt };
    m_listening->addItem(QStringLiteral("Don't change"));
    if (const std::shared_ptr<SpriteSheetDecoder> decoder = m_host.activeDecoder()) {
        for (const qint64 row : decoder->nonEmptyRows()) {
            m_listeningChoices.append(row);
            m_listening->addItem(RowLabels::longLabel(row, m_host.rowName(*m_petID, row)));
        }
    }
    connect(m_listening, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0 || index >= m_listeningChoices.size() || !m_petID)
            return;
        PetCharacter character = m_host.characterStore().character(*m_petID);
        character.listeningAnimationRow = m_listeningChoices.at(index);
        m_host.characterStore().setCharacter(*m_petID, character);
    });
    column->addWidget(settingRow(QStringLiteral("When you're talking to it"),
        QStringLiteral("Loop this animation while the Ask prompt is open."), m_listening));

    auto *personality = new QWidget;
    auto *personalityColumn = new QVBoxLayout(personality);
    personalityColumn->setContentsMargins(0, Theme::Space::s, 0, 0);
    personalityColumn->setSpacing(Theme::Space::s);
    personalityColumn->addWidget(
        inkLabel(QStringLiteral("Personality"), Theme::TypeSize::body, QFont::Medium, Theme::Ink::primary));
    m_personality = new QPlainTextEdit;
    m_personality->setObjectName(QStringLiteral("personalityEditor"));
    m_personality->setAccessibleName(QStringLiteral("Personality"));
    m_personality->setPlaceholderText(
        QStringLiteral("Describe the character — who they are, what they care about, how they speak."));
    m_personality->setFont(Theme::font(Theme::TypeSize::body));
    m_personality->setFixedHeight(96);
    m_personality->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: %1; border: 1px solid %2; border-radius: %3px; padding: 4px;"
                       " color: %4; }"
                       "QPlainTextEdit:focus { border-color: %5; }")
            .arg(Theme::Surface::card.name(), Theme::Surface::cardBorder.name())
            .arg(Theme::Radius::control)
            .arg(Theme::Ink::primary.name(), Theme::Accent::base.name())
        + Theme::scrollBarStyleSheet());
    connect(m_personality, &QPlainTextEdit::textChanged, this, [this] {
        // Text put in by refresh() is already stored.
        if (!m_personality->signalsBlocked())
            m_personalitySave->poke();
    });
    personalityColumn->addWidget(m_personality);
    auto *enhanceLine = new QHBoxLayout;
    m_enhance = new SecondaryButton(
        QStringLiteral("Enhance"), SymbolIcon::icon(SymbolIcon::Symbol::sparkles, Theme::Accent::base));
    m_enhance->setObjectName(QStringLiteral("enhanceButton"));
    connect(m_enhance, &QPushButton::clicked, this, [this] { enhance(); });
    enhanceLine->addWidget(m_enhance);
    enhanceLine->addStretch();
    personalityColumn->addLayout(enhanceLine);
    m_error = inkLabel(QString(), Theme::TypeSize::caption, QFont::Normal, Theme::Status::error);
    m_error->setObjectName(QStringLiteral("enhanceError"));
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    personalityColumn->addWidget(m_error);
    column->addWidget(personality);

    m_enhanceError.clear();
    refresh();
}

void CharacterCard::refresh()
{
    if (!m_petID || !m_name)
        return;
    const PetCharacter character = m_host.characterStore().character(*m_petID);
    if (!m_nameSave->isPending() && m_name->text() != character.name)
        m_name->setText(character.name);
    if (!m_personalitySave->isPending() && m_personality->toPlainText() != character.personality) {
        const QSignalBlocker quiet(m_personality);
        m_personality->setPlainText(character.personality);
    }
    {
        const QSignalBlocker quiet(m_tone);
        m_tone->setCurrentIndex(static_cast<int>(PetCharacter::allTones().indexOf(character.tone)));
    }
    {
        const QSignalBlocker quiet(m_listening);
        // A stored row the pet no longer has shows no entry rather than a wrong one.
        m_listening->setCurrentIndex(static_cast<int>(m_listeningChoices.indexOf(character.listeningAnimationRow)));
    }
    updateEnhanceButton();
}

void CharacterCard::updateEnhanceButton()
{
    if (!m_enhance)
        return;
    // Without a keyring or a client (a host that lends none) there is nothing to enhance with.
    const bool hasKey = m_enhancer && m_host.keyStore() && m_host.keyStore()->hasKey();
    m_enhance->setEnabled(hasKey && !m_enhancing);
    m_enhance->setText(m_enhancing ? QStringLiteral("Enhancing…") : QStringLiteral("Enhance"));
    m_enhance->setToolTip(hasKey ? QStringLiteral("Use Groq to expand your personality into a richer description.")
                                 : QStringLiteral("Add a Groq key in Advanced first."));
    m_error->setText(m_enhanceError);
    m_error->setVisible(!m_enhanceError.isEmpty());
}

void CharacterCard::saveName()
{
    PetCharacter character = m_host.characterStore().character(*m_petID);
    if (character.name == m_name->text())
        return;
    character.name = m_name->text();
    m_host.characterStore().setCharacter(*m_petID, character);
}

void CharacterCard::savePersonality()
{
    PetCharacter character = m_host.characterStore().character(*m_petID);
    if (character.personality == m_personality->toPlainText())
        return;
    character.personality = m_personality->toPlainText();
    m_host.characterStore().setCharacter(*m_petID, character);
}

QCoro::Task<> CharacterCard::enhance()
{
    if (m_enhancing || !m_petID)
        co_return;
    const QString petID = *m_petID;
    // What is typed counts as the sketch.
    if (m_personalitySave->isPending()) {
        m_personalitySave->cancel();
        savePersonality();
    }
    if (!m_enhancer)
        co_return;
    const PetCharacter character = m_host.characterStore().character(petID);
    m_enhancing = true;
    m_enhanceError.clear();
    updateEnhanceButton();
    QPointer<CharacterCard> self(this);
    auto task = m_enhancer->enhance(character.personality, character.name);
    const Result<QString, PersonalityEnhancer::EnhanceError> result = co_await std::move(task);
    if (!self)
        co_return;
    m_enhancing = false;
    if (result.ok() && result.value().isEmpty()) {
        // An empty answer would wipe the user's sketch.
        m_enhanceError = QStringLiteral("The model returned no description. Try again.");
    } else if (result.ok()) {
        PetCharacter latest = m_host.characterStore().character(petID);
        latest.personality = result.value();
        m_personalitySave->cancel();
        m_host.characterStore().setCharacter(petID, latest);
    } else {
        m_enhanceError = result.error().description();
    }
    updateEnhanceButton();
}
