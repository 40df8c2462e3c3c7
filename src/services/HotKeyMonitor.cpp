#include "services/HotKeyMonitor.h"

#include "foundation/Log.h"

#include <QKeySequence>

namespace {
QString describeFailure(const GlobalHotKey::Failure &failure)
{
    using Reason = GlobalHotKey::Failure::Reason;
    QString text;
    switch (failure.reason) {
    case Reason::Unavailable: text = QStringLiteral("global hot keys are not available on this display"); break;
    case Reason::UnknownKey: text = QStringLiteral("the keyboard has no such key"); break;
    case Reason::Taken: text = QStringLiteral("the key is already taken by another program"); break;
    case Reason::Refused: text = QStringLiteral("the window system refused it"); break;
    }
    if (!failure.detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(failure.detail);
    return text;
}
}

HotKeyMonitor::HotKeyMonitor(GlobalHotKey &hotKeys, QObject *parent)
    : QObject(parent)
    , m_hotKeys(hotKeys)
{
    connect(&m_hotKeys, &GlobalHotKey::pressed, this, &HotKeyMonitor::onPressed);
}

HotKeyMonitor::~HotKeyMonitor()
{
    unregister();
}

void HotKeyMonitor::setHandler(QObject *context, std::function<void()> handler)
{
    m_handlerContext = context;
    m_handler = context ? std::move(handler) : std::function<void()>();
}

bool HotKeyMonitor::registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    unregister();
    const GlobalHotKey::RegisterResult result = m_hotKeys.registerKey(key, modifiers);
    if (!result) {
        Log::line(QStringLiteral("HotKeyMonitor: grabbing %1 failed: %2")
                      .arg(describe(key, modifiers), describeFailure(result.error())));
        return false;
    }
    m_id = result.value();
    return true;
}

void HotKeyMonitor::unregister()
{
    if (!m_id)
        return;
    m_hotKeys.unregisterKey(*m_id);
    m_id.reset();
}

QString HotKeyMonitor::describe(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    // Written in the order desktop settings use; the logo key is "Super" here, not Qt's "Meta".
    QStringList parts;
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("Super");
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("Ctrl");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("Alt");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("Shift");
    parts << QKeySequence(key).toString(QKeySequence::PortableText);
    return parts.join(QLatin1Char('+'));
}

void HotKeyMonitor::onPressed(GlobalHotKey::Id id)
{
    // A press reported after the combination was released or replaced belongs to no one.
    if (!m_id || *m_id != id)
        return;
    // Either may end the monitor; the handler runs from a copy for that reason.
    const QPointer<HotKeyMonitor> self(this);
    emit fired();
    if (!self || !m_handler || !m_handlerContext)
        return;
    const std::function<void()> handler = m_handler;
    handler();
}
