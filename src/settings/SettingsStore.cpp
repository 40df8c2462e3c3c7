#include "settings/SettingsStore.h"

#include "foundation/TextParsing.h"
#include "settings/SettingsKeys.h"
#include <cmath>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include "foundation/Log.h"
#include "foundation/TextTrim.h"

namespace {
// Stored sizes and speeds outside these bounds cannot come from the program's own menus and
// would make the window absurdly large or the frame timer spin; they read as the default.
constexpr double kMaxScale = 8.0;
constexpr double kMaxPlaybackSpeed = 8.0;
// Far beyond any desktop's coordinates, and still far inside what an int holds, so that a
// position read back converts to whole pixels without overflow.
constexpr double kMaxCoordinate = 1e6;
// Values kept aside are the user's data; a few of them are worth keeping, an endless series is not.
constexpr int kMaxAsideCopies = 20;
}

SettingsStore::SettingsStore(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(flushDelay);
    connect(&m_flushTimer, &QTimer::timeout, this, &SettingsStore::flush);
    // QSettings would also write by itself at the next turn of the event loop; the timer decides.
    m_settings->installEventFilter(this);
    if (const QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            // Whatever the quit steps still change must not wait for a timer that never runs again.
            m_writeThrough = true;
            flush();
        });
}

SettingsStore::~SettingsStore()
{
    flush();
}

void SettingsStore::flush()
{
    m_flushTimer.stop();
    m_settings->sync();
    if (m_settings->status() == QSettings::AccessError)
        Log::line(QStringLiteral("SettingsStore flush failed: Could not write \"%1\".").arg(filePath()));
}

void SettingsStore::scheduleFlush()
{
    if (m_writeThrough)
        flush();
    // Not restarted by later changes, so a steady stream of them still reaches the file.
    else if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

bool SettingsStore::eventFilter(QObject *watched, QEvent *event)
{
    return watched == m_settings.get() && event->type() == QEvent::UpdateRequest;
}

QString SettingsStore::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/tamsel/tamsel.conf");
}

SettingsStore &SettingsStore::shared()
{
    static SettingsStore store(defaultFilePath());
    return store;
}

QString SettingsStore::filePath() const
{
    return m_settings->fileName();
}

bool SettingsStore::contains(const QString &key) const
{
    return m_settings->contains(key);
}

void SettingsStore::remove(const QString &key)
{
    if (!m_settings->contains(key))
        return;
    m_settings->remove(key);
    scheduleFlush();
    emit valueChanged(key);
}

QString SettingsStore::keepAside(const QString &key)
{
    const QVariant value = rawValue(key);
    if (!value.isValid())
        return {};
    for (int copy = 1; copy <= kMaxAsideCopies; ++copy) {
        const QString aside
            = key + QStringLiteral(".unreadable") + (copy > 1 ? QStringLiteral("-%1").arg(copy) : QString());
        const QVariant existing = rawValue(aside);
        if (existing == value)
            return aside;
        if (!existing.isValid()) {
            write(aside, value);
            return aside;
        }
    }
    return {};
}

QVariant SettingsStore::rawValue(const QString &key) const
{
    return m_settings->value(key);
}

void SettingsStore::write(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
    scheduleFlush();
    emit valueChanged(key);
}

std::optional<bool> SettingsStore::stored(const SettingsKey<bool> &key) const
{
    const QVariant raw = rawValue(key.name);
    if (raw.typeId() == QMetaType::Bool)
        return raw.toBool();
    if (raw.typeId() == QMetaType::QString) {
        const QString text = TextTrim::whiteSpaceAndLineBreaks(raw.toString()).toLower();
        if (text == QLatin1String("true") || text == QLatin1String("1"))
            return true;
        if (text == QLatin1String("false") || text == QLatin1String("0"))
            return false;
    }
    return std::nullopt;
}

std::optional<double> SettingsStore::stored(const SettingsKey<double> &key) const
{
    const QVariant raw = rawValue(key.name);
    switch (raw.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        const double value = raw.toDouble();
        return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
    }
    case QMetaType::QString: return TextParsing::strictDouble(TextTrim::whiteSpaceAndLineBreaks(raw.toString()));
    default: return std::nullopt;
    }
}

std::optional<QString> SettingsStore::stored(const SettingsKey<QString> &key) const
{
    const QVariant raw = rawValue(key.name);
    if (raw.typeId() == QMetaType::QString)
        return raw.toString();
    return std::nullopt;
}

std::optional<QByteArray> SettingsStore::stored(const SettingsKey<QByteArray> &key) const
{
    const QVariant raw = rawValue(key.name);
    if (raw.typeId() == QMetaType::QByteArray)
        return raw.toByteArray();
    if (raw.typeId() == QMetaType::QString)
        return raw.toString().toUtf8();
    return std::nullopt;
}

void SettingsStore::setValue(const SettingsKey<bool> &key, bool value)
{
    write(key.name, value);
}

void SettingsStore::setValue(const SettingsKey<double> &key, double value)
{
    write(key.name, value);
}

void SettingsStore::setValue(const SettingsKey<QString> &key, const QString &value)
{
    write(key.name, value);
}

void SettingsStore::setValue(const SettingsKey<QByteArray> &key, const QByteArray &value)
{
    write(key.name, value);
}

bool SettingsStore::showInTaskbar() const
{
    return value(SettingsKeys::showInTaskbar);
}

bool SettingsStore::chatterEnabled() const
{
    return value(SettingsKeys::chatterEnabled);
}

BehaviorMode SettingsStore::behaviorMode() const
{
    BehaviorMode mode = BehaviorMode::Wander;
    SettingsEnums::parse(value(SettingsKeys::behaviorMode), &mode);
    return mode;
}

void SettingsStore::setBehaviorMode(BehaviorMode mode)
{
    setValue(SettingsKeys::behaviorMode, SettingsEnums::rawString(mode));
}

WindowLevel SettingsStore::windowLevel() const
{
    WindowLevel level = WindowLevel::Floating;
    SettingsEnums::parse(value(SettingsKeys::windowLevel), &level);
    return level;
}

void SettingsStore::setWindowLevel(WindowLevel level)
{
    setValue(SettingsKeys::windowLevel, SettingsEnums::rawString(level));
}

InputMode SettingsStore::inputMode() const
{
    return value(SettingsKeys::inputMode) == QLatin1String("voice") ? InputMode::Voice : InputMode::Text;
}

ClickBehavior SettingsStore::clickBehavior() const
{
    return ClickBehavior::fromRawString(value(SettingsKeys::clickBehavior));
}

void SettingsStore::setClickBehavior(const ClickBehavior &behavior)
{
    setValue(SettingsKeys::clickBehavior, behavior.rawString());
}

double SettingsStore::scale() const
{
    const double raw = value(SettingsKeys::scale);
    return (raw > 0.0 && raw <= kMaxScale) ? raw : 0.5;
}

double SettingsStore::playbackSpeed() const
{
    const double raw = value(SettingsKeys::playbackSpeed);
    return (raw > 0.0 && raw <= kMaxPlaybackSpeed) ? raw : 1.0;
}

std::optional<QPointF> SettingsStore::lastPosition() const
{
    const auto x = stored(SettingsKeys::lastPositionX);
    const auto y = stored(SettingsKeys::lastPositionY);
    if (!x || !y || std::fabs(*x) > kMaxCoordinate || std::fabs(*y) > kMaxCoordinate)
        return std::nullopt;
    return QPointF(*x, *y);
}

void SettingsStore::setLastPosition(QPointF origin)
{
    // Both coordinates reach the file together, so no reader ever sees half a position.
    m_settings->setValue(SettingsKeys::lastPositionX.name, origin.x());
    m_settings->setValue(SettingsKeys::lastPositionY.name, origin.y());
    scheduleFlush();
    emit valueChanged(SettingsKeys::lastPositionX.name);
    emit valueChanged(SettingsKeys::lastPositionY.name);
}

QHash<QString, bool> SettingsStore::movementInversions() const
{
    QHash<QString, bool> result;
    const auto data = stored(SettingsKeys::movementInverted);
    if (!data)
        return result;
    const QJsonDocument document = QJsonDocument::fromJson(*data);
    if (!document.isObject())
        return result;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isBool())
            return {}; // one bad member makes the whole map undecodable
        result.insert(it.key(), it.value().toBool());
    }
    return result;
}

void SettingsStore::setMovementInversions(const QHash<QString, bool> &inversions)
{
    QJsonObject object;
    for (auto it = inversions.begin(); it != inversions.end(); ++it)
        object.insert(it.key(), it.value());
    setValue(SettingsKeys::movementInverted, QJsonDocument(object).toJson(QJsonDocument::Compact));
}

bool SettingsStore::isMovementInverted(const QString &petID, const QString &bundledPetID) const
{
    const QHash<QString, bool> inversions = movementInversions();
    const auto it = inversions.constFind(petID);
    if (it != inversions.constEnd())
        return it.value();
    return !bundledPetID.isEmpty() && petID == bundledPetID;
}

void SettingsStore::setMovementInverted(const QString &petID, bool inverted)
{
    QHash<QString, bool> inversions = movementInversions();
    inversions.insert(petID, inverted);
    setMovementInversions(inversions);
}
