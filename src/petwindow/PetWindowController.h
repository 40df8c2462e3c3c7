#pragma once

#include "settings/SettingsEnums.h"

#include <memory>
#include <optional>

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QTimer>

class PetSpriteView;
class QScreen;
class QWindow;
class WindowSystem;

// The pet's window: borderless, transparent, never focused, on every desktop, holding the
// sprite view. Geometry is in Qt's global coordinates (top-left origin, y down).
class PetWindowController final : public QObject {
    Q_OBJECT

public:
    // The window gets the given size and, as its top-left corner, the origin, or when there is
    // none the centre of the primary screen's available area (of the first screen when there is
    // no primary one; (100, 100) without any screen). It is not shown yet.
    PetWindowController(
        QSize initialSize, std::optional<QPoint> origin, WindowSystem *windowSystem, QObject *parent = nullptr);
    // Hides the window and lets it go.
    ~PetWindowController() override;

    PetSpriteView *spriteView() const { return m_view.get(); }
    // The top-level widget of the pet; the sprite view is its only content.
    QWidget *window() const;
    QWindow *windowHandle() const;

    // Orders the window to the front without activating it.
    void show();
    void hide();
    // Shown and exposed on screen.
    bool isVisible() const { return m_visible; }

    // Floating and always-on-top keep the window above normal windows; always-on-top also
    // raises it again whenever another window comes to cover it. Desktop keeps it below them.
    // Applies live, without hiding the window.
    void setWindowLevel(WindowLevel level);
    WindowLevel windowLevel() const { return m_level; }

    // Click-through: the window receives no mouse input at all. Applies live; a press in progress
    // ends as a non-click.
    void setClickThrough(bool enabled);
    bool isClickThrough() const { return m_clickThrough; }

    // Moves the window to the centre of the primary screen's available area when it overlaps
    // the available area of no screen (a display was disconnected, a saved position is stale).
    // Runs by itself whenever a screen goes away.
    void recoverIfOffscreen();

    // The screen holding the window's centre, else the primary screen, else none.
    QScreen *screen() const;
    // A name for a screen that stays the same across runs: its connector name and geometry,
    // "screen-unknown" for no screen.
    static QString identifier(const QScreen *screen);

signals:
    // The window became visible on screen (shown and exposed) or stopped being so.
    void visibilityChanged(bool visible);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setFlag(Qt::WindowType flag, bool on);
    void updateVisibility();
    void raiseIfCovered();

    QPointer<WindowSystem> m_windowSystem;
    std::unique_ptr<PetSpriteView> m_view;
    WindowLevel m_level = WindowLevel::Floating;
    bool m_clickThrough = false;
    bool m_visible = false;
    // Raising makes the stacking change again; at most one raise per cooldown keeps two
    // always-on-top programs from trading places forever.
    QTimer m_raiseCooldown;
    bool m_raisePending = false;
};
