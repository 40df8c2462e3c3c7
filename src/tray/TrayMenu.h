#pragma once

#include "tray/TrayMenuState.h"

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVariant>

#include <functional>
#include <memory>

class QAction;

// The program's main menu, offered by a paw icon in the system tray and, the same menu, as the
// pet's context menu. It is built from a TrayMenuState and never edited: every new state installs
// a freshly built menu. Items only ask, through the request signals; each item carries its value
// in QAction::data(), and an item without the value it should carry asks nothing.
//
// Without a system tray there is no way back to a hidden pet, so the menu then offers no hiding.
// It keeps looking for a tray, less and less often.
class TrayMenu : public QObject {
    Q_OBJECT

public:
    explicit TrayMenu(QObject *parent = nullptr);
    ~TrayMenu() override;

    // Installs a menu built from the state on the tray icon. A menu the user has open stays until
    // it closes.
    void setState(const TrayMenuState &state);
    const TrayMenuState &state() const { return m_state; }
    // A complete menu from the current state; the caller owns it.
    std::unique_ptr<QMenu> buildMenu();
    // Shows a freshly built menu at the given global position (the pet's right-click).
    void popUpContextMenu(const QPoint &globalPos);

    // Null while the desktop has no system tray.
    QSystemTrayIcon *trayIcon() const { return m_trayIcon.get(); }
    QMenu *trayMenu() const { return m_trayMenu; }
    QMenu *contextMenu() const { return m_contextMenu; }
    // Whether the pet may be hidden: only with a tray icon to bring it back.
    bool offersHiding() const { return m_trayIcon != nullptr; }
    const QTimer &trayCheckTimer() const { return m_trayCheck; }

    // Item titles: "0.75×", "1×"; "25%", "150%"; "Animation 5 · 1 frame".
    static QString speedTitle(double speed);
    static QString scaleTitle(double scale);
    static QString unnamedRowTitle(qint64 row, qint64 frameCount);

    // The wait before looking for a tray again starts here and doubles up to the longest.
    static constexpr int firstTrayCheckMs = 2000;
    static constexpr int longestTrayCheckMs = 60 * 1000;
    // Rows listed in the Animation submenu; an atlas of thin strips could have thousands.
    static constexpr int maxListedRows = 100;
    // Characters of a pet or row name shown in an item title.
    static constexpr int maxTitleLength = 64;

public slots:
    // Creates the tray icon when the desktop has a tray, else looks again later.
    void checkForTray();

signals:
    void showHideRequested(bool show);
    void rowPinned(qint64 row);
    void pinCleared();
    void speedChosen(double speed);
    void scaleChosen(double scale);
    void behaviorModeChosen(BehaviorMode mode);
    void petSwitchRequested(const PetPackage &package);
    void petRevealRequested(const PetPackage &package);
    void petDeleteRequested(const PetPackage &package);
    void importFolderRequested();
    void importZipRequested();
    void preferencesRequested();
    void quitRequested();
    // The menu is about to be shown by a click on the icon: a good moment for a fresh state.
    void refreshRequested();
    void trayIconCreated();

private:
    using Handler = std::function<void(const QVariant &)>;

    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void install();
    void retire(QMenu *menu);

    QAction *addItem(QMenu *menu, const QString &title, const QVariant &data, Handler handler);
    void addAnimationMenu(QMenu *menu);
    void addChoiceMenu(QMenu *menu, const QString &title, const QList<double> &values, double current, double tolerance,
        QString (*titleOf)(double), void (TrayMenu::*chosen)(double));
    void addBehaviorMenu(QMenu *menu);
    void addLibraryMenu(QMenu *menu);
    void addPackageItem(
        QMenu *menu, const QString &title, const PetPackage &package, void (TrayMenu::*requested)(const PetPackage &));

    TrayMenuState m_state;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
    // Parentless menus owned here; replaced ones wait in m_retired until they can be deleted.
    QPointer<QMenu> m_trayMenu;
    QPointer<QMenu> m_contextMenu;
    QList<QPointer<QMenu>> m_retired;
    QTimer m_trayCheck;
    int m_nextTrayCheckMs = firstTrayCheckMs;
};
