#pragma once

#include <QList>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVariant>

#include <memory>

class MenuBarControllerDelegate;
class QAction;

// The program's main menu, offered by a paw icon in the system tray and, the same menu, as the
// pet's context menu. Menus are never edited: every change of state installs a freshly built one
// (rebuild()). Each item carries its value in QAction::data(); an item without the value it should
// carry does nothing. After every item the menu is rebuilt.
//
// The delegate is held weakly when it is a QObject; otherwise it must outlive the controller.
class MenuBarController : public QObject {
    Q_OBJECT

public:
    explicit MenuBarController(MenuBarControllerDelegate *delegate, QObject *parent = nullptr);
    ~MenuBarController() override;

    // A complete menu from the current state; the caller owns it.
    std::unique_ptr<QMenu> buildMainMenu();
    // Installs a freshly built menu on the tray icon. A menu the user has open stays until it closes.
    void rebuild();
    // Shows a freshly built menu at the given global position (the pet's right-click).
    void popUpContextMenu(const QPoint &globalPos);

    // Null while the desktop has no system tray; the controller keeps looking for one.
    QSystemTrayIcon *trayIcon() const { return m_trayIcon.get(); }
    QMenu *trayMenu() const { return m_trayMenu; }
    QMenu *contextMenu() const { return m_contextMenu; }

    // Item titles: "0.75×", "1×"; "25%", "150%"; "Animation 5 · 1 frame".
    static QString speedTitle(double speed);
    static QString scaleTitle(double scale);
    static QString unnamedRowTitle(qint64 row, qint64 frameCount);

    static constexpr int trayPollIntervalMs = 3000;
    // Rows listed in the Animation submenu; an atlas of thin strips could have thousands.
    static constexpr int maxListedRows = 100;
    // Characters of a pet or row name shown in an item title.
    static constexpr int maxTitleLength = 64;

signals:
    void trayIconCreated();

private:
    using Handler = void (MenuBarController::*)(const QVariant &);

    MenuBarControllerDelegate *delegate() const;
    void ensureTrayIcon();
    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void retire(QMenu *menu);

    QAction *addItem(QMenu *menu, const QString &title, const QVariant &data, Handler handler);
    void addAnimationMenu(QMenu *menu);
    void addSpeedMenu(QMenu *menu);
    void addScaleMenu(QMenu *menu);
    void addBehaviorMenu(QMenu *menu);
    void addLibraryMenu(QMenu *menu);

    void onToggleVisibility(const QVariant &);
    void onDefaultAnimation(const QVariant &);
    void onRowChosen(const QVariant &data);
    void onSpeedChosen(const QVariant &data);
    void onScaleChosen(const QVariant &data);
    void onBehaviorChosen(const QVariant &data);
    void onSwitchPet(const QVariant &data);
    void onRevealPet(const QVariant &data);
    void onDeletePet(const QVariant &data);
    void onImportFolder(const QVariant &);
    void onImportZip(const QVariant &);
    void onPreferences(const QVariant &);
    void onQuit(const QVariant &);

    MenuBarControllerDelegate *m_delegate;
    QPointer<QObject> m_delegateObject; // set when the delegate is a QObject
    bool m_delegateIsObject = false;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
    // Parentless menus owned here; replaced ones wait in m_retired until they can be deleted.
    QPointer<QMenu> m_trayMenu;
    QPointer<QMenu> m_contextMenu;
    QList<QPointer<QMenu>> m_retired;
    QTimer m_trayPoll;
};
