#include "preferences/ChatterSheet.h"

#include "preferences/AnimationsPane.h"
#include "widgets/Chip.h"
#include "widgets/PrimaryButton.h"
#include "widgets/SecondaryButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {
using SymbolIcon::Symbol;

constexpr int panelWidth = 460;

QLabel *inkLabel(const QString &text, int size, QFont::Weight weight, const QColor &ink, QWidget *parent)
{
    auto *label = Theme::label(text, size, weight, ink, parent);
    return label;
}

// The white rounded panel in the middle of the sheet.
class SheetPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(
            QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), Theme::Radius::window, Theme::Radius::window);
        p.fillPath(path, Theme::Surface::card);
        p.setPen(Theme::Surface::cardBorder);
        p.drawPath(path);
    }
};
}

ChatterSheet::ChatterSheet(qint64 row, Actions actions, QWidget *parent)
    : QWidget(parent)
    , m_row(row)
    , m_actions(std::move(actions))
{
    setObjectName(QStringLiteral("chatterSheet"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The sheet covers the whole window and follows its size.
    setGeometry(parent->rect());
    parent->installEventFilter(this);

    auto *panel = new SheetPanel(this);
    panel->setFixedWidth(panelWidth);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(Theme::Space::l, Theme::Space::l, Theme::Space::l, Theme::Space::l);
    column->setSpacing(Theme::Space::m);

    auto *header = new QHBoxLayout;
    m_title = inkLabel(QString(), Theme::TypeSize::cardTitle, QFont::DemiBold, Theme::Ink::primary, panel);
    m_title->setObjectName(QStringLiteral("chatterSheetTitle"));
    header->addWidget(m_title, 1);
    auto *close = new SecondaryButton(QString(), SymbolIcon::icon(Symbol::close, Theme::Ink::secondary), panel);
    close->setObjectName(QStringLiteral("chatterSheetClose"));
    close->setToolTip(QStringLiteral("Close (Esc)"));
    close->setAccessibleName(QStringLiteral("Close"));
    connect(close, &QPushButton::clicked, this, &ChatterSheet::finish);
    header->addWidget(close);
    column->addLayout(header);

    auto *heading = new QHBoxLayout;
    heading->setSpacing(Theme::Space::s);
    heading->addWidget(
        inkLabel(QStringLiteral("Chat lines"), Theme::TypeSize::body, QFont::DemiBold, Theme::Ink::primary, panel));
    m_count = new Chip(QString(), Theme::Status::busy, panel);
    m_count->setObjectName(QStringLiteral("chatterLineCount"));
    heading->addWidget(m_count);
    heading->addStretch();
    column->addLayout(heading);

    m_editor = new QPlainTextEdit(panel);
    m_editor->setObjectName(QStringLiteral("chatterEditor"));
    m_editor->setFont(Theme::font(Theme::TypeSize::body));
    m_editor->setMinimumHeight(220);
    m_editor->setStyleSheet(QStringLiteral("QPlainTextEdit { background: %1; border: 1px solid %2; border-radius: %3px;"
                                           " padding: 6px; color: %4; }"
                                           "QPlainTextEdit:focus { border-color: %5; }")
                                .arg(Theme::Surface::card.name(), Theme::Surface::cardBorder.name())
                                .arg(Theme::Radius::control)
                                .arg(Theme::Ink::primary.name(), Theme::Accent::base.name())
        + Theme::scrollBarStyleSheet());
    column->addWidget(m_editor, 1);
    // The sheet opens to write in; Esc still reaches the sheet, the editor has no use for it.
    setFocusProxy(m_editor);
    auto *note = inkLabel(QStringLiteral("One line per row · the pet picks one at random when this animation plays."),
        Theme::TypeSize::caption, QFont::Normal, Theme::Ink::secondary, panel);
    note->setWordWrap(true);
    column->addWidget(note);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(Theme::Space::s);
    m_generate = new SecondaryButton(
        QStringLiteral("Generate with Groq"), SymbolIcon::icon(Symbol::sparkles, Theme::Accent::base), panel);
    m_generate->setObjectName(QStringLiteral("chatterGenerateButton"));
    auto *menu = new QMenu(m_generate);
    Theme::applyLightPalette(menu);
    menu->setObjectName(QStringLiteral("chatterGenerateMenu"));
    menu->addAction(QStringLiteral("Replace existing lines"), this, [this] {
        save();
        m_actions.generate(ChatterGenerator::WriteMode::Replace);
    });
    menu->addAction(QStringLiteral("Append to existing lines"), this, [this] {
        save();
        m_actions.generate(ChatterGenerator::WriteMode::Append);
    });
    m_generate->setMenu(menu);
    buttons->addWidget(m_generate);
    auto *clear = new SecondaryButton(QStringLiteral("Clear"), QIcon(), panel);
    clear->setObjectName(QStringLiteral("chatterClearButton"));
    connect(clear, &QPushButton::clicked, m_editor, &QPlainTextEdit::clear);
    buttons->addWidget(clear);
    buttons->addStretch();
    auto *done = new PrimaryButton(QStringLiteral("Done"), QIcon(), panel);
    done->setObjectName(QStringLiteral("chatterDoneButton"));
    connect(done, &QPushButton::clicked, this, &ChatterSheet::finish);
    buttons->addWidget(done);
    column->addLayout(buttons);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(Theme::Space::xl, Theme::Space::xl, Theme::Space::xl, Theme::Space::xl);
    outer->addWidget(panel, 0, Qt::AlignCenter);

    m_saveTimer = new QTimer(this);
    m_saveTimer->setObjectName(QStringLiteral("chatterSaveTimer"));
    m_saveTimer->setSingleShot(true);
    m_saveTimer->setInterval(saveDelayMs);
    connect(m_saveTimer, &QTimer::timeout, this, &ChatterSheet::save);
    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] {
        updateCount();
        m_saveTimer->start();
    });
}

void ChatterSheet::setMapping(const AnimationMapping &mapping)
{
    m_mapping = mapping;
    m_title->setText(AnimationsPane::displayName(m_row, mapping.name));
    // What the user is typing wins over what arrives from the store until it is saved.
    if (!m_saveTimer->isActive() && AnimationsPane::parseChatter(m_editor->toPlainText()) != mapping.chatter) {
        const QSignalBlocker quiet(m_editor);
        m_editor->setPlainText(mapping.chatter.join(QLatin1Char('\n')));
    }
    updateCount();
}

void ChatterSheet::setState(bool canGenerate, bool busy)
{
    m_generate->setText(busy ? QStringLiteral("Generating…") : QStringLiteral("Generate with Groq"));
    m_generate->setEnabled(canGenerate && !busy);
    m_generate->updateGeometry();
}

void ChatterSheet::finish()
{
    save();
    emit closed();
    close();
}

void ChatterSheet::save()
{
    m_saveTimer->stop();
    const QStringList lines = AnimationsPane::parseChatter(m_editor->toPlainText());
    if (lines != m_mapping.chatter)
        m_actions.saveMapping({ m_mapping.name, lines });
}

void ChatterSheet::updateCount()
{
    const auto lines = AnimationsPane::parseChatter(m_editor->toPlainText()).size();
    m_count->setText(QString::number(lines) + (lines == 1 ? QStringLiteral(" line") : QStringLiteral(" lines")));
}

bool ChatterSheet::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void ChatterSheet::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        finish();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ChatterSheet::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0, 60));
}
