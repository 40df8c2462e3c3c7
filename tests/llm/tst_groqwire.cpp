#include "llm/GroqRequests.h"
#include "llm/GroqResponses.h"

#include "support/MockGroqServer.h"
#include "support/TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <limits>

Q_DECLARE_METATYPE(ClientError)

// Request bodies and response readers, offline. Fixtures are the service's recorded bodies
// (tests/data/groq/README.md names their sources).
class TestGroqWire : public QObject {
    Q_OBJECT

private:
    static QJsonObject object(const QByteArray &json) { return QJsonDocument::fromJson(json).object(); }
    static QByteArray fixture(const char *name) { return MockGroqServer::fixtureBytes(QString::fromLatin1(name)); }
    static QByteArray withMessage(const char *messageJSON)
    {
        return QByteArray(R"({"choices":[{"index":0,"message":)") + messageJSON + "}]}";
    }

private slots:
    void chatBodyMatchesTheRecordedJSONModeRequest()
    {
        // The recorded request was accepted by the service; ours must agree on every member both send.
        const QJsonObject reference = object(fixture("request-json-mode.json"));
        QList<GroqMessage> messages;
        for (const QJsonValue &m : reference.value("messages").toArray())
            messages.append({ m["role"].toString(), m["content"].toString() });
        const QJsonObject body
            = object(GroqRequests::chatCompletionBody("openai/gpt-oss-120b", messages, 0.75, 4096, true, "low"));
        QCOMPARE(body.value("messages"), reference.value("messages"));
        QCOMPARE(body.value("response_format"), reference.value("response_format"));
        QCOMPARE(body.value("temperature").toDouble(), 0.75);
        QCOMPARE(body.value("max_tokens").toInteger(), 4096);
        QCOMPARE(body.value("reasoning_effort").toString(), "low");

        // No JSON mode, and a model without reasoning support: neither optional member is sent.
        const QJsonObject plain
            = object(GroqRequests::chatCompletionBody("llama-3.3-70b-versatile", messages, 0.0, 256, false, "low"));
        QCOMPARE(plain.keys(), (QStringList { "max_tokens", "messages", "model", "temperature" }));
        QVERIFY(GroqRequests::supportsReasoningEffort("Qwen/QWEN3-32b"));
        QVERIFY(!GroqRequests::supportsReasoningEffort("qwen-2.5"));
    }

    void toolStepBodyMatchesTheRecordedToolTurn()
    {
        const QJsonObject reference = object(fixture("request-tool-result-turn.json"));
        QList<QJsonObject> messages;
        for (const QJsonValue &m : reference.value("messages").toArray())
            messages.append(m.toObject());
        const QJsonObject function = reference.value("tools").toArray().at(0)["function"].toObject();
        const ToolSpec weather { function.value("name").toString(), function.value("description").toString(),
            function.value("parameters").toObject() };
        const QByteArray bytes
            = GroqRequests::toolStepBody(reference.value("model").toString(), messages, { weather }, 0.7, 1024);
        QVERIFY(!bytes.contains('\n')); // compact
        const QJsonObject body = object(bytes);
        QCOMPARE(body.value("messages"), reference.value("messages"));
        QCOMPARE(body.value("tool_choice").toString(), "auto");
        QJsonObject referenceTool = reference.value("tools").toArray().at(0).toObject();
        QJsonObject referenceFunction = referenceTool.value("function").toObject();
        referenceFunction.remove("strict"); // an optional member this program never sends
        referenceTool.insert("function", referenceFunction);
        QCOMPARE(body.value("tools").toArray(), QJsonArray { referenceTool });
        QVERIFY(!body.contains("reasoning_effort"));

        const QJsonObject noTools = object(GroqRequests::toolStepBody("m", messages, {}, 0.7, 1024));
        QVERIFY(!noTools.contains("tools") && !noTools.contains("tool_choice"));
    }

    void multipartBodyIsExactAndQuotesCannotBreakIt()
    {
        const char raw[] = "RIFF\0\0\0\0WAVE\r\n--";
        const QByteArray audio(raw, sizeof(raw) - 1);
        const QByteArray body = GroqRequests::transcriptionBody(
            "Boundary-B", "whisper-large-v3", "en", "a\"b\r\n.wav", GroqRequests::audioContentType("a.WAV"), audio);
        const QByteArray expected = "--Boundary-B\r\nContent-Disposition: form-data; name=\"model\"\r\n\r\n"
                                    "whisper-large-v3\r\n"
                                    "--Boundary-B\r\nContent-Disposition: form-data; name=\"response_format\"\r\n\r\n"
                                    "json\r\n"
                                    "--Boundary-B\r\nContent-Disposition: form-data; name=\"language\"\r\n\r\nen\r\n"
                                    "--Boundary-B\r\nContent-Disposition: form-data; name=\"file\"; "
                                    "filename=\"a_b__.wav\"\r\nContent-Type: audio/wav\r\n\r\n"
            + audio + "\r\n--Boundary-B--\r\n";
        QCOMPARE(body, expected);
        QVERIFY(!GroqRequests::transcriptionBody("B", "m", std::nullopt, "x.m4a", "audio/m4a", {})
                     .contains("\"language\""));
        QCOMPARE(GroqRequests::audioContentType("x.m4a"), QByteArray("audio/m4a"));
        QCOMPARE(GroqRequests::audioContentType("noextension"), QByteArray("application/octet-stream"));
    }

    void toolStepReadsRecordedCallsAndKeepsTheMessageWhole()
    {
        const auto kimi = GroqResponses::toolStep(fixture("chat-tool-calls.kimi-k2.json"));
        QVERIFY(kimi.ok());
        QCOMPARE(kimi.value().kind, ToolStep::Kind::ToolCalls);
        QCOMPARE(kimi.value().calls,
            (QList<ToolCall> { { "functions.weather:0", "weather", R"({"location":"Florence,Italy"})" } }));
        QVERIFY(!kimi.value().assistantMessage.contains("content"));

        const auto gptOss = GroqResponses::toolStep(fixture("chat-tool-calls.gpt-oss-120b.json"));
        QVERIFY(gptOss.ok());
        const QJsonObject recorded = object(fixture("chat-tool-calls.gpt-oss-120b.json"));
        QCOMPARE(gptOss.value().assistantMessage,
            recorded["choices"][0]["message"].toObject()); // "reasoning" included
    }

    void toolStepToleratesOddShapes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected"); // "reply:<text>", "calls:<id>=<args>;..." or "error:<description>"
        const QString unparsable = "error:Groq returned a response we couldn't parse. missing choices[0].message";
        const auto row = [](const char *tag, const QByteArray &body, const QString &expected) {
            QTest::newRow(tag) << body << expected;
        };
        const auto message = [&row](const char *tag, const char *json, const QString &expected) {
            row(tag, withMessage(json), expected);
        };
        message("arguments not text",
            R"({"role":"assistant","tool_calls":[{"id":"c1","function":{"name":"x","arguments":{"a":1}}}]})",
            "calls:c1={}");
        message("no id: skipped",
            R"({"role":"assistant","tool_calls":[{"function":{"name":"x","arguments":"{}"}},{"id":"c2","function":{"name":"y","arguments":"[1]"}}]})",
            "calls:c2=[1]");
        message(
            "every call skipped", R"({"role":"assistant","tool_calls":[{"id":7,"function":{"name":"x"}}]})", "calls:");
        message("empty list, content", R"({"role":"assistant","tool_calls":[],"content":"Hi"})", "reply:Hi");
        message("tool_calls not a list", R"({"role":"assistant","tool_calls":"x","content":"Yo"})", "reply:Yo");
        row("no choices", R"({"choices":[]})", unparsable);
    }
    void toolStepToleratesOddShapes()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        const auto step = GroqResponses::toolStep(body);
        QString actual;
        if (!step.ok()) {
            actual = "error:" + step.error().description();
        } else if (step.value().kind == ToolStep::Kind::Reply) {
            actual = "reply:" + step.value().text;
        } else {
            QStringList calls;
            for (const ToolCall &call : step.value().calls)
                calls.append(call.id + QLatin1Char('=') + call.argumentsJSON);
            actual = "calls:" + calls.join(QLatin1Char(';'));
        }
        QCOMPARE(actual, expected);
    }

    void readersSurviveArbitraryBytes()
    {
        QCOMPARE(GroqResponses::toolStep("not json").error().kind(), ClientError::Kind::InvalidJSON);
        QCOMPARE(GroqResponses::chatModelIDs("<html>").error().kind(), ClientError::Kind::InvalidJSON);
        QCOMPARE(GroqResponses::chatCompletionContent("<html>").error().kind(), ClientError::Kind::Decoding);
        // Truncations of real bodies and bytes of every value: no reader may crash or hang.
        const QByteArray real = fixture("chat-tool-calls.gpt-oss-120b.json");
        QByteArray noise;
        for (int i = 0; i < 4096; ++i)
            noise.append(static_cast<char>((i * 7919) & 0xff));
        for (qsizetype cut = 0; cut < real.size(); cut += 37) {
            for (const QByteArray &bytes : { real.left(cut), noise.left(cut) }) {
                (void)GroqResponses::toolStep(bytes);
                (void)GroqResponses::chatCompletionContent(bytes);
                (void)GroqResponses::transcriptionText(bytes);
                (void)GroqResponses::chatModelIDs(bytes);
                (void)GroqResponses::humanReadable(QString::fromUtf8(bytes));
            }
        }
    }

    void chatCompletionAndTranscriptionReadStrictly()
    {
        QCOMPARE(GroqResponses::chatCompletionContent(fixture("chat-plain.kimi-k2.json")).value(), "Olá!");
        QCOMPARE(
            GroqResponses::chatCompletionContent(withMessage(R"({"role":"assistant","content":"  "})")).value(), "  ");
        for (const char *message : { R"({"role":"assistant","content":""})", R"({"role":"assistant","content":null})" })
            QCOMPARE(GroqResponses::chatCompletionContent(withMessage(message)).error(), ClientError::empty());
        QCOMPARE(GroqResponses::chatCompletionContent(R"({"choices":[]})").error(), ClientError::empty());
        QCOMPARE(
            GroqResponses::chatCompletionContent(withMessage(R"({"role":"assistant","content":5})")).error().kind(),
            ClientError::Kind::Decoding);

        QCOMPARE(GroqResponses::transcriptionText(fixture("transcription.observed.json")).value(), "Dziękuję.");
        QCOMPARE(GroqResponses::transcriptionText(R"({"text":"  \n "})").error(), ClientError::empty());
        QCOMPARE(GroqResponses::transcriptionText(R"({"txt":"a"})").error().kind(), ClientError::Kind::Decoding);
    }

    void modelListKeepsOnlyChatModelsSorted()
    {
        QCOMPARE(GroqResponses::chatModelIDs(fixture("models-list.observed-2026.json")).value(),
            (QStringList { "allam-2-7b", "openai/gpt-oss-120b", "openai/gpt-oss-20b", "qwen/qwen3.8-27b" }));
        QCOMPARE(GroqResponses::chatModelIDs(R"({"data":[{"id":"b"},{"id":"WHISPER-x"},{"id":3},{"id":"a"},
            {"id":"x-TTS"},{"id":"Groq/Compound"},{"id":"nomic-Embed"},{"id":"b"},{"id":"Orpheus"}]})")
                     .value(),
            (QStringList { "a", "b", "b" }));
        QCOMPARE(GroqResponses::chatModelIDs(R"({"object":"list"})").value(), QStringList());
        QCOMPARE(GroqResponses::chatModelIDs(R"({"data":[{"id":"a"},"b"]})").value(), QStringList());
    }

    void retryHintsAreReadSafely_data()
    {
        QTest::addColumn<QString>("header"); // "-" for none
        QTest::addColumn<QString>("body");
        QTest::addColumn<double>("hint"); // -1 for none
        // A hint in the body, and a header that cannot be read, are retried on by the client's tests.
        QTest::newRow("blanks around") << " \t3 " << QString() << 3.0;
        QTest::newRow("nan") << "nan"
                             << "try again in 1.5s." << 1.5;
        QTest::newRow("negative") << "-5" << QString() << -1.0;
        QTest::newRow("huge body number") << "-"
                                          << "in 99999999999999999999999s" << -1.0;
        QTest::newRow("go duration in body") << "-"
                                             << "Please try again in 9m38.016s." << -1.0;
    }
    void retryHintsAreReadSafely()
    {
        QFETCH(QString, header);
        QFETCH(QString, body);
        QFETCH(double, hint);
        const std::optional<double> parsed
            = GroqResponses::parseRetryAfter(header == "-" ? std::nullopt : std::optional<QString>(header), body);
        QCOMPARE(parsed.value_or(-1.0), hint);
    }

    void everyErrorDescribesItself_data()
    {
        QTest::addColumn<ClientError>("error");
        QTest::addColumn<QString>("description");
        const QString advanced = "Preferences \u2192 Advanced.";
        const auto row = [](const char *tag, const ClientError &error, const QString &description) {
            QTest::newRow(tag) << error << description;
        };
        const auto http = [](int status, const char *fixtureName) {
            return ClientError::http(status, QString::fromUtf8(fixture(fixtureName)));
        };
        row("400 tool calling beats json", ClientError::http(400, "JSON and Tool Calling"),
            "This model can't take actions \u2014 pick another in " + advanced);
        row("404", ClientError::http(404, R"({"error":{"message":"The model x does not exist"}})"),
            "The model x does not exist. Groq retires models regularly \u2014 pick another in " + advanced);
        row("503 plain text", http(503, "error-503-upstream-plaintext.txt"),
            QString::fromUtf8(fixture("error-503-upstream-plaintext.txt")));
        row("long body clipped", ClientError::http(502, QString(5000, 'x')), QString(1000, 'x') + QChar(0x2026));
        row("rate inf", ClientError::rateLimited(std::numeric_limits<double>::infinity(), {}),
            "Rate limit hit. Try again in a moment.");
    }
    void everyErrorDescribesItself()
    {
        QFETCH(ClientError, error);
        QFETCH(QString, description);
        QCOMPARE(error.description(), description);
    }
};

TAMSEL_TEST_MAIN(TestGroqWire)
#include "tst_groqwire.moc"
