#pragma once

#include "settings/ClickBehavior.h"
#include "settings/SettingsEnums.h"
#include "settings/SettingsKey.h"

#include <QHash>
#include <QObject>
#include <QPointF>
#include <QSettings>

#include <memory>
#include <optional>

// Typed access to the settings file (~/.config/tamsel/tamsel.conf, INI). Reading is lenient:
// an absent, mistyped or unrecognised value gives the key's default; nothing here ever fails.
// Every write is flushed to disk at once so that a crash loses nothing.
class SettingsStore : public QObject {
    Q_OBJECT

public:
    explicit SettingsStore(const QString &filePath, QObject *parent = nullptr);
    ~SettingsStore() override;

    // The program's settings file, honouring XDG_CONFIG_HOME.
    static QString defaultFilePath();
    static SettingsStore &shared();

    QString filePath() const;

    bool contains(const QString &key) const;
    void remove(const QString &key);

    template<typename T> T value(const SettingsKey<T> &key) const { return stored(key).value_or(key.defaultValue); }
    // The stored value when present and of the key's type.
    std::optional<bool> stored(const SettingsKey<bool> &key) const;
    std::optional<double> stored(const SettingsKey<double> &key) const;
    std::optional<QString> stored(const SettingsKey<QString> &key) const;
    std::optional<QByteArray> stored(const SettingsKey<QByteArray> &key) const;

    void setValue(const SettingsKey<bool> &key, bool value);
    void setValue(const SettingsKey<double> &key, double value);
    void setValue(const SettingsKey<QString> &key, const QString &value);
    void setValue(const SettingsKey<QByteArray> &key, const QByteArray &value);
    template<typename T> void remove(const SettingsKey<T> &key) { remove(key.name); }

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

    // The pet window's saved origin; present only when both coordinates are stored.
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

private:
    QVariant rawValue(const QString &key) const;
    void write(const QString &key, const QVariant &value);

    std::unique_ptr<QSettings> m_settings;
};
