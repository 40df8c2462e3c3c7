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
        for (const QJsonValue &m : reference.value(QLatin1String("messages")).toArray())
            messages.append({ m[QLatin1String("role")].toString(), m[QLatin1String("content")].toString() });
        const QJsonObject body = object(GroqRequests::chatCompletionBody(
            QStringLiteral("openai/gpt-oss-120b"), messages, 0.75, 4096, true, QStringLiteral("low")));
        QCOMPARE(body.value(QLatin1String("messages")), reference.value(QLatin1String("messages")));
        QCOMPARE(body.value(QLatin1String("response_format")), reference.value(QLatin1String("response_format")));
        QCOMPARE(body.value(QLatin1String("model")), reference.value(QLatin1String("model")));
        QCOMPARE(body.value(QLatin1String("temperature")).toDouble(), 0.75);
        QCOMPARE(body.value(QLatin1String("max_tokens")).toInteger(), 4096);
        QCOMPARE(body.value(QLatin1String("reasoning_effort")).toString(), QStringLiteral("low"));

        // No JSON mode, and a model without reasoning support: neither optional member is sent.
        const QJsonObject plain = object(GroqRequests::chatCompletionBody(
            QStringLiteral("llama-3.3-70b-versatile"), messages, 0.0, 256, false, QStringLiteral("low")));
        QCOMPARE(plain.keys(),
            (QStringList { QStringLiteral("max_tokens"), QStringLiteral("messages"), QStringLiteral("model"),
                QStringLiteral("temperature") }));
        QVERIFY(GroqRequests::supportsReasoningEffort(QStringLiteral("Qwen/QWEN3-32b")));
        QVERIFY(!GroqRequests::supportsReasoningEffort(QStringLiteral("qwen-2.5")));
    }

    void toolStepBodyMatchesTheRecordedToolTurn()
    {
        const QJsonObject reference = object(fixture("request-tool-result-turn.json"));
        QList<QJsonObject> messages;
        for (const QJsonValue &m : reference.value(QLatin1String("messages")).toArray())
            messages.append(m.toObject());
        const QJsonObject function
            = reference.value(QLatin1String("tools")).toArray().at(0)[QLatin1String("function")].toObject();
        const ToolSpec weather { function.value(QLatin1String("name")).toString(),
            function.value(QLatin1String("description")).toString(),
            function.value(QLatin1String("parameters")).toObject() };
        const QByteArray bytes = GroqRequests::toolStepBody(
            reference.value(QLatin1String("model")).toString(), messages, { weather }, 0.7, 1024);
        QVERIFY(!bytes.contains('\n')); // compact
        const QJsonObject body = object(bytes);
        QCOMPARE(body.value(QLatin1String("messages")), reference.value(QLatin1String("messages")));
        QCOMPARE(body.value(QLatin1String("tool_choice")).toString(), QStringLiteral("auto"));
        QJsonObject referenceTool = reference.value(QLatin1String("tools")).toArray().at(0).toObject();
        QJsonObject referenceFunction = referenceTool.value(QLatin1String("function")).toObject();
        referenceFunction.remove(QLatin1String("strict")); // an optional member this program never sends
        referenceTool.insert(QLatin1String("function"), referenceFunction);
        QCOMPARE(body.value(QLatin1String("tools")).toArray(), QJsonArray { referenceTool });
        QVERIFY(!body.contains(QLatin1String("reasoning_effort")));

        const QJsonObject noTools = object(GroqRequests::toolStepBody(QStringLiteral("m"), messages, {}, 0.7, 1024));
        QVERIFY(!noTools.contains(QLatin1String("tools")) && !noTools.contains(QLatin1String("tool_choice")));
    }

    void multipartBodyIsExactAndQuotesCannotBreakIt()
    {
        const char raw[] = "RIFF\0\0\0\0WAVE\r\n--";
        const QByteArray audio(raw, sizeof(raw) - 1);
        const QByteArray body = GroqRequests::transcriptionBody(QStringLiteral("Boundary-B"),
            QStringLiteral("whisper-large-v3"), QStringLiteral("en"), QStringLiteral("a\"b\r\n.wav"),
            GroqRequests::audioContentType(QStringLiteral("a.WAV")), audio);
        const QByteArray expected = "--Boundary-B\r\nContent-Disposition: form-data; name=\"model\"\r\n\r\n"
                                    "whisper-large-v3\r\n"
                                    "--Boundary-B\r\nContent-Disposition: form-data; name=\"response_format\"\r\n\r\n"
                                    "json\r\n"
                                    "--Boundary-B\r\nContent-Disposition: form-data; name=\"language\"\r\n\r\nen\r\n"
                                    "--Boundary-B\r\nContent-Disposition: form-data; name=\"file\"; "
                                    "filename=\"a_b__.wav\"\r\nContent-Type: audio/wav\r\n\r\n"
            + audio + "\r\n--Boundary-B--\r\n";
        QCOMPARE(body, expected);
        QVERIFY(!GroqRequests::transcriptionBody(
            QStringLiteral("B"), QStringLiteral("m"), std::nullopt, QStringLiteral("x.m4a"), "audio/m4a", {})
                     .contains("\"language\""));
        QCOMPARE(GroqRequests::audioContentType(QStringLiteral("x.m4a")), QByteArray("audio/m4a"));
        QCOMPARE(GroqRequests::audioContentType(QStringLiteral("noextension")), QByteArray("application/octet-stream"));
    }

    void toolStepReadsRecordedCallsAndKeepsTheMessageWhole()
    {
        const auto kimi = GroqResponses::toolStep(fixture("chat-tool-calls.kimi-k2.json"));
        QVERIFY(kimi.ok());
        QCOMPARE(kimi.value().kind, ToolStep::Kind::ToolCalls);
        QCOMPARE(kimi.value().calls,
            (QList<ToolCall> { { QStringLiteral("functions.weather:0"), QStringLiteral("weather"),
                QStringLiteral(R"({"location":"Florence,Italy"})") } }));
        QVERIFY(!kimi.value().assistantMessage.contains(QLatin1String("content")));

        const auto gptOss = GroqResponses::toolStep(fixture("chat-tool-calls.gpt-oss-120b.json"));
        QVERIFY(gptOss.ok());
        const QJsonObject recorded = object(fixture("chat-tool-calls.gpt-oss-120b.json"));
        QCOMPARE(gptOss.value().assistantMessage,
            recorded[QLatin1String("choices")][0][QLatin1String("message")].toObject()); // "reasoning" included
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
            actual = QStringLiteral("error:") + step.error().description();
        } else if (step.value().kind == ToolStep::Kind::Reply) {
            actual = QStringLiteral("reply:") + step.value().text;
        } else {
            QStringList calls;
            for (const ToolCall &call : step.value().calls)
                calls.append(call.id + QLatin1Char('=') + call.argumentsJSON);
            actual = QStringLiteral("calls:") + calls.join(QLatin1Char(';'));
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
        QCOMPARE(
            GroqResponses::chatCompletionContent(fixture("chat-plain.kimi-k2.json")).value(), QStringLiteral("Olá!"));
        QCOMPARE(GroqResponses::chatCompletionContent(withMessage(R"({"role":"assistant","content":"  "})")).value(),
            QStringLiteral("  "));
        for (const char *message : { R"({"role":"assistant","content":""})", R"({"role":"assistant","content":null})" })
            QCOMPARE(GroqResponses::chatCompletionContent(withMessage(message)).error(), ClientError::empty());
        QCOMPARE(GroqResponses::chatCompletionContent(R"({"choices":[]})").error(), ClientError::empty());
        QCOMPARE(GroqResponses::chatCompletionContent(withMessage(R"({"content":"no role"})")).error().kind(),
            ClientError::Kind::Decoding);
        QCOMPARE(
            GroqResponses::chatCompletionContent(withMessage(R"({"role":"assistant","content":5})")).error().kind(),
            ClientError::Kind::Decoding);

        QCOMPARE(GroqResponses::transcriptionText(fixture("transcription.observed.json")).value(),
            QStringLiteral("Dziękuję."));
        QCOMPARE(GroqResponses::transcriptionText(R"({"text":"  \n "})").error(), ClientError::empty());
        QCOMPARE(GroqResponses::transcriptionText(R"({"txt":"a"})").error().kind(), ClientError::Kind::Decoding);
    }

    void modelListKeepsOnlyChatModelsSorted()
    {
        QCOMPARE(GroqResponses::chatModelIDs(fixture("models-list.observed-2026.json")).value(),
            (QStringList { QStringLiteral("allam-2-7b"), QStringLiteral("openai/gpt-oss-120b"),
                QStringLiteral("openai/gpt-oss-20b"), QStringLiteral("qwen/qwen3.8-27b") }));
        QCOMPARE(GroqResponses::chatModelIDs(R"({"data":[{"id":"b"},{"id":"WHISPER-x"},{"id":3},{"id":"a"},
            {"id":"x-TTS"},{"id":"Groq/Compound"},{"id":"nomic-Embed"},{"id":"b"},{"id":"Orpheus"}]})")
                     .value(),
            (QStringList { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("b") }));
        QCOMPARE(GroqResponses::chatModelIDs(R"({"object":"list"})").value(), QStringList());
        QCOMPARE(GroqResponses::chatModelIDs(R"({"data":[{"id":"a"},"b"]})").value(), QStringList());
        QCOMPARE(GroqResponses::chatModelIDs(R"([{"id":"a"}])").value(), QStringList());
    }

    void retryHintsAreReadSafely_data()
    {
        QTest::addColumn<QString>("header"); // "-" for none
        QTest::addColumn<QString>("body");
        QTest::addColumn<double>("hint"); // -1 for none
        const QString tpm = QString::fromUtf8(fixture("error-429-tpm.json"));
        QTest::newRow("blanks around") << QStringLiteral(" \t3 ") << QString() << 3.0;
        QTest::newRow("body hint") << QStringLiteral("-") << tpm << 5.289;
        QTest::newRow("http date") << QStringLiteral("Wed, 21 Oct 2015 07:28:00 GMT") << tpm << 5.289;
        QTest::newRow("garbage") << QStringLiteral("soon") << QString() << -1.0;
        QTest::newRow("nan") << QStringLiteral("nan") << QStringLiteral("try again in 1.5s.") << 1.5;
        QTest::newRow("1e308") << QStringLiteral("1e308") << QString() << -1.0;
        QTest::newRow("negative") << QStringLiteral("-5") << QString() << -1.0;
        QTest::newRow("huge body number")
            << QStringLiteral("-") << QStringLiteral("in 99999999999999999999999s") << -1.0;
        QTest::newRow("go duration in body")
            << QStringLiteral("-") << QStringLiteral("Please try again in 9m38.016s.") << -1.0;
    }
    void retryHintsAreReadSafely()
    {
        QFETCH(QString, header);
        QFETCH(QString, body);
        QFETCH(double, hint);
        const std::optional<double> parsed = GroqResponses::parseRetryAfter(
            header == QLatin1String("-") ? std::nullopt : std::optional<QString>(header), body);
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
        row("400 other", http(400, "error-400-tool-use-failed.json"),
            "Failed to call a function. Please adjust your prompt. See 'failed_generation' for more details.");
        row("403", ClientError::http(403, QString()),
            "Groq rejected the API key. Paste a fresh one from console.groq.com.");
        row("404", ClientError::http(404, R"({"error":{"message":"The model x does not exist"}})"),
            "The model x does not exist. Groq retires models regularly \u2014 pick another in " + advanced);
        row("500 empty", ClientError::http(500, QString()), "Groq request failed (HTTP 500).");
        row("503 plain text", http(503, "error-503-upstream-plaintext.txt"),
            QString::fromUtf8(fixture("error-503-upstream-plaintext.txt")));
        row("long body clipped", ClientError::http(502, QString(5000, 'x')), QString(1000, 'x') + QChar(0x2026));
        row("rate 1.2", ClientError::rateLimited(1.2, {}), "Rate limit \u2014 try again in 2s.");
        row("rate inf", ClientError::rateLimited(std::numeric_limits<double>::infinity(), {}),
            "Rate limit hit. Try again in a moment.");
    }
    void everyErrorDescribesItself()
    {
        QFETCH(ClientError, error);
        QFETCH(QString, description);
        QCOMPARE(error.description(), description);
    }

    void jsonValidationFailureIsOnlyA400()
    {
        QVERIFY(ClientError::http(400, QString::fromUtf8(fixture("error-400-json-validate-failed.json")))
                    .isJSONValidationFailure());
        QVERIFY(ClientError::http(400, QStringLiteral("Failed to validate JSON")).isJSONValidationFailure());
        QVERIFY(!ClientError::http(422, QStringLiteral("json_validate_failed")).isJSONValidationFailure());
        QVERIFY(!ClientError::decoding(QStringLiteral("json_validate_failed")).isJSONValidationFailure());
    }
};

TAMSEL_TEST_MAIN(TestGroqWire)
#include "tst_groqwire.moc"
