#include "preferences/AnimationRowCard.h"

#include "foundation/TextTrim.h"
#include "pets/SpriteSheetDecoder.h"
#include "petwindow/AnimationPreviewView.h"
#include "preferences/AnimationsPane.h"
#include "widgets/Chip.h"
#include "widgets/SecondaryButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/TextField.h"
#include "widgets/Theme.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
using SymbolIcon::Symbol;

constexpr int previewSize = 64;
constexpr int firstLineLength = 44;

QLabel *captionLabel(QWidget *parent, const QColor &ink)
{
    auto *label = new QLabel(parent);
    label->setFont(Theme::font(Theme::TypeSize::caption));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ink);
    label->setPalette(palette);
    return label;
}

// Lets a chip be clicked like a button.
class ClickFilter : public QObject {
public:
    ClickFilter(QObject *parent, std::function<void()> onClick)
        : QObject(parent)
        , m_onClick(std::move(onClick))
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonRelease
            && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            m_onClick();
            return true;
        }
        return false;
    }

private:
    std::function<void()> m_onClick;
};
}

AnimationRowCard::AnimationRowCard(qint64 row, std::shared_ptr<const SpriteSheetDecoder> decoder,
    AnimationTicker *ticker, Actions actions, QWidget *parent)
    : Card(QString(), QIcon(), parent)
    , m_row(row)
    , m_actions(std::move(actions))
{
    setObjectName(QStringLiteral("animationRowCard%1").arg(row));
    auto *content = new QWidget(this);
    auto *line = new QHBoxLayout(content);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(Theme::Space::m);

    m_preview = new AnimationPreviewView(content, ticker);
    m_preview->setObjectName(QStringLiteral("rowPreview"));
    m_preview->setFixedSize(previewSize, previewSize);
    m_preview->configure(std::move(decoder), row);
    line->addWidget(m_preview, 0, Qt::AlignTop);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(Theme::Space::xs);
    auto *tagLabel = captionLabel(content, Theme::Ink::tertiary);
    tagLabel->setObjectName(QStringLiteral("rowTag"));
    tagLabel->setFont(Theme::font(Theme::TypeSize::caption, QFont::DemiBold));
    tagLabel->setText(AnimationsPane::tag(row));
    texts->addWidget(tagLabel);

    m_name = new TextField(content);
    m_name->setObjectName(QStringLiteral("rowNameField"));
    m_name->setPlaceholderText(QStringLiteral("Name this animation…"));
    m_name->setAccessibleName(AnimationsPane::tag(row));
    texts->addWidget(m_name);

    auto *detailLine = new QHBoxLayout;
    detailLine->setSpacing(Theme::Space::xs);
    m_details = captionLabel(content, Theme::Ink::secondary);
    m_details->setObjectName(QStringLiteral("rowDetails"));
    m_details->setTextFormat(Qt::PlainText);
    m_details->setMinimumWidth(1);
    detailLine->addWidget(m_details);
    m_addLines = new QPushButton(QStringLiteral("Add chat lines"), content);
    m_addLines->setObjectName(QStringLiteral("addChatLinesLink"));
    m_addLines->setIcon(SymbolIcon::icon(Symbol::plusCircle, Theme::Accent::base));
    m_addLines->setFlat(true);
    m_addLines->setCursor(Qt::PointingHandCursor);
    m_addLines->setFont(Theme::font(Theme::TypeSize::caption, QFont::Medium));
    m_addLines->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; padding: 0; text-align: left; }")
                                  .arg(Theme::Accent::base.name()));
    connect(m_addLines, &QPushButton::clicked, this, [this] { m_actions.editChatter(); });
    detailLine->addWidget(m_addLines);
    detailLine->addStretch();
    texts->addLayout(detailLine);
    line->addLayout(texts, 1);

    m_status = new Chip(QString(), Theme::Status::busy, content);
    m_status->setObjectName(QStringLiteral("rowStatusChip"));
    m_status->setToolTip(QStringLiteral("Edit chat lines for this animation"));
    m_status->setCursor(Qt::PointingHandCursor);
    m_status->installEventFilter(new ClickFilter(m_status, [this] { m_actions.editChatter(); }));
    line->addWidget(m_status, 0, Qt::AlignTop);

    auto *more = new SecondaryButton(QString(), SymbolIcon::icon(Symbol::ellipsis, Theme::Ink::secondary), content);
    more->setObjectName(QStringLiteral("rowActionsButton"));
    more->setToolTip(QStringLiteral("Edit chat lines, generate with Groq, or clear them."));
    more->setAccessibleName(QStringLiteral("Actions"));
    auto *menu = new QMenu(more);
    Theme::applyLightPalette(menu);
    menu->setObjectName(QStringLiteral("rowActionsMenu"));
    menu->setToolTipsVisible(true);
    menu->addAction(SymbolIcon::icon(Symbol::textAlignLeft, Theme::Ink::secondary), QStringLiteral("Edit chat lines…"),
        this, [this] { m_actions.editChatter(); });
    m_replace = menu->addAction(SymbolIcon::icon(Symbol::sparkles, Theme::Ink::secondary),
        QStringLiteral("Replace chat lines"), this,
        [this] { m_actions.generate(ChatterGenerator::WriteMode::Replace); });
    m_append = menu->addAction(SymbolIcon::icon(Symbol::plusCircle, Theme::Ink::secondary),
        QStringLiteral("Append chat lines"), this, [this] { m_actions.generate(ChatterGenerator::WriteMode::Append); });
    menu->addAction(
        SymbolIcon::icon(Symbol::trash, Theme::Ink::secondary), QStringLiteral("Clear chat lines"), this, [this] {
            m_actions.saveMapping({ m_mapping.name, {} });
        });
    more->setMenu(menu);
    line->addWidget(more, 0, Qt::AlignTop);
    addWidget(content);

    m_nameSave = new QTimer(this);
    m_nameSave->setObjectName(QStringLiteral("nameSaveTimer"));
    m_nameSave->setSingleShot(true);
    m_nameSave->setInterval(nameSaveDelayMs);
    connect(m_nameSave, &QTimer::timeout, this, &AnimationRowCard::saveName);
    // Every keystroke starts the wait again.
    connect(m_name, &QLineEdit::textEdited, m_nameSave, qOverload<>(&QTimer::start));
    m_name->installEventFilter(this);
    updateTexts();
}

void AnimationRowCard::setMapping(const AnimationMapping &mapping)
{
    m_mapping = mapping;
    if (!m_nameSave->isActive() && !m_name->hasFocus() && m_name->text() != mapping.name)
        m_name->setText(mapping.name);
    updateTexts();
}

void AnimationRowCard::setState(bool canGenerate, bool busy)
{
    m_canGenerate = canGenerate;
    m_busy = busy;
    updateTexts();
}

QString AnimationRowCard::statusText(const AnimationMapping &mapping)
{
    if (TextTrim::isBlank(mapping.name))
        return QStringLiteral("Unnamed");
    const qsizetype lines = mapping.chatter.size();
    if (lines == 0)
        return QStringLiteral("Silent");
    return QString::number(lines) + (lines == 1 ? QStringLiteral(" line") : QStringLiteral(" lines"));
}

void AnimationRowCard::flushPendingName()
{
    if (m_nameSave->isActive()) {
        m_nameSave->stop();
        saveName();
    }
}

void AnimationRowCard::saveName()
{
    if (m_name->text() != m_mapping.name)
        m_actions.saveMapping({ m_name->text(), m_mapping.chatter });
}

void AnimationRowCard::updateTexts()
{
    const qint64 frames = m_preview->frameCount();
    QString details = QString::number(frames) + (frames == 1 ? QStringLiteral(" frame") : QStringLiteral(" frames"));
    const QStringList &lines = m_mapping.chatter;
    if (!lines.isEmpty()) {
        // A long line would widen the card; the whole line is in the tool tip. The quoted line
        // gives way to the count of the others, which always shows whole.
        const QString first = lines.first().size() > firstLineLength
            ? lines.first().left(firstLineLength - 1) + QStringLiteral("…")
            : lines.first();
        const QString more = lines.size() > 1
            ? QStringLiteral(" · +") + QString::number(lines.size() - 1) + QStringLiteral(" more")
            : QString();
        const QFontMetrics metrics(m_details->font());
        const int room = m_name->width() - metrics.horizontalAdvance(details + QStringLiteral(" · “”") + more);
        details += QStringLiteral(" · “")
            + metrics.elidedText(first, Qt::ElideRight, std::max(room, metrics.horizontalAdvance(QChar(0x2026))))
            + QStringLiteral("”") + more;
    }
    m_details->setText(details);
    m_details->setToolTip(lines.isEmpty() ? QString() : lines.first());
    m_addLines->setVisible(lines.isEmpty());

    if (m_busy) {
        m_status->setText(QStringLiteral("Generating…"));
        m_status->setColour(Theme::Status::busy);
    } else {
        m_status->setText(statusText(m_mapping));
        m_status->setColour(lines.isEmpty() ? Theme::Status::busy : Theme::Status::ok);
    }

    const bool enabled = m_canGenerate && !m_busy;
    const bool unnamed = TextTrim::isBlank(m_mapping.name);
    const QString reason = enabled ? QString()
        : m_busy                   ? QStringLiteral("Generating…")
        : unnamed                  ? QStringLiteral("Name this animation first.")
                                   : QStringLiteral("Add a Groq key and a personality first.");
    for (QAction *action : { m_replace, m_append }) {
        action->setEnabled(enabled);
        action->setToolTip(reason);
    }
}

bool AnimationRowCard::eventFilter(QObject *watched, QEvent *event)
{
    // The line under the name field is as wide as the field: the quoted line is cut to fit it.
    if (watched == m_name && event->type() == QEvent::Resize)
        updateTexts();
    return Card::eventFilter(watched, event);
}
