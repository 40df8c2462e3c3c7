#include "askprompt/AskPromptWindowController.h"

#include "askprompt/AskPromptPanel.h"
#include "askprompt/AskPromptPlacement.h"
#include "askprompt/AskPromptView.h"
#include "platform/AudioInput.h"
#include "platform/WindowSystem.h"

#include <QLineEdit>
#include <QTimer>

AskPromptWindowController::AskPromptWindowController(
    AudioInput *input, AskPromptModel::Transcriber transcriber, QObject *parent)
    : QObject(parent)
    , m_input(input)
    , m_transcriber(std::move(transcriber))
{
}

AskPromptWindowController::~AskPromptWindowController()
{
    close();
}

void AskPromptWindowController::setWindowSystem(WindowSystem *windowSystem)
{
    m_windowSystem = windowSystem;
}

void AskPromptWindowController::present(const QRect &petFrame, const QRect &visibleArea, InputMode mode)
{
    if (m_panel)
        return;
    m_petFrame = petFrame;
    m_visibleArea = visibleArea;
    m_model = std::make_unique<AskPromptModel>(m_input, m_transcriber);
    auto *view = new AskPromptView(*m_model);
    auto *panel = new AskPromptPanel(view);
    m_panel = panel;
    connect(view, &AskPromptView::submitRequested, this, &AskPromptWindowController::handleSubmit);
    connect(view, &AskPromptView::cancelRequested, this, &AskPromptWindowController::close);
    connect(panel, &AskPromptPanel::escapePressed, this, &AskPromptWindowController::close);
    connect(view, &AskPromptView::openSettingsRequested, this, [this] {
        close();
        emit keySettingsRequested();
    });
    connect(m_model.get(), &AskPromptModel::transcribed, this, &AskPromptWindowController::handleSubmit);
    place();
    panel->show();
    panel->raise();
    panel->activateWindow();
    view->textField()->setFocus(Qt::ActiveWindowFocusReason);
    QTimer::singleShot(activationGraceMs, panel, [this, panel] {
        if (!panel->isActiveWindow() && m_windowSystem)
            m_windowSystem->activate(panel->windowHandle());
    });
    emit opened();
    if (mode == InputMode::voice)
        m_model->startRecording();
}

void AskPromptWindowController::place()
{
    if (!m_panel)
        return;
    const bool notice = m_keyState == KeyState::absent;
    m_panel->view()->setKeyNoticeVisible(notice);
    const int height = notice ? AskPromptPlacement::heightWithoutKey : AskPromptPlacement::heightWithKey;
    const QPoint origin = AskPromptPlacement::origin(m_petFrame, m_visibleArea, height);
    m_panel->setCardGeometry(QRect(origin, QSize(AskPromptPlacement::width, height)));
}

void AskPromptWindowController::setKeyState(KeyState state)
{
    if (state == m_keyState)
        return;
    m_keyState = state;
    place();
}

void AskPromptWindowController::close()
{
    if (!m_panel)
        return;
    // The model goes first so that a recording stops before its window does.
    m_model.reset();
    AskPromptPanel *panel = m_panel;
    m_panel.clear();
    panel->hide();
    panel->deleteLater();
    emit closed();
}

void AskPromptWindowController::handleSubmit(const QString &text)
{
    const QString question = text.trimmed();
    close();
    if (!question.isEmpty())
        emit submitted(question);
}
