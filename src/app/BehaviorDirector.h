#pragma once

#include "behavior/BehaviorEngine.h"
#include "behavior/RowRoles.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRectF>

#include <optional>

class Clock;
class PetWindowController;
class RandomSource;
class SettingsStore;
class WindowSystem;

// Runs the behaviour engine for the pet window it is given: hands the engine the rows the pet may
// play, runs it only while the window is on screen, and carries out its moves. The window sits on
// whole pixels, so the exact position the engine walked to is kept here; steps of a fraction of a
// pixel then add up to the right speed.
class BehaviorDirector : public QObject {
    Q_OBJECT

public:
    BehaviorDirector(PetWindowController &window, Clock &clock, RandomSource &random, WindowSystem *windowSystem,
        PetStateMachine &stateMachine, SettingsStore &settings, QObject *parent = nullptr);
    ~BehaviorDirector() override;

    BehaviorEngine &engine() { return m_engine; }
    const BehaviorEngine &engine() const { return m_engine; }

    // The pet's rows that have frames and what their names make of them.
    void setRows(const QList<qint64> &rows, const RowRoles::NameOf &nameOf, bool movementInverted);
    // Stores the mode and restarts the engine in it, unless the engine is held.
    void setMode(BehaviorMode mode);
    // Nothing the pet does on its own is worth a wake-up while nobody can see it: the engine is
    // held while the window is not on screen (it starts so) and restarts when it is again.
    void setHeld(bool held);
    bool isHeld() const { return m_held; }

    // Moves the window by the offset, kept inside the available area of its screen.
    void moveWindow(double dx, double dy);
    // Where the window is, or is about to be: the exact position of the moves asked for while
    // the window system confirms them.
    QRectF windowFrame() const;

signals:
    // The window moved, by the engine or anyone else.
    void windowMoved();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    PetWindowController &m_window;
    WindowSystem *m_windowSystem;
    SettingsStore &m_settings;
    BehaviorEngine m_engine;
    bool m_held = true;
    std::optional<QPointF> m_preciseOrigin;
    // Moves asked of the window system and not yet confirmed.
    QList<QPoint> m_requestedOrigins;
};
