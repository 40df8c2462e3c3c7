#include "services/AskFailureFlow.h"

#include "llm/ToolRegistry.h"

#include "platform/AlertPresenter.h"
#include "platform/UrlOpener.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QPointer>
#include <QTextBoundaryFinder>
#include <QTimer>

#include <cmath>

namespace {
const QString kConsoleHost = QStringLiteral("console.groq.com");
constexpr qsizetype kQueryPreviewLength = 120;

// The first `count` characters as a reader counts them (grapheme clusters), with "…" when cut.
QString preview(const QString &text, qsizetype count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype clusters = 0;
    qsizetype cut = -1;
    while (finder.toNextBoundary() != -1) {
        if (++clusters == count)
            cut = finder.position();
    }
    if (clusters <= count)
        return text;
    return text.left(cut) + QStringLiteral("…");
}
}

AskFailureFlow::AskFailureFlow(
    AlertPresenter &alerts, UrlOpener &urlOpener, SettingsStore &settings, Host host, QObject *parent)
    : QObject(parent)
    , m_alerts(alerts)
    , m_urlOpener(urlOpener)
    , m_settings(settings)
    , m_host(std::move(host))
{
}

std::optional<AskFailureFlow::KeySetupProblem> AskFailureFlow::keySetupProblem(const ClientError &error)
{
    switch (error.kind()) {
    case ClientError::Kind::MissingKey: return KeySetupProblem::MissingKey;
    case ClientError::Kind::Http:
        if (error.status() == 401 || error.status() == 403)
            return KeySetupProblem::KeyRejected;
        if (error.status() == 404)
            return KeySetupProblem::ModelRetired;
        if (error.status() == 400 && error.body().toLower().contains(QLatin1String("tool calling")))
            return KeySetupProblem::ToolsUnsupported;
        return std::nullopt;
    default: return std::nullopt;
    }
}

QString AskFailureFlow::friendlyAskErrorMessage(const ClientError &error)
{
    switch (error.kind()) {
    case ClientError::Kind::Http: {
        const int status = error.status();
        if (status == 400)
            return QStringLiteral("I'm not sure how to do that one.");
        if (status == 401 || status == 403)
            return QStringLiteral("Your Groq key looks off — check it in Preferences.");
        if (status == 404)
            return QStringLiteral("The model I was using is gone — let's pick a new one.");
        if (status == 429)
            return QStringLiteral("Too many requests. Try again in a moment.");
        if (status >= 500 && status <= 599)
            return QStringLiteral("Groq is having a moment. Try again shortly.");
        return QStringLiteral("Couldn't reach Groq (HTTP ") + QString::number(status) + QStringLiteral(").");
    }
    case ClientError::Kind::RateLimited: {
        const double wait = error.retryAfter();
        if (std::isfinite(wait) && wait > 0) {
            // The client never waits longer than a day for a hint, so this always fits.
            const auto seconds = static_cast<qint64>(std::ceil(std::min(wait, 86400.0)));
            return QStringLiteral("Hit Groq's rate limit. Wait ") + QString::number(seconds)
                + QStringLiteral("s and try again.");
        }
        return QStringLiteral("Hit Groq's rate limit. Try again in a moment.");
    }
    case ClientError::Kind::Decoding: return QStringLiteral("Groq sent something I couldn't parse.");
    case ClientError::Kind::MissingKey: return QStringLiteral("I need a Groq key before I can answer that.");
    case ClientError::Kind::Empty: return QStringLiteral("I got an empty reply — try rephrasing?");
    case ClientError::Kind::Network: return QStringLiteral("I can't reach the internet right now.");
    default: return QStringLiteral("Something went sideways. Try again?");
    }
}

void AskFailureFlow::handleAskFailure(const QString &query, const ClientError &error)
{
    if (m_host.speak)
        m_host.speak(friendlyAskErrorMessage(error), bubbleDuration);
    QTimer::singleShot(offerDelay, this, [this, query, error] {
        if (const auto problem = keySetupProblem(error))
            offerKeySetup(*problem);
        else
            offerGoogleFallback(query);
    });
}

void AskFailureFlow::offerKeySetup(KeySetupProblem problem)
{
    const QString model = m_settings.value(SettingsKeys::groqModel).isEmpty()
        ? SettingsKeys::defaultGroqModel
        : m_settings.value(SettingsKeys::groqModel);
    AlertPresenter::Alert alert;
    alert.style = AlertPresenter::Style::Informational;
    alert.buttons = { QStringLiteral("Open Preferences"), QStringLiteral("Not now") };
    switch (problem) {
    case KeySetupProblem::MissingKey:
        alert.title = QStringLiteral("Asking Tamsel needs a Groq API key");
        alert.informativeText
            = QStringLiteral(
                  "Chat, voice mode and generated chatter all run on Groq, so they need a free API key from ")
            + kConsoleHost
            + QStringLiteral(". Everything else — your pet, its animations and reminders — works without one.");
        break;
    case KeySetupProblem::KeyRejected:
        alert.title = QStringLiteral("Groq rejected your API key");
        alert.informativeText = QStringLiteral("The key saved in Preferences was refused. It may have been revoked or "
                                               "copied incompletely. Paste a fresh one from ")
            + kConsoleHost + u'.';
        break;
    case KeySetupProblem::ModelRetired:
        alert.title = QStringLiteral("That Groq model is no longer available");
        alert.informativeText = QStringLiteral("Groq retires models on its own schedule, and ") + model
            + QStringLiteral(" is no longer one it offers. Open Preferences and Tamsel will pick a model your key can "
                             "actually reach.");
        break;
    case KeySetupProblem::ToolsUnsupported:
        alert.title = QStringLiteral("This model can't take actions");
        alert.informativeText = model
            + QStringLiteral(" answers questions but cannot use Tamsel's tools, so it can't set reminders, save notes "
                             "or take screenshots. Open Preferences to switch to one that can.");
        break;
    }
    if (m_alerts.present(alert) == 0 && m_host.showAdvancedPreferences)
        m_host.showAdvancedPreferences();
}

void AskFailureFlow::offerGoogleFallback(const QString &query)
{
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty())
        return;
    const QString shown = preview(trimmed, kQueryPreviewLength);
    AlertPresenter::Alert alert;
    alert.style = AlertPresenter::Style::Informational;
    alert.title = QStringLiteral("Search Google for this?");
    alert.informativeText
        = QStringLiteral("I couldn't handle that on my own. Want me to open a Google search for:\n\n") + shown;
    alert.buttons = { QStringLiteral("Open Google"), QStringLiteral("No thanks") };
    if (m_alerts.present(alert) == 0)
        openGoogleSearch(trimmed);
}

void AskFailureFlow::openGoogleSearch(const QString &query)
{
    const QUrl url = ToolRegistry::searchUrl(query);
    if (url.isValid())
        m_urlOpener.open(url);
}
