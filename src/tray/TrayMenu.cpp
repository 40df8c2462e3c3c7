#include "tray/TrayMenu.h"

#include "foundation/TextTrim.h"
#include "tray/PawIcon.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>

#include <algorithm>
#include <cmath>

namespace {

const QList<double> kSpeeds { 0.5, 0.75, 1.0, 1.5 };
const QList<double> kScales { 0.25, 0.5, 0.75, 1.0, 1.5, 2.0 };

// Untrusted text (pet and row names) as an item title: one line, bounded, and with '&' shown as
// itself instead of marking a mnemonic.
QString itemText(const QString &text)
{
    QString line = text;
    for (QChar &c : line) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    if (line.size() > TrayMenu::maxTitleLength) {
        qsizetype keep = TrayMenu::maxTitleLength - 1;
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

TrayMenu::TrayMenu(QObject *parent)
    : QObject(parent)
{
    m_trayCheck.setSingleShot(true);
    connect(&m_trayCheck, &QTimer::timeout, this, &TrayMenu::checkForTray);
    install();
    checkForTray();
}

TrayMenu::~TrayMenu()
{
    if (m_trayIcon)
        m_trayIcon->setContextMenu(nullptr);
    m_trayIcon.reset();
    for (const QPointer<QMenu> &menu : std::as_const(m_retired))
        delete menu.data();
    delete m_trayMenu.data();
    delete m_contextMenu.data();
}

QString TrayMenu::speedTitle(double speed)
{
    return QString::asprintf("%.2g", speed) + QChar(0x00D7);
}

QString TrayMenu::scaleTitle(double scale)
{
    return QString::asprintf("%.0f%%", scale * 100.0);
}

QString TrayMenu::unnamedRowTitle(qint64 row, qint64 frameCount)
{
    return QStringLiteral("Animation %1 \u00B7 %2 frame%3")
        .arg(row + 1)
        .arg(frameCount)
        .arg(frameCount == 1 ? QString() : QStringLiteral("s"));
}

void TrayMenu::setState(const TrayMenuState &state)
{
    m_state = state;
    install();
}

std::unique_ptr<QMenu> TrayMenu::buildMenu()
{
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName(QStringLiteral("mainMenu"));
    const auto &active = m_state.active;
    QAction *title = menu->addAction(active ? itemText(active->name) : QStringLiteral("No pet loaded"));
    title->setEnabled(false);
    menu->addSeparator();

    if (active) {
        if (!m_state.petShown)
            addItem(menu.get(), QStringLiteral("Show Pet"), true,
                [this](const QVariant &) { emit showHideRequested(true); });
        else if (offersHiding())
            addItem(menu.get(), QStringLiteral("Hide Pet"), false,
                [this](const QVariant &) { emit showHideRequested(false); });
        addAnimationMenu(menu.get());
        addChoiceMenu(menu.get(), QStringLiteral("Speed"), kSpeeds, m_state.speed, 0.01, &TrayMenu::speedTitle,
            &TrayMenu::speedChosen);
        addChoiceMenu(menu.get(), QStringLiteral("Scale"), kScales, m_state.scale, 0.001, &TrayMenu::scaleTitle,
            &TrayMenu::scaleChosen);
        addBehaviorMenu(menu.get());
        menu->addSeparator();
    }

    addLibraryMenu(menu.get());
    menu->addSeparator();
    addItem(menu.get(), QStringLiteral("Import Pet Folder…"), {}, [this](const QVariant &) {
        emit importFolderRequested();
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    addItem(
        menu.get(), QStringLiteral("Import Pet .zip…"), {}, [this](const QVariant &) { emit importZipRequested(); });
    menu->addSeparator();
    addItem(menu.get(), QStringLiteral("Preferences…"), {}, [this](const QVariant &) {
        emit preferencesRequested();
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    menu->addSeparator();
    addItem(menu.get(), QStringLiteral("Quit Tamsel"), {}, [this](const QVariant &) {
        emit quitRequested();
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    return menu;
}

QAction *TrayMenu::addItem(QMenu *menu, const QString &title, const QVariant &data, Handler handler)
{
    QAction *action = menu->addAction(title);
    action->setData(data);
    // The receiver may open a modal dialog or install a new menu meanwhile; the action stays
    // alive until its menu is retired.
    connect(action, &QAction::triggered, this, [action, handler = std::move(handler)] { handler(action->data()); });
    return action;
}

void TrayMenu::addAnimationMenu(QMenu *menu)
{
    QMenu *submenu = menu->addMenu(QStringLiteral("Animation"));
    auto *group = new QActionGroup(submenu);
    const std::optional<qint64> pinned = m_state.pinnedRow;

    QAction *standard = addItem(
        submenu, QStringLiteral("Default \u00B7 Loop (Row 0)"), {}, [this](const QVariant &) { emit pinCleared(); });
    markChoice(standard, group, !pinned.has_value());
    submenu->addSeparator();

    if (m_state.rows.isEmpty()) {
        submenu->addAction(QStringLiteral("No animation rows detected"))->setEnabled(false);
        return;
    }
    int listed = 0;
    for (qsizetype i = 0; i < m_state.rows.size(); ++i) {
        const TrayMenuState::Row &row = m_state.rows.at(i);
        if (row.row == 0)
            continue;
        if (listed == maxListedRows) {
            submenu->addAction(QStringLiteral("%1 more rows not listed").arg(m_state.rows.size() - i))
                ->setEnabled(false);
            break;
        }
        const QString name = TextTrim::spacesAndTabs(row.name);
        const QString title = name.isEmpty() ? unnamedRowTitle(row.row, row.frameCount) : itemText(name);
        QAction *item = addItem(submenu, title, QVariant::fromValue<qint64>(row.row), [this](const QVariant &data) {
            if (const auto chosen = valueOf<qint64>(data); chosen && *chosen >= 0)
                emit rowPinned(*chosen);
        });
        markChoice(item, group, pinned == row.row);
        ++listed;
    }
}

void TrayMenu::addChoiceMenu(QMenu *menu, const QString &title, const QList<double> &values, double current,
    double tolerance, QString (*titleOf)(double), void (TrayMenu::*chosen)(double))
{
    QMenu *submenu = menu->addMenu(title);
    auto *group = new QActionGroup(submenu);
    for (double value : values) {
        QAction *item = addItem(submenu, titleOf(value), value, [this, chosen](const QVariant &data) {
            if (const auto number = positiveNumber(data))
                emit(this->*chosen)(*number);
        });
        markChoice(item, group, std::abs(value - current) < tolerance);
    }
}

void TrayMenu::addBehaviorMenu(QMenu *menu)
{
    QMenu *submenu = menu->addMenu(QStringLiteral("Behavior"));
    auto *group = new QActionGroup(submenu);
    for (BehaviorMode mode : SettingsEnums::allBehaviorModes()) {
        QAction *item = addItem(
            submenu, SettingsEnums::displayTitle(mode), SettingsEnums::rawString(mode), [this](const QVariant &data) {
                const auto raw = valueOf<QString>(data);
                BehaviorMode parsed;
                if (raw && SettingsEnums::parse(*raw, &parsed))
                    emit behaviorModeChosen(parsed);
            });
        markChoice(item, group, mode == m_state.mode);
    }
}

void TrayMenu::addPackageItem(
    QMenu *menu, const QString &title, const PetPackage &package, void (TrayMenu::*requested)(const PetPackage &))
{
    addItem(menu, title, QVariant::fromValue(package), [this, requested](const QVariant &data) {
        if (const auto chosen = valueOf<PetPackage>(data))
            emit(this->*requested)(*chosen);
    });
}

void TrayMenu::addLibraryMenu(QMenu *menu)
{
    QMenu *library = menu->addMenu(QStringLiteral("Library"));
    if (m_state.library.isEmpty()) {
        library->addAction(QStringLiteral("No pets imported"))->setEnabled(false);
        return;
    }
    auto *group = new QActionGroup(library);
    for (const TrayMenuState::Pet &pet : std::as_const(m_state.library)) {
        const QString name = itemText(pet.name);
        const bool isCurrent = m_state.active && m_state.active->package.id() == pet.package.id();
        QMenu *submenu = library->addMenu(name);
        markChoice(submenu->menuAction(), group, isCurrent);
        addPackageItem(submenu, QStringLiteral("Switch to ") + name, pet.package, &TrayMenu::petSwitchRequested);
        submenu->actions().constLast()->setEnabled(!isCurrent);
        addPackageItem(submenu, QStringLiteral("Show in File Manager"), pet.package, &TrayMenu::petRevealRequested);
        submenu->addSeparator();
        addPackageItem(submenu, QStringLiteral("Delete ") + name + QStringLiteral("…"), pet.package,
            &TrayMenu::petDeleteRequested);
    }
}

void TrayMenu::install()
{
    std::unique_ptr<QMenu> fresh = buildMenu();
    if (m_trayIcon)
        m_trayIcon->setContextMenu(fresh.get());
    retire(m_trayMenu);
    m_trayMenu = fresh.release();
}

void TrayMenu::popUpContextMenu(const QPoint &globalPos)
{
    if (m_contextMenu)
        m_contextMenu->hide();
    retire(m_contextMenu);
    m_contextMenu = buildMenu().release();
    m_contextMenu->popup(globalPos);
}

void TrayMenu::retire(QMenu *menu)
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

void TrayMenu::checkForTray()
{
    if (m_trayIcon)
        return;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // A tray may still come (an indicator extension enabled later), but it rarely does:
        // look again, less and less often.
        m_trayCheck.start(m_nextTrayCheckMs);
        m_nextTrayCheckMs = std::min(m_nextTrayCheckMs * 2, longestTrayCheckMs);
        return;
    }
    m_trayCheck.stop();
    m_trayIcon = std::make_unique<QSystemTrayIcon>(PawIcon::icon());
    m_trayIcon->setToolTip(QStringLiteral("Tamsel"));
    connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this, &TrayMenu::onTrayActivated);
    // The menu may offer hiding now.
    install();
    m_trayIcon->show();
    emit trayIconCreated();
}

void TrayMenu::onTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    // A right click shows the context menu by itself; a left click shows the same menu.
    if (reason != QSystemTrayIcon::Trigger)
        return;
    emit refreshRequested();
    m_trayMenu->popup(QCursor::pos());
}
