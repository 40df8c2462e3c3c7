#pragma once

#include "askprompt/AskPromptWindowController.h"
#include "llm/AskAgent.h"
#include "llm/GroqClient.h"
#include "services/AskFailureFlow.h"
#include "services/AskRunner.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>

#include <optional>

class AppCoordinator;
class PetSession;
struct AppEnvironment;

// Everything a question needs, from the hot key to the answer in the bubble: the Groq client, the
// agent with the program's tools, the failure flow, and the Ask prompt beside the pet. While the
// prompt is open the pet holds its listening row, if its character names one that has frames.
class AskCoordinator : public QObject {
    Q_OBJECT

public:
    AskCoordinator(AppCoordinator &root, const AppEnvironment &environment, ToolExecutor &tools);
    ~AskCoordinator() override;

    void toggle();
    bool isOpen() const { return m_prompt.isOpen(); }

    AskPromptWindowController &prompt() { return m_prompt; }
    GroqClient &client() { return m_client; }

private:
    void present();
    void releaseListeningRow();
    void updateKeyState();

    AppCoordinator &m_root;
    const AppEnvironment &m_env;
    QNetworkAccessManager m_network;
    GroqClient m_client;
    AskAgent m_agent;
    AskFailureFlow m_failures;
    AskRunner m_runner;
    AskPromptWindowController m_prompt;
    QPointer<PetSession> m_listeningSession;
    bool m_presentOnceLoaded = false;
};
