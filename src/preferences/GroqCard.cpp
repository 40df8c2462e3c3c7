#include "preferences/GroqCard.h"

#include "preferences/GroqCardModel.h"
#include "widgets/Chip.h"
#include "widgets/ChoiceMenu.h"
#include "widgets/PrimaryButton.h"
#include "widgets/SecondaryButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/TextField.h"
#include "widgets/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
QLabel *textLabel(const QString &text, int size, QFont::Weight weight, const QColor &ink, QWidget *parent)
{
    auto *label = Theme::label(text, size, weight, ink, parent);
    return label;
}

QLabel *hintLabel(QWidget *parent)
{
    QLabel *label = textLabel({}, Theme::TypeSize::caption, QFont::Normal, Theme::Ink::secondary, parent);
    label->setWordWrap(true);
    return label;
}

void setInk(QLabel *label, const QColor &ink)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ink);
    label->setPalette(palette);
}

// One section of the card: its title line (title, then whatever sits at its right), then lines
// under it, 8 apart.
QVBoxLayout *section(QWidget *body, const QString &title, QHBoxLayout **titleLine)
{
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(0, Theme::Space::m, 0, Theme::Space::m);
    column->setSpacing(Theme::Space::s);
    auto *line = new QHBoxLayout;
    line->setSpacing(Theme::Space::s);
    line->addWidget(textLabel(title, Theme::TypeSize::body, QFont::Medium, Theme::Ink::primary, body));
    column->addLayout(line);
    *titleLine = line;
    return column;
}
}

GroqCard::GroqCard(KeyStore &keys, SettingsStore &settings, GroqClient &client, AlertPresenter &alerts, QWidget *parent)
    : Card(QStringLiteral("Groq · BYOK"), SymbolIcon::icon(SymbolIcon::Symbol::key, Theme::Accent::base), parent)
    , m_model(new GroqCardModel(keys, settings, client, this))
    , m_alerts(alerts)
{
    setObjectName(QStringLiteral("groqCard"));

    // API key.
    auto *keyBody = new QWidget;
    QHBoxLayout *keyTitle = nullptr;
    QVBoxLayout *keyColumn = section(keyBody, QStringLiteral("API key"), &keyTitle);
    m_keyChip = new Chip(QString(), Theme::Status::ok, keyBody);
    m_keyChip->setObjectName(QStringLiteral("groqKeyChip"));
    keyTitle->addWidget(m_keyChip);
    keyTitle->addStretch();

    auto *entry = new QHBoxLayout;
    entry->setSpacing(Theme::Space::s);
    m_keyField = new TextField(keyBody);
    m_keyField->setObjectName(QStringLiteral("groqKeyField"));
    m_keyField->setEchoMode(QLineEdit::Password);
    m_keyField->setAccessibleName(QStringLiteral("Groq API key"));
    m_saveButton = new PrimaryButton(QStringLiteral("Save"), {}, keyBody);
    m_saveButton->setObjectName(QStringLiteral("groqSaveButton"));
    entry->addWidget(m_keyField, 1);
    entry->addWidget(m_saveButton);
    keyColumn->addLayout(entry);

    m_keyOnFileLine = new QWidget(keyBody);
    auto *onFile = new QHBoxLayout(m_keyOnFileLine);
    onFile->setContentsMargins(0, 0, 0, 0);
    onFile->setSpacing(Theme::Space::xs + 2);
    auto *lock = new QLabel(m_keyOnFileLine);
    lock->setPixmap(SymbolIcon::icon(SymbolIcon::Symbol::lock, Theme::Ink::secondary).pixmap(16, 16));
    m_keyOnFile = textLabel({}, Theme::TypeSize::caption, QFont::Normal, Theme::Ink::secondary, m_keyOnFileLine);
    m_keyOnFile->setObjectName(QStringLiteral("groqKeyOnFile"));
    m_clearButton = new SecondaryButton(QStringLiteral("Clear"), {}, m_keyOnFileLine);
    m_clearButton->setObjectName(QStringLiteral("groqClearButton"));
    onFile->addWidget(lock);
    onFile->addWidget(m_keyOnFile, 1);
    onFile->addWidget(m_clearButton);
    keyColumn->addWidget(m_keyOnFileLine);

    m_keyringAdvice = hintLabel(keyBody);
    m_keyringAdvice->setObjectName(QStringLiteral("groqKeyringAdvice"));
    keyColumn->addWidget(m_keyringAdvice);
    addWidget(keyBody);

    // Model.
    auto *modelBody = new QWidget;
    QHBoxLayout *modelTitle = nullptr;
    QVBoxLayout *modelColumn = section(modelBody, QStringLiteral("Model"), &modelTitle);
    m_modelMenu = new ChoiceMenu({}, modelBody);
    m_modelMenu->setObjectName(QStringLiteral("groqModelMenu"));
    m_modelMenu->setAccessibleName(QStringLiteral("Model"));
    modelTitle->addStretch();
    modelTitle->addWidget(m_modelMenu);
    m_modelHint = hintLabel(modelBody);
    m_modelHint->setObjectName(QStringLiteral("groqModelHint"));
    modelColumn->addWidget(m_modelHint);
    addWidget(modelBody);

    // Connection.
    auto *testBody = new QWidget;
    QHBoxLayout *testTitle = nullptr;
    QVBoxLayout *testColumn = section(testBody, QStringLiteral("Connection"), &testTitle);
    m_statusPill = new Chip(QString(), Theme::Status::busy, testBody);
    m_statusPill->setObjectName(QStringLiteral("groqStatusPill"));
    auto *testButton = new SecondaryButton(
        QStringLiteral("Test"), SymbolIcon::icon(SymbolIcon::Symbol::refresh, Theme::Ink::primary), testBody);
    testButton->setObjectName(QStringLiteral("groqTestButton"));
    testTitle->addWidget(m_statusPill);
    testTitle->addStretch();
    testTitle->addWidget(testButton);
    m_statusHint = hintLabel(testBody);
    m_statusHint->setObjectName(QStringLiteral("groqStatusHint"));
    testColumn->addWidget(m_statusHint);
    addWidget(testBody);

    GroqCardModel *model = m_model;
    connect(m_keyField, &QLineEdit::textEdited, this, [model](const QString &text) { model->setKeyDraft(text); });
    connect(m_keyField, &QLineEdit::returnPressed, this, [model] { model->saveKey(); });
    connect(m_saveButton, &QPushButton::clicked, this, [model] { model->saveKey(); });
    connect(m_clearButton, &QPushButton::clicked, this, [this] { m_model->confirmAndClear(m_alerts); });
    connect(m_modelMenu, &QComboBox::activated, this,
        [this](int index) { m_model->chooseModel(m_modelMenu->itemText(index)); });
    connect(testButton, &QPushButton::clicked, this, [model] { model->testConnection(); });
    connect(m_model, &GroqCardModel::changed, this, &GroqCard::refresh);
    refresh();
}

void GroqCard::showEvent(QShowEvent *event)
{
    Card::showEvent(event);
    if (m_refreshedModels)
        return;
    m_refreshedModels = true;
    m_model->refreshModels();
}

void GroqCard::refresh()
{
    const bool hasKey = m_model->hasKey();
    m_keyChip->setText(m_model->chipText());
    m_keyChip->setColour(hasKey ? Theme::Status::ok : Theme::Ink::tertiary);
    m_keyField->setPlaceholderText(m_model->keyPlaceholder());
    if (m_keyField->text() != m_model->keyDraft())
        m_keyField->setText(m_model->keyDraft());
    m_saveButton->setText(m_model->saveButtonText());
    m_saveButton->updateGeometry();
    m_keyOnFileLine->setVisible(hasKey);
    m_keyOnFile->setText(m_model->keyOnFileText());
    m_clearButton->setEnabled(m_model->canClear());
    m_clearButton->setToolTip(
        m_model->canClear() ? QString() : QStringLiteral("This key comes from GROQ_API_KEY; unset it there."));
    m_keyringAdvice->setText(m_model->keyringAdvice());
    m_keyringAdvice->setVisible(!m_keyringAdvice->text().isEmpty());

    {
        const QSignalBlocker blocker(m_modelMenu);
        const QStringList choices = m_model->modelChoices();
        bool same = m_modelMenu->count() == choices.size();
        for (int i = 0; same && i < choices.size(); ++i)
            same = m_modelMenu->itemText(i) == choices.at(i);
        if (!same) {
            m_modelMenu->clear();
            m_modelMenu->addItems(choices);
        }
        m_modelMenu->setCurrentIndex(static_cast<int>(choices.indexOf(m_model->model())));
        m_modelMenu->updateGeometry();
    }
    m_modelHint->setText(m_model->modelHint());
    m_modelHint->setVisible(!m_modelHint->text().isEmpty());

    const GroqCardModel::Status status = m_model->status();
    m_statusPill->setText(m_model->pillText());
    m_statusPill->setVisible(status != GroqCardModel::Status::Idle);
    m_statusPill->setColour(status == GroqCardModel::Status::Ok ? Theme::Status::ok
            : status == GroqCardModel::Status::Error            ? Theme::Status::error
                                                                : Theme::Status::busy);
    m_statusHint->setText(m_model->statusHint());
    setInk(m_statusHint, status == GroqCardModel::Status::Error ? Theme::Status::error : Theme::Ink::secondary);
}
