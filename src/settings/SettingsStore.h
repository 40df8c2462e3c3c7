#pragma once

#include "settings/ClickBehavior.h"
#include "settings/SettingsEnums.h"
#include "settings/SettingsKey.h"

#include <QHash>
#include <QObject>
#include <QPointF>
#include <QSettings>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

// Typed access to the settings file (~/.config/tamsel/tamsel.conf, INI). Reading is lenient:
// an absent, mistyped or unrecognised value gives the key's default; nothing here ever fails.
// Every change is visible at once to every reader in the process; the file is rewritten once per
// burst of changes, at most flushDelay after the first. Once the application is about to quit (a
// quit from the menu, SIGTERM, the session's end) every change is written at once, and whatever is
// pending when the store is destroyed is written then.
class SettingsStore : public QObject {
    Q_OBJECT

public:
    // Long enough to gather what one drag, click or slider movement changes into one write.
    static constexpr std::chrono::milliseconds flushDelay { 250 };

    explicit SettingsStore(const QString &filePath, QObject *parent = nullptr);
    ~SettingsStore() override;

    // The program's settings file, honouring XDG_CONFIG_HOME.
    static QString defaultFilePath();
    static SettingsStore &shared();

    QString filePath() const;
    // Writes pending changes to the file now.
    void flush();

    bool contains(const QString &key) const;
    void remove(const QString &key);

    template<typename T> T value(const SettingsKey<T> &key) const { return stored(key).value_or(key.defaultValue); }
    // The stored value when present and of the key's type; a number is always finite.
    std::optional<bool> stored(const SettingsKey<bool> &key) const;
    std::optional<double> stored(const SettingsKey<double> &key) const;
    std::optional<QString> stored(const SettingsKey<QString> &key) const;
    std::optional<QByteArray> stored(const SettingsKey<QByteArray> &key) const;

    void setValue(const SettingsKey<bool> &key, bool value);
    void setValue(const SettingsKey<double> &key, double value);
    void setValue(const SettingsKey<QString> &key, const QString &value);
    void setValue(const SettingsKey<QByteArray> &key, const QByteArray &value);
    template<typename T> void remove(const SettingsKey<T> &key) { remove(key.name); }
    // Copies the value stored under the key, whatever its type, to "<key>.unreadable" (or, when
    // that holds something else, "<key>.unreadable-2", "-3", ...) unless one of those already holds
    // the same value. The key it is kept under; empty when nothing is stored or every name is taken.
    QString keepAside(const QString &key);

    // Typed settings whose stored form needs translation.
    bool showInTaskbar() const;
    bool chatterEnabled() const;
    BehaviorMode behaviorMode() const;
    void setBehaviorMode(BehaviorMode mode);
    WindowLevel windowLevel() const;
    void setWindowLevel(WindowLevel level);
    InputMode inputMode() const;
    ClickBehavior clickBehavior() const;
    void setClickBehavior(const ClickBehavior &behavior);
    // Window size as a fraction of one atlas frame; 0.5 when unset or unusable.
    double scale() const;
    // Multiplier on every frame rate; 1.0 when unset or unusable.
    double playbackSpeed() const;

    // The pet window's saved origin; present only when both coordinates are stored and within a
    // million pixels of the origin (a hand-edited 1e12 reads as no position).
    std::optional<QPointF> lastPosition() const;
    void setLastPosition(QPointF origin);

    // Per pet, whether its derived run rows are swapped. A pet without an entry counts as
    // inverted only when it is the built-in pet.
    QHash<QString, bool> movementInversions() const;
    void setMovementInversions(const QHash<QString, bool> &inversions);
    bool isMovementInverted(const QString &petID, const QString &bundledPetID) const;
    void setMovementInverted(const QString &petID, bool inverted);

signals:
    void valueChanged(const QString &key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QVariant rawValue(const QString &key) const;
    void write(const QString &key, const QVariant &value);
    void scheduleFlush();

    std::unique_ptr<QSettings> m_settings;
    QTimer m_flushTimer;
    bool m_writeThrough = false;
};
