#include "app/AskCoordinator.h"

#include "app/AppCoordinator.h"
#include "app/AppEnvironment.h"
#include "app/AppWindows.h"
#include "app/PetSession.h"
#include "pets/SpriteSheetDecoder.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"
#include "services/KeyStore.h"
#include "settings/SettingsStore.h"
#include "userdata/CharacterStore.h"

#include <QScreen>
#include <QWidget>

#include <utility>

namespace {
const QString transcriptionModel = QStringLiteral("whisper-large-v3");
}

AskCoordinator::AskCoordinator(AppCoordinator &root, const AppEnvironment &environment, ToolExecutor &tools)
    : QObject(&root)
    , m_root(root)
    , m_env(environment)
    , m_client(m_network, environment.keyStore->keyProvider())
    , m_agent(m_client, tools, *environment.settings, *environment.clock)
    , m_failures(*environment.alerts, *environment.toolPlatform.urlOpener, *environment.settings,
          AskFailureFlow::Host {
              [this](const QString &text, std::chrono::milliseconds duration) {
                  m_root.speechBubble().show(text, duration);
              },
              [this] { m_root.windows().showPreferences(PreferencesSection::Advanced); },
          })
    , m_runner(m_agent, m_failures,
          AskRunner::Hooks {
              [this](const QString &text, std::chrono::milliseconds duration) {
                  m_root.speechBubble().show(text, duration);
              },
              [this] {
                  const std::optional<QString> petID = m_root.activePetID();
                  return m_root.characterStore().character(petID.value_or(QString())).systemPrompt();
              },
          })
    , m_prompt(environment.audioInput,
          [client = QPointer<GroqClient>(&m_client)](QString path) -> QCoro::Task<Result<QString, ClientError>> {
              if (!client)
                  co_return ClientError::empty();
              // Arguments are built outside the co_await: GCC 12 destroys temporaries of an awaited
              // call's arguments twice.
              auto transcription = client->transcribe(path, transcriptionModel);
              co_return co_await std::move(transcription);
          })
{
    m_network.setTransferTimeout(GroqClient::defaultTransferTimeoutMs);
    m_client.setKeyLoader(environment.keyStore->keyLoader());
    m_prompt.setWindowSystem(environment.windowSystem);
    connect(&m_prompt, &AskPromptWindowController::closed, this, &AskCoordinator::releaseListeningRow);
    connect(&m_prompt, &AskPromptWindowController::submitted, this,
        [this](const QString &question) { m_runner.ask(question); });
    connect(&m_prompt, &AskPromptWindowController::keySettingsRequested, this,
        [this] { m_root.windows().showPreferences(PreferencesSection::Advanced); });
    connect(&root, &AppCoordinator::petLoaded, this, [this] {
        if (std::exchange(m_presentOnceLoaded, false))
            present();
    });
    connect(m_env.keyStore, &KeyStore::keyChanged, this, &AskCoordinator::updateKeyState);
    connect(m_env.keyStore, &KeyStore::loaded, this, &AskCoordinator::updateKeyState);
    updateKeyState();
}

AskCoordinator::~AskCoordinator()
{
    m_prompt.disconnect(this);
    m_prompt.close();
}

void AskCoordinator::updateKeyState()
{
    using KeyState = AskPromptWindowController::KeyState;
    if (!m_env.keyStore->isLoaded())
        m_prompt.setKeyState(KeyState::unknown);
    else
        m_prompt.setKeyState(m_env.keyStore->groqAPIKey() ? KeyState::present : KeyState::absent);
}

void AskCoordinator::toggle()
{
    if (m_prompt.isOpen())
        m_prompt.close();
    else if (m_presentOnceLoaded)
        m_presentOnceLoaded = false;
    else
        present();
}

void AskCoordinator::present()
{
    PetSession *session = m_root.session();
    if (!session) {
        // Asked for while the pet still loads (the hot key pressed as it appears): opened once
        // it has.
        m_presentOnceLoaded = true;
        return;
    }
    QWidget *petWindow = session->window().window();
    const QRect petFrame = petWindow->frameGeometry();
    // The screen holding the pet's centre: Qt's own idea of a window's screen can lag behind a
    // drag onto another monitor.
    QScreen *screen = session->window().screen();
    const QRect visible = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const auto mode = m_env.settings->inputMode() == InputMode::Voice ? AskPromptWindowController::InputMode::voice
                                                                      : AskPromptWindowController::InputMode::text;
    m_prompt.present(petFrame, visible, mode);

    const std::optional<qint64> row
        = m_root.characterStore().character(session->package().manifest.id).listeningAnimationRow;
    if (row && session->decoder() && session->decoder()->effectiveFrameCount(*row) > 0) {
        session->pinRow(*row);
        m_listeningSession = session;
    }
}

void AskCoordinator::releaseListeningRow()
{
    if (m_listeningSession)
        m_listeningSession->clearPinnedRow();
    m_listeningSession.clear();
}
