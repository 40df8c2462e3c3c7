#include "widgets/CaretBlinkTimeout.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QStyleHints>

namespace {
// Below this Qt does not blink at all (it blinks every flashTime / 2 ms).
constexpr int shortestBlinkingFlashTime = 2;
}

CaretBlinkTimeout::CaretBlinkTimeout(QLineEdit *field, std::chrono::milliseconds timeout)
    : QObject(field)
    , m_field(field)
    , m_timer(this)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(timeout);
    connect(&m_timer, &QTimer::timeout, this, &CaretBlinkTimeout::rest);
    field->installEventFilter(this);
    // Text set from elsewhere (a transcript) moves the caret too.
    connect(field, &QLineEdit::cursorPositionChanged, this, &CaretBlinkTimeout::handleActivity);
    if (field->hasFocus())
        m_timer.start();
}

CaretBlinkTimeout::~CaretBlinkTimeout()
{
    wake();
}

void CaretBlinkTimeout::setTimeout(std::chrono::milliseconds timeout)
{
    m_timer.setInterval(timeout);
    if (m_timer.isActive())
        m_timer.start();
}

bool CaretBlinkTimeout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field) {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::KeyPress:
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: handleActivity(); break;
        case QEvent::FocusOut:
            m_timer.stop();
            wake();
            break;
        default: break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void CaretBlinkTimeout::handleActivity()
{
    if (!m_field || !m_field->hasFocus())
        return;
    // Blinking starts again lit, before the field handles the key.
    wake();
    m_timer.start();
}

void CaretBlinkTimeout::rest()
{
    QStyleHints *hints = QGuiApplication::styleHints();
    if (isResting() || !m_field || !m_field->hasFocus() || hints->cursorFlashTime() < shortestBlinkingFlashTime)
        return;
    m_savedFlashTime = hints->cursorFlashTime();
    // Every blinking line edit stops with the caret lit; only the focused one blinks.
    hints->setCursorFlashTime(0);
}

void CaretBlinkTimeout::wake()
{
    if (!isResting())
        return;
    QStyleHints *hints = QGuiApplication::styleHints();
    // Someone else may have chosen another flash time meanwhile; theirs stays.
    if (hints->cursorFlashTime() == 0)
        hints->setCursorFlashTime(*m_savedFlashTime);
    m_savedFlashTime.reset();
}
