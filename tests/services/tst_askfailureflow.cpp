#include "platform/UrlOpener.h"
#include "services/AskFailureFlow.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include "support/ScriptedAlertPresenter.h"
#include "support/TestMain.h"

namespace {
class RecordingUrlOpener final : public UrlOpener {
public:
    QList<QUrl> opened;
    bool open(const QUrl &url) override
    {
        opened.append(url);
        return true;
    }
};
}

class TestAskFailureFlow : public QObject {
    Q_OBJECT

public:
    explicit TestAskFailureFlow(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    struct Fixture {
        explicit Fixture(TestEnvironment *env)
            : settings(env->settingsFilePath())
            , flow(alerts, opener, settings,
                  { [this](const QString &text, std::chrono::milliseconds duration) {
                       spoken.append(text);
                       durations.append(duration);
                   },
                      [this] { ++preferencesOpened; } })
        {
        }
        ScriptedAlertPresenter alerts;
        RecordingUrlOpener opener;
        SettingsStore settings;
        QStringList spoken;
        QList<std::chrono::milliseconds> durations;
        int preferencesOpened = 0;
        AskFailureFlow flow;
    };

    TestEnvironment *m_env;

private slots:
    void init() { m_env->reset(); }

    void bubbleTextForEachError()
    {
        using NetworkFailure = ClientError::NetworkFailure;
        const QList<std::pair<ClientError, QString>> cases {
            { ClientError::http(400, "{}"), "I'm not sure how to do that one." },
            { ClientError::http(401, "{}"), "Your Groq key looks off — check it in Preferences." },
            { ClientError::http(403, "{}"), "Your Groq key looks off — check it in Preferences." },
            { ClientError::http(404, "{}"), "The model I was using is gone — let's pick a new one." },
            { ClientError::http(429, "{}"), "Too many requests. Try again in a moment." },
            { ClientError::http(500, "{}"), "Groq is having a moment. Try again shortly." },
            { ClientError::http(599, "{}"), "Groq is having a moment. Try again shortly." },
            { ClientError::http(418, "{}"), "Couldn't reach Groq (HTTP 418)." },
            { ClientError::rateLimited(2.3, "{}"), "Hit Groq's rate limit. Wait 3s and try again." },
            { ClientError::rateLimited(0, "{}"), "Hit Groq's rate limit. Try again in a moment." },
            { ClientError::decoding("bad"), "Groq sent something I couldn't parse." },
            { ClientError::missingKey(), "I need a Groq key before I can answer that." },
            { ClientError::empty(), "I got an empty reply — try rephrasing?" },
            { ClientError::network(NetworkFailure::TimedOut, "timed out"), "I can't reach the internet right now." },
            { ClientError::fileRead("gone"), "Something went sideways. Try again?" },
        };
        for (const auto &[error, text] : cases)
            QCOMPARE(AskFailureFlow::friendlyAskErrorMessage(error), text);
    }

    void keyProblemsLeadToThePreferences()
    {
        Fixture f(m_env);
        f.flow.handleAskFailure("hello", ClientError::missingKey());
        QCOMPARE(f.spoken, QStringList { "I need a Groq key before I can answer that." });
        QCOMPARE(f.durations, QList<std::chrono::milliseconds> { std::chrono::milliseconds(6000) });
        QVERIFY(f.alerts.alerts.isEmpty()); // the offer comes a moment later
        QTRY_COMPARE(f.alerts.alerts.size(), 1);
        QCOMPARE(f.alerts.alerts[0].title, QString("Asking Tamsel needs a Groq API key"));
        QVERIFY(f.alerts.alerts[0].informativeText.contains("console.groq.com"));
        QCOMPARE(f.alerts.alerts[0].buttons, (QStringList { "Open Preferences", "Not now" }));
        QCOMPARE(f.preferencesOpened, 1);
        QVERIFY(f.opener.opened.isEmpty());

        f.settings.setValue(SettingsKeys::groqModel, QString("llama-guard"));
        f.alerts.buttonAnswers.enqueue(1); // Not now
        f.flow.handleAskFailure("x", ClientError::http(400, "{\"error\":{\"message\":\"Tool calling is off\"}}"));
        QTRY_COMPARE(f.alerts.alerts.size(), 2);
        QCOMPARE(f.alerts.alerts[1].title, QString("This model can't take actions"));
        QVERIFY(f.alerts.alerts[1].informativeText.startsWith("llama-guard answers questions"));
        QCOMPARE(f.preferencesOpened, 1);
    }

    void otherFailuresOfferAWebSearch()
    {
        Fixture f(m_env);
        f.flow.handleAskFailure("  cats & dogs = 1+1 #tag?\n", ClientError::rateLimited(2.3, "{}"));
        QCOMPARE(f.spoken, QStringList { "Hit Groq's rate limit. Wait 3s and try again." });
        QTRY_COMPARE(f.alerts.alerts.size(), 1);
        QCOMPARE(f.alerts.alerts[0].title, QString("Search Google for this?"));
        QCOMPARE(f.alerts.alerts[0].informativeText,
            QString("I couldn't handle that on my own. Want me to open a Google search for:\n\n"
                    "cats & dogs = 1+1 #tag?"));
        QCOMPARE(f.opener.opened.size(), 1);
        const QString url = f.opener.opened[0].toString(QUrl::FullyEncoded);
        QCOMPARE(url, QString("https://www.google.com/search?q=cats%20%26%20dogs%20%3D%201%2B1%20%23tag?"));

        // A blank question has nothing to search for.
        f.flow.offerGoogleFallback(" \n\t");
        QCOMPARE(f.alerts.alerts.size(), 1);
    }

    void longQuestionsAreShortenedOnlyInTheAlert()
    {
        Fixture f(m_env);
        const QString query = QString(119, 'a') + "👍🏽" + "tail";
        f.flow.offerGoogleFallback(query);
        QCOMPARE(f.alerts.alerts[0].informativeText.section("\n\n", 1), QString(119, 'a') + "👍🏽…");
        QVERIFY(f.opener.opened[0].toString().endsWith("tail"));

        f.alerts.clear();
        f.flow.offerGoogleFallback(QString(120, 'b'));
        QCOMPARE(f.alerts.alerts[0].informativeText.section("\n\n", 1), QString(120, 'b'));
    }
};

TAMSEL_TEST_MAIN(TestAskFailureFlow)
#include "tst_askfailureflow.moc"
