#include "askprompt/AskPromptView.h"

#include "askprompt/AskPromptModel.h"
#include "widgets/CaretBlinkTimeout.h"
#include "widgets/SymbolIcon.h"
#include "widgets/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
using SymbolIcon::Symbol;

QString css(const QColor &colour)
{
    return colour.name(QColor::HexArgb);
}

QLabel *label(const QString &text, const QColor &colour, int size, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setFont(Theme::font(size));
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, colour);
    l->setPalette(palette);
    return l;
}

QToolButton *roundButton(Symbol symbol, const QString &tip, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setIcon(SymbolIcon::icon(symbol, Theme::Ink::secondary));
    button->setIconSize({ 16, 16 });
    button->setFixedSize(28, 28);
    button->setToolTip(tip);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}
}

AskPromptView::AskPromptView(AskPromptModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
{
    setObjectName(QStringLiteral("askPromptView"));
    setStyleSheet(QStringLiteral("QToolButton { border: none; border-radius: 14px; background: %1; }"
                                 "QToolButton:hover { background: %2; }"
                                 "QLineEdit { border: none; background: transparent; }"
                                 "QPushButton#sendChip { border: none; border-radius: 14px; padding: 0 12px;"
                                 " background: %3; color: %4; font-weight: 600; }"
                                 "QPushButton#sendChip:hover { background: %5; }"
                                 "QPushButton#addKey { border: 1px solid %6; border-radius: 8px; padding: 2px 10px;"
                                 " background: %7; color: %8; }"
                                 "QProgressBar { border: none; border-radius: 3px; background: %6; }"
                                 "QProgressBar::chunk { border-radius: 3px; background: %3; }")
                      .arg(css(Theme::Surface::sidebar), css(Theme::Surface::cardBorder), css(Theme::Accent::base),
                          css(Theme::Accent::onAccent), css(Theme::Accent::hover), css(Theme::Surface::cardBorder),
                          css(Theme::Surface::card), css(Theme::Ink::primary)));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(Theme::Space::m, Theme::Space::m, Theme::Space::m, Theme::Space::m);
    column->setSpacing(Theme::Space::s);
    auto *row = new QHBoxLayout;
    row->setSpacing(Theme::Space::s);
    column->addLayout(row);

    m_badge = roundButton(Symbol::keyboard, QString(), this);
    m_badge->setObjectName(QStringLiteral("modeBadge"));
    connect(m_badge, &QToolButton::clicked, this, [this] { m_model.toggleMode(); });
    row->addWidget(m_badge);

    m_main = new QStackedWidget(this);
    auto *textPage = new QWidget(m_main);
    auto *textColumn = new QVBoxLayout(textPage);
    textColumn->setContentsMargins(0, 0, 0, 0);
    textColumn->setSpacing(0);
    m_field = new QLineEdit(textPage);
    m_field->setObjectName(QStringLiteral("askField"));
    m_field->setFont(Theme::font(Theme::TypeSize::body));
    m_field->setPlaceholderText(QStringLiteral("Ask Tamsel…"));
    m_field->setFrame(false);
    m_field->installEventFilter(this);
    // An open prompt left alone would otherwise repaint its caret twice a second until closed.
    new CaretBlinkTimeout(m_field);
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString &text) { m_model.setText(text); });
    connect(m_field, &QLineEdit::returnPressed, this, [this] { emit submitRequested(m_model.text()); });
    textColumn->addWidget(m_field);
    m_error = label(QString(), Theme::Status::error, Theme::TypeSize::caption, textPage);
    m_error->setObjectName(QStringLiteral("askError"));
    m_error->setWordWrap(true);
    textColumn->addWidget(m_error);
    m_main->addWidget(textPage);

    auto *recordingPage = new QWidget(m_main);
    auto *recordingRow = new QHBoxLayout(recordingPage);
    recordingRow->setContentsMargins(0, 0, 0, 0);
    m_meter = new QProgressBar(recordingPage);
    m_meter->setObjectName(QStringLiteral("levelMeter"));
    m_meter->setRange(0, 100);
    m_meter->setTextVisible(false);
    m_meter->setFixedSize(72, 6);
    recordingRow->addWidget(m_meter);
    recordingRow->addWidget(
        label(QStringLiteral("Pause when you're done"), Theme::Ink::secondary, Theme::TypeSize::body, recordingPage),
        1);
    m_main->addWidget(recordingPage);

    auto *transcribingPage = new QWidget(m_main);
    auto *transcribingRow = new QHBoxLayout(transcribingPage);
    transcribingRow->setContentsMargins(0, 0, 0, 0);
    auto *spinner = new QProgressBar(transcribingPage);
    spinner->setObjectName(QStringLiteral("transcribingSpinner"));
    spinner->setRange(0, 0);
    spinner->setTextVisible(false);
    spinner->setFixedSize(36, 6);
    transcribingRow->addWidget(spinner);
    transcribingRow->addWidget(
        label(QStringLiteral("Transcribing…"), Theme::Ink::secondary, Theme::TypeSize::body, transcribingPage), 1);
    m_main->addWidget(transcribingPage);
    row->addWidget(m_main, 1);

    m_action = new QStackedWidget(this);
    m_returnHint = label(QStringLiteral("⏎"), Theme::Ink::tertiary, Theme::TypeSize::cardTitle, m_action);
    m_returnHint->setObjectName(QStringLiteral("returnHint"));
    m_returnHint->setAlignment(Qt::AlignCenter);
    m_action->addWidget(m_returnHint);
    m_send = new QPushButton(
        SymbolIcon::drawn(Symbol::paperPlane, Theme::Accent::onAccent), QStringLiteral("Send"), m_action);
    m_send->setObjectName(QStringLiteral("sendChip"));
    m_send->setFixedHeight(28);
    m_send->setFocusPolicy(Qt::NoFocus);
    m_send->setCursor(Qt::PointingHandCursor);
    connect(m_send, &QPushButton::clicked, this, [this] { m_model.finishRecording(); });
    m_action->addWidget(m_send);
    m_action->addWidget(new QWidget(m_action));
    m_action->setFixedWidth(84);
    row->addWidget(m_action);

    m_close = roundButton(Symbol::close, QStringLiteral("Close (Esc)"), this);
    m_close->setObjectName(QStringLiteral("closeButton"));
    connect(m_close, &QToolButton::clicked, this, [this] {
        if (m_model.mode() == AskPromptModel::Mode::recording)
            m_model.cancelRecording();
        emit cancelRequested();
    });
    row->addWidget(m_close);

    m_keyNotice = new QWidget(this);
    m_keyNotice->setObjectName(QStringLiteral("keyNotice"));
    auto *notice = new QHBoxLayout(m_keyNotice);
    notice->setContentsMargins(Theme::Space::xs, 0, 0, 0);
    notice->setSpacing(Theme::Space::s);
    auto *keyIcon = new QLabel(m_keyNotice);
    keyIcon->setPixmap(SymbolIcon::icon(Symbol::key, Theme::Ink::secondary).pixmap(16, 16));
    notice->addWidget(keyIcon);
    notice->addWidget(
        label(QStringLiteral("Answers need a Groq API key"), Theme::Ink::secondary, Theme::TypeSize::body, m_keyNotice),
        1);
    auto *addKey
        = new QPushButton(SymbolIcon::icon(Symbol::key, Theme::Ink::primary), QStringLiteral("Add key"), m_keyNotice);
    addKey->setObjectName(QStringLiteral("addKey"));
    addKey->setFocusPolicy(Qt::NoFocus);
    addKey->setCursor(Qt::PointingHandCursor);
    connect(addKey, &QPushButton::clicked, this, &AskPromptView::openSettingsRequested);
    notice->addWidget(addKey);
    column->addWidget(m_keyNotice);
    m_keyNotice->hide();

    connect(&m_model, &AskPromptModel::changed, this, &AskPromptView::refresh);
    refresh();
}

void AskPromptView::setKeyNoticeVisible(bool visible)
{
    m_keyNotice->setVisible(visible);
}

void AskPromptView::refresh()
{
    using Mode = AskPromptModel::Mode;
    const Mode mode = m_model.mode();
    m_main->setCurrentIndex(static_cast<int>(mode));
    m_action->setCurrentIndex(static_cast<int>(mode));
    switch (mode) {
    case Mode::text:
        m_badge->setIcon(SymbolIcon::icon(Symbol::keyboard, Theme::Ink::secondary));
        m_badge->setToolTip(QStringLiteral("Switch to voice"));
        break;
    case Mode::recording:
        m_badge->setIcon(SymbolIcon::drawn(Symbol::microphone, Theme::Accent::base));
        m_badge->setToolTip(QStringLiteral("Switch to text"));
        break;
    case Mode::transcribing:
        m_badge->setIcon(SymbolIcon::icon(Symbol::waveform, Theme::Ink::secondary));
        m_badge->setToolTip(QStringLiteral("Transcribing…"));
        break;
    }
    if (m_field->text() != m_model.text())
        m_field->setText(m_model.text());
    m_error->setText(m_model.errorMessage().value_or(QString()));
    m_error->setVisible(m_model.errorMessage().has_value());
    m_meter->setValue(static_cast<int>(m_model.level() * 100.0 + 0.5));
    QPalette palette = m_returnHint->palette();
    palette.setColor(QPalette::WindowText, m_model.text().isEmpty() ? Theme::Ink::tertiary : Theme::Accent::base);
    m_returnHint->setPalette(palette);
    if (mode == Mode::text && isVisible())
        m_field->setFocus();
}

bool AskPromptView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        emit cancelRequested();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
