#include "preferences/ReminderAnimationSelector.h"

#include "pets/SpriteSheetDecoder.h"
#include "petwindow/AnimationPreviewView.h"
#include "preferences/PreferencesHost.h"
#include "preferences/RowLabels.h"
#include "widgets/SymbolIcon.h"
#include "widgets/Theme.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr int tileWidth = 72;
constexpr int previewSize = 44;
constexpr int columns = 5;
// The button id of the "None" tile; rows use their number.
constexpr int noneID = -1;

// A selectable tile: a picture above a short label, outlined in the accent colour when chosen.
class Tile : public QAbstractButton {
public:
    Tile(QWidget *picture, const QString &label, QWidget *parent = nullptr)
        : QAbstractButton(parent)
    {
        setCheckable(true);
        setText(label);
        setAccessibleName(label);
        setToolTip(label);
        setCursor(Qt::PointingHandCursor);
        setFixedWidth(tileWidth);
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(Theme::Space::xs, Theme::Space::xs, Theme::Space::xs, Theme::Space::xs);
        column->setSpacing(2);
        picture->setFixedSize(previewSize, previewSize);
        picture->setAttribute(Qt::WA_TransparentForMouseEvents);
        column->addWidget(picture, 0, Qt::AlignHCenter);
        auto *caption = new QLabel(fontMetrics().elidedText(label, Qt::ElideRight, tileWidth - 2 * Theme::Space::xs));
        caption->setFont(Theme::font(Theme::TypeSize::caption));
        caption->setAlignment(Qt::AlignCenter);
        caption->setAttribute(Qt::WA_TransparentForMouseEvents);
        column->addWidget(caption);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
        const bool chosen = isChecked();
        QColor fill = chosen ? Theme::Accent::base : Theme::Surface::window;
        fill.setAlphaF(chosen ? 0.12 : 1.0);
        p.setBrush(fill);
        p.setPen(QPen(chosen ? Theme::Accent::base : (underMouse() ? Theme::Ink::tertiary : Theme::Surface::cardBorder),
            chosen ? 2 : 1));
        p.drawRoundedRect(box, Theme::Radius::control, Theme::Radius::control);
    }
};
}

ReminderAnimationSelector::ReminderAnimationSelector(PreferencesHost &host, QWidget *parent)
    : QWidget(parent)
    , m_host(host)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Theme::Space::s);
    auto *grid = new QGridLayout;
    grid->setSpacing(Theme::Space::s);
    grid->setAlignment(Qt::AlignLeft);
    column->addLayout(grid);
    m_tiles = new QButtonGroup(this);
    m_tiles->setExclusive(true);

    auto *bell = new QLabel;
    bell->setAlignment(Qt::AlignCenter);
    bell->setPixmap(SymbolIcon::icon(SymbolIcon::Symbol::bell, Theme::Ink::secondary).pixmap(20, 20));
    auto *none = new Tile(bell, QStringLiteral("None"));
    none->setObjectName(QStringLiteral("animationTileNone"));
    m_tiles->addButton(none, noneID);
    grid->addWidget(none, 0, 0);

    const std::optional<QString> petID = host.activePetID();
    const std::shared_ptr<SpriteSheetDecoder> decoder = host.activeDecoder();
    if (petID && decoder) {
        int index = 1;
        for (const qint64 row : decoder->nonEmptyRows()) {
            auto *preview = new AnimationPreviewView;
            preview->configure(decoder, row);
            auto *tile = new Tile(preview, RowLabels::shortLabel(row, host.rowName(*petID, row)));
            tile->setObjectName(QStringLiteral("animationTile%1").arg(row));
            m_tiles->addButton(tile, static_cast<int>(row));
            grid->addWidget(tile, index / columns, index % columns);
            ++index;
        }
    }
    connect(m_tiles, &QButtonGroup::idClicked, this,
        [this](int id) { select(id == noneID ? std::nullopt : std::optional<qint64>(id)); });

    m_hint = new QLabel;
    m_hint->setObjectName(QStringLiteral("animationHint"));
    m_hint->setFont(Theme::font(Theme::TypeSize::caption));
    m_hint->setWordWrap(true);
    QPalette palette = m_hint->palette();
    palette.setColor(QPalette::WindowText, Theme::Ink::secondary);
    m_hint->setPalette(palette);
    column->addWidget(m_hint);
    select(std::nullopt);
}

void ReminderAnimationSelector::setRow(std::optional<qint64> row)
{
    select(row);
}

QString ReminderAnimationSelector::hint() const
{
    return m_hint->text();
}

void ReminderAnimationSelector::select(std::optional<qint64> row)
{
    m_row = row;
    if (QAbstractButton *tile = m_tiles->button(row ? static_cast<int>(*row) : noneID)) {
        tile->setChecked(true);
    } else if (QAbstractButton *checked = m_tiles->checkedButton()) {
        // A row this pet lacks stays chosen, with no tile lit, so that saving keeps it.
        m_tiles->setExclusive(false);
        checked->setChecked(false);
        m_tiles->setExclusive(true);
    }
    const std::optional<QString> petID = m_host.activePetID();
    m_hint->setText(row && petID ? QStringLiteral("Plays ") + RowLabels::longLabel(*row, m_host.rowName(*petID, *row))
                + QStringLiteral(" when the reminder fires.")
                                 : QStringLiteral("Tap a tile to play it when the reminder fires."));
}
