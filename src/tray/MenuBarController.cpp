#include "tray/MenuBarController.h"

#include "tray/PawIcon.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "tray/MenuBarControllerDelegate.h"
#include "foundation/TextTrim.h"
#include "userdata/PetAnimationMapStore.h"
#include "pets/SpriteSheetDecoder.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>

#include <cmath>

namespace {

constexpr double kSpeeds[] = { 0.5, 0.75, 1.0, 1.5 };
constexpr double kScales[] = { 0.25, 0.5, 0.75, 1.0, 1.5, 2.0 };

// Untrusted text (pet and row names) as an item title: one line, bounded, and with '&' shown as
// itself instead of marking a mnemonic.
QString itemText(const QString &text)
{
    QString line = text;
    for (QChar &c : line) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    if (line.size() > MenuBarController::maxTitleLength) {
        qsizetype keep = MenuBarController::maxTitleLength - 1;
        if (line.at(keep - 1).isHighSurrogate())
            --keep; // never split a character in two
        line = line.left(keep) + QChar(0x2026);
    }
    return line.replace(u'&', QStringLiteral("&&"));
}

template<typename T> std::optional<T> valueOf(const QVariant &data)
{
    if (data.metaType() != QMetaType::fromType<T>())
        return std::nullopt;
    return data.value<T>();
}

std::optional<double> positiveNumber(const QVariant &data)
{
    const auto number = valueOf<double>(data);
    if (!number || !std::isfinite(*number) || *number <= 0.0)
        return std::nullopt;
    return number;
}

void markChoice(QAction *action, QActionGroup *group, bool checked)
{
    action->setCheckable(true);
    action->setChecked(checked);
    group->addAction(action);
}

}

MenuBarController::MenuBarController(MenuBarControllerDelegate *delegate, QObject *parent)
    : QObject(parent)
    , m_delegate(delegate)
    , m_delegateObject(dynamic_cast<QObject *>(delegate))
    , m_delegateIsObject(m_delegateObject != nullptr)
{
    m_trayPoll.setInterval(trayPollIntervalMs);
    connect(&m_trayPoll, &QTimer::timeout, this, &MenuBarController::ensureTrayIcon);
    rebuild();
    ensureTrayIcon();
}

MenuBarController::~MenuBarController()
{
    if (m_trayIcon)
        m_trayIcon->setContextMenu(nullptr);
    m_trayIcon.reset();
    for (const QPointer<QMenu> &menu : std::as_const(m_retired))
        delete menu.data();
    delete m_trayMenu.data();
    delete m_contextMenu.data();
}

MenuBarControllerDelegate *MenuBarController::delegate() const
{
    if (m_delegateIsObject && !m_delegateObject)
        return nullptr;
    return m_delegate;
}

QString MenuBarController::speedTitle(double speed)
{
    return QString::asprintf("%.2g", speed) + QChar(0x00D7);
}

QString MenuBarController::scaleTitle(double scale)
{
    return QString::asprintf("%.0f%%", scale * 100.0);
}

QString MenuBarController::unnamedRowTitle(qint64 row, qint64 frameCount)
{
    return QStringLiteral("Animation %1 \u00B7 %2 frame%3")
        .arg(row + 1)
        .arg(frameCount)
        .arg(frameCount == 1 ? QString() : QStringLiteral("s"));
}

std::unique_ptr<QMenu> MenuBarController::buildMainMenu()
{
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName(QStringLiteral("mainMenu"));
    MenuBarControllerDelegate *target = delegate();
    const std::optional<PetPackage> current = target ? target->currentPackage() : std::nullopt;

    QAction *title
        = menu->addAction(current ? itemText(target->displayName(*current)) : QStringLiteral("No pet loaded"));
    title->setEnabled(false);
    menu->addSeparator();

    if (current) {
        addItem(menu.get(), target->isPetWindowVisible() ? QStringLiteral("Hide Pet") : QStringLiteral("Show Pet"), {},
            &MenuBarController::onToggleVisibility);
        addAnimationMenu(menu.get());
        addSpeedMenu(menu.get());
        addScaleMenu(menu.get());
        addBehaviorMenu(menu.get());
        menu->addSeparator();
    }

    addLibraryMenu(menu.get());
    menu->addSeparator();
    addItem(menu.get(), QStringLiteral("Import Pet Folder…"), {}, &MenuBarController::onImportFolder)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    addItem(menu.get(), QStringLiteral("Import Pet .zip…"), {}, &MenuBarController::onImportZip);
    menu->addSeparator();
    addItem(menu.get(), QStringLiteral("Preferences…"), {}, &MenuBarController::onPreferences)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    menu->addSeparator();
    addItem(menu.get(), QStringLiteral("Quit Tamsel"), {}, &MenuBarController::onQuit)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    return menu;
}

QAction *MenuBarController::addItem(QMenu *menu, const QString &title, const QVariant &data, Handler handler)
{
    QAction *action = menu->addAction(title);
    action->setData(data);
    connect(action, &QAction::triggered, this, [this, action, handler] {
        // The delegate may open a modal dialog or tear things down; the action and this controller
        // are re-checked rather than assumed.
        QPointer<MenuBarController> self(this);
        (this->*handler)(action->data());
        if (self)
            self->rebuild();
    });
    return action;
}

void MenuBarController::addAnimationMenu(QMenu *menu)
{
    MenuBarControllerDelegate *target = delegate();
    QMenu *submenu = menu->addMenu(QStringLiteral("Animation"));
    auto *group = new QActionGroup(submenu);
    const std::optional<qint64> pinned = target->pinnedRow();

    QAction *standard
        = addItem(submenu, QStringLiteral("Default \u00B7 Loop (Row 0)"), {}, &MenuBarController::onDefaultAnimation);
    markChoice(standard, group, !pinned.has_value());
    submenu->addSeparator();

    const std::shared_ptr<SpriteSheetDecoder> &decoder = target->spriteDecoder();
    const QList<qint64> rows = decoder ? decoder->nonEmptyRows() : QList<qint64>();
    if (rows.isEmpty()) {
        submenu->addAction(QStringLiteral("No animation rows detected"))->setEnabled(false);
        return;
    }
    const QString petID = target->currentPackage() ? target->currentPackage()->id() : QString();
    const PetAnimationMapStore *maps = target->animationMaps();
    int listed = 0;
    for (qint64 row : rows) {
        if (row == 0)
            continue;
        if (listed == maxListedRows) {
            const qint64 rest = rows.size() - rows.indexOf(row);
            submenu->addAction(QStringLiteral("%1 more rows not listed").arg(rest))->setEnabled(false);
            break;
        }
        const QString name = maps ? TextTrim::spacesAndTabs(maps->mapping(petID, row).name) : QString();
        const QString title = name.isEmpty() ? unnamedRowTitle(row, decoder->effectiveFrameCount(row)) : itemText(name);
        QAction *item = addItem(submenu, title, QVariant::fromValue<qint64>(row), &MenuBarController::onRowChosen);
        markChoice(item, group, pinned == row);
        ++listed;
    }
}

void MenuBarController::addSpeedMenu(QMenu *menu)
{
    QMenu *submenu = menu->addMenu(QStringLiteral("Speed"));
    auto *group = new QActionGroup(submenu);
    const double current = delegate()->settings().playbackSpeed();
    for (double speed : kSpeeds) {
        QAction *item = addItem(submenu, speedTitle(speed), speed, &MenuBarController::onSpeedChosen);
        markChoice(item, group, std::abs(speed - current) < 0.01);
    }
}

void MenuBarController::addScaleMenu(QMenu *menu)
{
    QMenu *submenu = menu->addMenu(QStringLiteral("Scale"));
    auto *group = new QActionGroup(submenu);
    const double current = delegate()->settings().scale();
    for (double scale : kScales) {
        QAction *item = addItem(submenu, scaleTitle(scale), scale, &MenuBarController::onScaleChosen);
        markChoice(item, group, std::abs(scale - current) < 0.001);
    }
}

void MenuBarController::addBehaviorMenu(QMenu *menu)
{
    QMenu *submenu = menu->addMenu(QStringLiteral("Behavior"));
    auto *group = new QActionGroup(submenu);
    const BehaviorMode current = delegate()->settings().behaviorMode();
    for (BehaviorMode mode : SettingsEnums::allBehaviorModes()) {
        QAction *item = addItem(submenu, SettingsEnums::displayTitle(mode), SettingsEnums::rawString(mode),
            &MenuBarController::onBehaviorChosen);
        markChoice(item, group, mode == current);
    }
}

void MenuBarController::addLibraryMenu(QMenu *menu)
{
    QMenu *library = menu->addMenu(QStringLiteral("Library"));
    MenuBarControllerDelegate *target = delegate();
    const QList<PetPackage> pets = target ? target->libraryPets() : QList<PetPackage>();
    if (pets.isEmpty()) {
        library->addAction(QStringLiteral("No pets imported"))->setEnabled(false);
        return;
    }
    const std::optional<PetPackage> &current = target->currentPackage();
    auto *group = new QActionGroup(library);
    for (const PetPackage &package : pets) {
        const QString name = itemText(target->displayName(package));
        const bool isCurrent = current && current->id() == package.id();
        const QVariant data = QVariant::fromValue(package);
        QMenu *submenu = library->addMenu(name);
        markChoice(submenu->menuAction(), group, isCurrent);
        addItem(submenu, QStringLiteral("Switch to ") + name, data, &MenuBarController::onSwitchPet)
            ->setEnabled(!isCurrent);
        addItem(submenu, QStringLiteral("Show in File Manager"), data, &MenuBarController::onRevealPet);
        submenu->addSeparator();
        addItem(submenu, QStringLiteral("Delete ") + name + QStringLiteral("…"), data, &MenuBarController::onDeletePet);
    }
}

void MenuBarController::rebuild()
{
    std::unique_ptr<QMenu> fresh = buildMainMenu();
    if (m_trayIcon)
        m_trayIcon->setContextMenu(fresh.get());
    retire(m_trayMenu);
    m_trayMenu = fresh.release();
}

void MenuBarController::popUpContextMenu(const QPoint &globalPos)
{
    if (m_contextMenu)
        m_contextMenu->hide();
    retire(m_contextMenu);
    m_contextMenu = buildMainMenu().release();
    m_contextMenu->popup(globalPos);
}

void MenuBarController::retire(QMenu *menu)
{
    if (!menu)
        return;
    m_retired.removeAll(nullptr);
    m_retired.append(menu);
    // Deleted later in any case: it may be the menu whose item is running right now.
    if (menu->isVisible())
        connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    else
        menu->deleteLater();
}

void MenuBarController::ensureTrayIcon()
{
    if (m_trayIcon)
        return;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        if (!m_trayPoll.isActive())
            m_trayPoll.start();
        return;
    }
    m_trayPoll.stop();
    m_trayIcon = std::make_unique<QSystemTrayIcon>(PawIcon::icon());
    m_trayIcon->setToolTip(QStringLiteral("Tamsel"));
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this, &MenuBarController::onTrayActivated);
    m_trayIcon->show();
    emit trayIconCreated();
}

void MenuBarController::onTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    // A right click shows the context menu by itself; a left click shows the same menu.
    if (reason != QSystemTrayIcon::Trigger)
        return;
    rebuild();
    m_trayMenu->popup(QCursor::pos());
}

void MenuBarController::onToggleVisibility(const QVariant &)
{
    if (MenuBarControllerDelegate *target = delegate(); target && target->currentPackage())
        target->togglePetVisibility();
}

void MenuBarController::onDefaultAnimation(const QVariant &)
{
    if (MenuBarControllerDelegate *target = delegate())
        target->clearPinnedRow();
}

void MenuBarController::onRowChosen(const QVariant &data)
{
    MenuBarControllerDelegate *target = delegate();
    const auto row = valueOf<qint64>(data);
    if (target && row && *row >= 0)
        target->playRow(*row);
}

void MenuBarController::onSpeedChosen(const QVariant &data)
{
    MenuBarControllerDelegate *target = delegate();
    const auto speed = positiveNumber(data);
    if (!target || !speed)
        return;
    target->settings().setValue(SettingsKeys::playbackSpeed, *speed);
    target->applyPlaybackSpeed();
}

void MenuBarController::onScaleChosen(const QVariant &data)
{
    MenuBarControllerDelegate *target = delegate();
    const auto scale = positiveNumber(data);
    if (!target || !scale)
        return;
    target->settings().setValue(SettingsKeys::scale, *scale);
    target->reloadCurrentPetWithScale();
}

void MenuBarController::onBehaviorChosen(const QVariant &data)
{
    MenuBarControllerDelegate *target = delegate();
    const auto raw = valueOf<QString>(data);
    BehaviorMode mode;
    if (target && raw && SettingsEnums::parse(*raw, &mode))
        target->setBehaviorMode(mode);
}

void MenuBarController::onSwitchPet(const QVariant &data)
{
    MenuBarControllerDelegate *target = delegate();
    if (const auto package = valueOf<PetPackage>(data); target && package)
        target->loadPet(*package);
}

void MenuBarController::onRevealPet(const QVariant &data)
{
    MenuBarControllerDelegate *target = delegate();
    if (const auto package = valueOf<PetPackage>(data); target && package)
        target->revealPetInFileManager(*package);
}

void MenuBarController::onDeletePet(const QVariant &data)
{
    MenuBarControllerDelegate *target = delegate();
    if (const auto package = valueOf<PetPackage>(data); target && package)
        target->confirmAndDeletePet(*package);
}

void MenuBarController::onImportFolder(const QVariant &)
{
    if (MenuBarControllerDelegate *target = delegate())
        target->promptImportFolder();
}

void MenuBarController::onImportZip(const QVariant &)
{
    if (MenuBarControllerDelegate *target = delegate())
        target->promptImportZip();
}

void MenuBarController::onPreferences(const QVariant &)
{
    if (MenuBarControllerDelegate *target = delegate())
        target->showPetPreferences();
}

void MenuBarController::onQuit(const QVariant &)
{
    if (MenuBarControllerDelegate *target = delegate())
        target->quit();
}
