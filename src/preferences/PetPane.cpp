#include "preferences/PetPane.h"

#include "pets/PetThumbnailStore.h"
#include "pets/SpriteSheetDecoder.h"
#include "preferences/CheckeredImage.h"
#include "preferences/PreferencesHost.h"
#include "widgets/Card.h"
#include "widgets/Chip.h"
#include "widgets/EmptyState.h"
#include "widgets/SecondaryButton.h"
#include "widgets/SymbolIcon.h"
#include "widgets/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
using SymbolIcon::Symbol;

QLabel *inkLabel(const QString &text, int size, QFont::Weight weight, const QColor &ink, QWidget *parent)
{
    auto *label = Theme::label(text, size, weight, ink, parent);
    return label;
}
}

PetPane::PetPane(PreferencesHost &host, QWidget *parent)
    : QWidget(parent)
    , m_host(host)
    , m_thumbnails(new PetThumbnailStore(this))
{
    setObjectName(QStringLiteral("petPane"));
    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(Theme::Space::xl, 0, Theme::Space::xl, Theme::Space::xl);
    m_column->setSpacing(Theme::Space::l);
    m_column->addWidget(buildPreview());
    m_column->addWidget(buildImportButtons());
    m_column->addStretch();
    connect(m_thumbnails, &PetThumbnailStore::thumbsChanged, this, &PetPane::showThumbnail);
    connect(&m_host, &PreferencesHost::activePetChanged, this, &PetPane::scheduleRefresh);
    refresh();
}

PetPane::~PetPane() = default;

QWidget *PetPane::buildPreview()
{
    auto *card = new Card;
    auto *row = new QWidget;
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, Theme::Space::xs, 0, Theme::Space::xs);
    line->setSpacing(Theme::Space::l);
    m_preview = new CheckeredImage(112, 8, row);
    m_preview->setObjectName(QStringLiteral("petPreview"));
    line->addWidget(m_preview);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(Theme::Space::xs);
    texts->addStretch();
    m_previewName = inkLabel(QString(), Theme::TypeSize::cardTitle, QFont::DemiBold, Theme::Ink::primary, row);
    m_previewName->setObjectName(QStringLiteral("previewName"));
    texts->addWidget(m_previewName);
    m_previewHint = inkLabel(QString(), Theme::TypeSize::body, QFont::Normal, Theme::Ink::secondary, row);
    m_previewHint->setObjectName(QStringLiteral("previewHint"));
    texts->addWidget(m_previewHint);
    auto *chips = new QHBoxLayout;
    chips->setSpacing(Theme::Space::s);
    m_frameSize = new Chip(QString(), Theme::Ink::secondary, row);
    m_frameSize->setObjectName(QStringLiteral("previewFrameSize"));
    m_columns = new Chip(QString(), Theme::Ink::secondary, row);
    m_columns->setObjectName(QStringLiteral("previewColumns"));
    chips->addWidget(m_frameSize);
    chips->addWidget(m_columns);
    chips->addStretch();
    texts->addLayout(chips);
    texts->addStretch();
    line->addLayout(texts, 1);
    card->addWidget(row);
    return card;
}

QWidget *PetPane::buildImportButtons()
{
    auto *strip = new QWidget;
    auto *line = new QHBoxLayout(strip);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(Theme::Space::xs);
    auto add = [&](const QString &name, const QString &text, Symbol symbol, void (PreferencesHost::*action)()) {
        auto *button = new SecondaryButton(text, SymbolIcon::icon(symbol, Theme::Ink::primary), strip);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this, [this, action] { (m_host.*action)(); });
        line->addWidget(button);
        return button;
    };
    add(QStringLiteral("importFolderButton"), QStringLiteral("Import Folder"), Symbol::folderPlus,
        &PreferencesHost::promptImportFolder);
    add(QStringLiteral("importZipButton"), QStringLiteral("Import .zip"), Symbol::archive,
        &PreferencesHost::promptImportZip);
    add(QStringLiteral("scanNimboButton"), QStringLiteral("Scan Nimbo"), Symbol::magnifier,
        &PreferencesHost::scanNimboPets)
        ->setToolTip(QStringLiteral("Look in ~/.nimbo/pets/ for pets that aren't yet in your library."));
    line->addStretch();
    return strip;
}

void PetPane::scheduleRefresh()
{
    // The change may come from a button inside the list, which must outlive its own click.
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshPending = false;
        refresh();
    });
}

void PetPane::refresh()
{
    const std::shared_ptr<SpriteSheetDecoder> decoder = m_host.activeDecoder();
    const QList<PetPackage> library = m_host.library();
    const std::optional<QString> activeID = m_host.activePetID();
    const auto active = std::find_if(library.cbegin(), library.cend(),
        [&](const PetPackage &package) { return activeID && package.id() == *activeID; });

    if (decoder) {
        const PetManifest &manifest = decoder->manifest();
        m_preview->setImage(decoder->image(0, 0));
        m_previewName->setText(active != library.cend() ? m_host.displayName(*active) : manifest.displayName);
        m_previewHint->setText(QStringLiteral("On screen now"));
        m_frameSize->setText(
            QString::number(manifest.frameWidth) + QStringLiteral("×") + QString::number(manifest.frameHeight));
        m_columns->setText(QString::number(manifest.columns) + QStringLiteral(" cols"));
    } else {
        m_preview->setImage({});
        m_previewName->setText(QStringLiteral("No pet selected"));
        m_previewHint->setText(QStringLiteral("Import a Nimbo pet to begin."));
    }
    m_frameSize->setVisible(decoder != nullptr);
    m_columns->setVisible(decoder != nullptr);

    if (m_library) {
        m_library->hide();
        m_library->deleteLater();
    }
    m_thumbnailViews.clear();
    m_library = buildLibrary(library);
    m_column->insertWidget(1, m_library);
    if (m_painted)
        m_thumbnails->prewarm(library);
    m_pendingPrewarm = library;
}

QWidget *PetPane::buildLibrary(const QList<PetPackage> &library)
{
    auto *section = new QWidget(this);
    section->setObjectName(QStringLiteral("petLibrary"));
    auto *column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Theme::Space::l);
    if (library.isEmpty()) {
        auto *card = new Card;
        card->addWidget(new EmptyState(SymbolIcon::icon(Symbol::trayDown, Theme::Ink::tertiary),
            QStringLiteral("No pets in your library"),
            QStringLiteral("Import a folder containing pet.json + spritesheet.webp.")));
        column->addWidget(card);
        return section;
    }
    const std::optional<QString> bundledID = m_host.bundledPetID();
    const std::optional<QString> activeID = m_host.activePetID();
    QList<PetPackage> builtIn;
    QList<PetPackage> imported;
    for (const PetPackage &package : library)
        (bundledID && package.id() == *bundledID ? builtIn : imported).append(package);
    for (const auto &[title, group] :
        { std::pair { QStringLiteral("Default"), builtIn }, std::pair { QStringLiteral("Imported"), imported } }) {
        if (group.isEmpty())
            continue;
        auto *card = new Card(title);
        card->setObjectName(title.toLower() + QStringLiteral("Group"));
        card->setCount(static_cast<int>(group.size()));
        for (const PetPackage &package : group)
            card->addWidget(buildRow(package, activeID && package.id() == *activeID));
        column->addWidget(card);
    }
    return section;
}

QWidget *PetPane::buildRow(const PetPackage &package, bool active)
{
    auto *row = new QWidget;
    row->setObjectName(QStringLiteral("petRow:") + package.id());
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, Theme::Space::s, 0, Theme::Space::s);
    line->setSpacing(Theme::Space::m);

    auto *thumbnail = new CheckeredImage(40, 5, row);
    thumbnail->setObjectName(QStringLiteral("thumbnail"));
    const QString atlasPath = PetThumbnailStore::atlasPath(package);
    thumbnail->setImage(m_thumbnails->thumbs().value(atlasPath));
    m_thumbnailViews.insert(atlasPath, thumbnail);
    line->addWidget(thumbnail);

    const QString name = m_host.displayName(package);
    auto *nameLabel = inkLabel(name, Theme::TypeSize::body, QFont::Medium, Theme::Ink::primary, row);
    nameLabel->setObjectName(QStringLiteral("petName"));
    line->addWidget(nameLabel, 1);

    if (active) {
        auto *label = new Chip(QStringLiteral("Active"), Theme::Status::ok, row);
        label->setObjectName(QStringLiteral("activeLabel"));
        line->addWidget(label);
    } else {
        auto *button = new SecondaryButton(QStringLiteral("Switch"), {}, row);
        button->setObjectName(QStringLiteral("switchButton"));
        connect(button, &QPushButton::clicked, this, [this, package] { m_host.loadPet(package); });
        line->addWidget(button);
    }

    auto *more = new QToolButton(row);
    more->setObjectName(QStringLiteral("petMenuButton"));
    more->setIcon(SymbolIcon::icon(Symbol::ellipsis, Theme::Ink::secondary));
    more->setIconSize({ 16, 16 });
    more->setAutoRaise(true);
    more->setCursor(Qt::PointingHandCursor);
    more->setPopupMode(QToolButton::InstantPopup);
    more->setStyleSheet(Theme::menuButtonStyleSheet());
    more->setAccessibleName(QStringLiteral("More for ") + name);
    auto *menu = new QMenu(more);
    // A pop-up is a window of its own and would otherwise take the desktop's palette.
    Theme::applyLightPalette(menu);
    menu->addAction(QStringLiteral("Switch to ") + name, this, [this, package] { m_host.loadPet(package); })
        ->setEnabled(!active);
    menu->addAction(QStringLiteral("Delete ") + name, this, [this, package] { m_host.confirmAndDeletePet(package); });
    menu->addSeparator();
    menu->addAction(
        QStringLiteral("Show in File Manager"), this, [this, package] { m_host.revealPetInFileManager(package); });
    more->setMenu(menu);
    line->addWidget(more);
    return row;
}

void PetPane::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (m_painted)
        return;
    m_painted = true;
    // Decoding starts once the window is on screen, so it never delays the first picture of it.
    QTimer::singleShot(0, this, [this] { m_thumbnails->prewarm(m_pendingPrewarm); });
}

void PetPane::showThumbnail(const QString &atlasPath)
{
    if (CheckeredImage *view = m_thumbnailViews.value(atlasPath))
        view->setImage(m_thumbnails->thumbs().value(atlasPath));
}
