#pragma once

#include "llm/ClientError.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

class AlertPresenter;
class SettingsStore;
class UrlOpener;

// Turns a failed question into the pet's own words, then offers a way forward: fixing the Groq
// set-up when that is what went wrong, otherwise a web search for the question.
class AskFailureFlow : public QObject {
    Q_OBJECT

public:
    enum class KeySetupProblem { MissingKey, KeyRejected, ModelRetired, ToolsUnsupported };

    struct Host {
        std::function<void(const QString &text, std::chrono::milliseconds duration)> speak;
        std::function<void()> showAdvancedPreferences;
    };

    AskFailureFlow(
        AlertPresenter &alerts, UrlOpener &urlOpener, SettingsStore &settings, Host host, QObject *parent = nullptr);

    static std::optional<KeySetupProblem> keySetupProblem(const ClientError &error);
    static QString friendlyAskErrorMessage(const ClientError &error);

    // Says what went wrong for 6 seconds, then 0.4 seconds later makes the matching offer.
    void handleAskFailure(const QString &query, const ClientError &error);
    void offerKeySetup(KeySetupProblem problem);
    void offerGoogleFallback(const QString &query);
    void openGoogleSearch(const QString &query);

    static constexpr std::chrono::milliseconds bubbleDuration { 6000 };
    static constexpr std::chrono::milliseconds offerDelay { 400 };

private:
    AlertPresenter &m_alerts;
    UrlOpener &m_urlOpener;
    SettingsStore &m_settings;
    Host m_host;
};
