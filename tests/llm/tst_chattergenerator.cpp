#include "llm/ChatterGenerator.h"

#include "llm/GroqClient.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "userdata/CharacterStore.h"
#include "userdata/PetAnimationMapStore.h"

#include "support/AwaitTask.h"
#include "support/FrameAtlas.h"
#include "support/MockGroqServer.h"
#include "support/TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>

using Response = MockGroqServer::Response;
using GenError = ChatterGenerator::GenError;
using RowLines = ChatterGenerator::RowLines;

namespace {
const QString petID = QStringLiteral("bo");
const QStringList rowNames
    = { "wave", "drink water", "run", "sleep", "jump", "dance", "sneeze" }; // rows 0..6, row 7 is blank

Response reply(const QString &content)
{
    return Response::completion(QJsonObject { { "role", "assistant" }, { "content", content } });
}

// A JSON reply with two lines for each name.
Response linesFor(const QStringList &names)
{
    QJsonObject object;
    for (const QString &name : names)
        object.insert(name, QJsonArray { QString("Line one about " + name + "."), "line two!" });
    return reply(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

QJsonObject bodyOf(const MockGroqServer::Request &request)
{
    return QJsonDocument::fromJson(request.body).object();
}

QString messageText(const MockGroqServer::Request &request, int index)
{
    return bodyOf(request).value("messages").toArray().at(index).toObject().value("content").toString();
}

// The names listed in a request's user prompt, in order.
QStringList askedNames(const MockGroqServer::Request &request)
{
    QStringList names;
    for (const QString &line : messageText(request, 1).split('\n')) {
        if (line.startsWith("- \"") && line.endsWith('"'))
            names.append(line.mid(3, line.size() - 4));
    }
    return names;
}
}

class TestChatterGenerator : public QObject {
    Q_OBJECT

public:
    explicit TestChatterGenerator(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    struct Harness {
        Harness(MockGroqServer &server, const QString &settingsPath, std::optional<QString> key)
            : settings(settingsPath)
            , client(network, [key] { return key; })
            , characters(settings)
            , maps(settings)
            , generator(new ChatterGenerator(client, settings))
        {
            client.setBaseURL(server.baseURL());
            PetCharacter character;
            character.name = "Bo";
            character.personality = "  A sleepy otter.\t";
            characters.setCharacter(petID, character);
            for (int row = 0; row < rowNames.size(); ++row)
                maps.setMapping(petID, row, { "  " + rowNames.at(row) + "\t", {} });
            maps.setMapping(petID, 7, { " ", { "kept" } });
            maps.setMapping(petID, 8, { "ghost", {} });
        }
        ~Harness() { delete generator; }

        Result<ChatterGenerator::Done, GenError> generateAll(ChatterGenerator::WriteMode mode)
        {
            return awaitTask(generator->generateAll(petID, maps, characters, decoder, 8, mode));
        }

        SettingsStore settings;
        QNetworkAccessManager network;
        GroqClient client;
        CharacterStore characters;
        PetAnimationMapStore maps;
        // Eight rows with frames and one without; row 8 is named but empty.
        std::shared_ptr<SpriteSheetDecoder> decoder = FrameAtlas::decoder({ 1, 2, 1, 1, 3, 1, 1, 1, 0 });
        ChatterGenerator *generator;
    };

    std::unique_ptr<Harness> harness(std::optional<QString> key = QStringLiteral("gsk_chatter_key_0123456789"))
    {
        return std::make_unique<Harness>(m_server, m_env->settingsFilePath(), std::move(key));
    }

private slots:
    void initTestCase() { QVERIFY(m_server.listen()); }
    void init()
    {
        m_env->reset();
        m_server.reset();
    }

    void repliesAreCutToTheirObjectAndRepaired_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<RowLines>("rows"); // empty: the reply is refused and quoted
        QTest::newRow("fenced, blank lines dropped")
            << "  ```json\n{\"wave\": [\"hey there!\", \"  \", \"Bye.\"], \"nap\": [\"\\n\"]}\n```\n"
            << RowLines { { "wave", { "Hey there!", "Bye." } } };
        QTest::newRow("cut inside the second member")
            << "{\"wave\": [\"Hi!\", \"Yo!\"], \"run\": [\"Zoom\", \"Fa" << RowLines { { "wave", { "Hi!", "Yo!" } } };
        QTest::newRow("cut after a stray brace")
            << "{\"wave\": [\"Hi!\"], \"run\": [\"Zoom {fast}" << RowLines { { "wave", { "Hi!" } } };
        for (const QString &bad : { QString("{\"wave\": [1, 2]}"), QString("{\"wave\": \"Hi\"}"), QString("[\"Hi\"]"),
                 QString(), QString("\xff\xfe{"), QString("{\"a\": \"x") })
            QTest::newRow(qPrintable("refused: " + bad)) << bad << RowLines();
    }
    void repliesAreCutToTheirObjectAndRepaired()
    {
        QFETCH(QString, reply);
        QFETCH(RowLines, rows);
        const auto parsed = ChatterGenerator::parsePerRowJSON(reply);
        if (!rows.isEmpty()) {
            QCOMPARE(parsed.value(), rows);
            return;
        }
        QCOMPARE(parsed.error().kind(), GenError::Kind::ModelDidNotReturnJSON);
        QCOMPARE(parsed.error().reply(), reply);
    }

    void unusableRepliesQuoteTheirStart()
    {
        const QString longReply = "Sorry, I can't do JSON today. " + QString(300, 'x');
        QCOMPARE(ChatterGenerator::parsePerRowJSON(longReply).error().description(),
            "The model didn't return parseable JSON. Got: " + longReply.left(200) + QChar(0x2026));
    }

    void tidyCutsWholeCharactersAndDropsBlankRows()
    {
        const QString eAcute = QString("e") + QChar(0x0301); // one character, two code units
        const QString flag = QString::fromUtf8("\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7"); // one character, four units
        const QString accented = QString(119, 'a') + eAcute + "tail";
        const QString flags = QString(118, 'b') + flag + flag + flag;
        const QString emojiFirst = QString::fromUtf8("\xF0\x90\x90\xA8") + "bold"; // U+10428, a lower-case letter
        const RowLines tidied = ChatterGenerator::tidy(
            { { "long", { QString(150, 'z'), accented, flags } }, { "blank", { "   ", "\t\n" } },
                { "first", { emojiFirst, QString::fromUtf8("\xC3\xA9t\xC3\xA9"), "3 cats" } } });

        QCOMPARE(tidied.keys(), QStringList({ "first", "long" }));
        const QStringList longLines = tidied.value("long");
        QCOMPARE(longLines.at(0), "Z" + QString(119, 'z'));
        QCOMPARE(longLines.at(1), "A" + QString(118, 'a') + eAcute);
        QCOMPARE(longLines.at(2), "B" + QString(117, 'b') + flag + flag);
        QCOMPARE(tidied.value("first"),
            QStringList(
                { QString::fromUtf8("\xF0\x90\x90\x80") + "bold", QString::fromUtf8("\xC3\x89t\xC3\xA9"), "3 cats" }));

        QStringList many;
        for (int i = 0; i < 500; ++i)
            many.append("Line " + QString::number(i));
        QCOMPARE(ChatterGenerator::tidy({ { "wave", many } }).value("wave").size(), ChatterGenerator::maxLinesPerRow);
    }

    void namesMatchExactlyThenNormalized()
    {
        QCOMPARE(ChatterGenerator::normalizedKey("Drink Water!"), "drink water");
        QCOMPARE(ChatterGenerator::normalizedKey("  --Caf\u00e9 au LAIT 2--"), "caf au lait 2");
        const RowLines rows { { "Drink-Water", { "Glug." } }, { "wave", { "Hi." } }, { "Wave", { "Hello." } } };
        QCOMPARE(ChatterGenerator::lines("drink water", rows).value_or(QStringList()), QStringList({ "Glug." }));
        QCOMPARE(ChatterGenerator::lines("Wave", rows).value_or(QStringList()), QStringList({ "Hello." }));
        QVERIFY(!ChatterGenerator::lines("sleep", rows));
    }

    void requestCarriesPersonaPromptAndSettings()
    {
        auto h = harness();
        h->settings.setValue(SettingsKeys::groqModel, QStringLiteral("openai/gpt-oss-20b"));
        m_server.enqueue(linesFor({ "wave", "drink water" }));
        const auto result
            = awaitTask(h->generator->callGroq(h->characters.character(petID), { "wave", "drink water" }, 5));
        QVERIFY(result.ok());
        QCOMPARE(result.value().value("drink water"), QStringList({ "Line one about drink water.", "Line two!" }));

        QCOMPARE(m_server.requests().size(), 1);
        const QJsonObject body = bodyOf(m_server.requests().at(0));
        QCOMPARE(body.value("model").toString(), "openai/gpt-oss-20b");
        QCOMPARE(body.value("response_format").toObject().value("type").toString(), "json_object");
        QCOMPARE(messageText(m_server.requests().at(0), 0), h->characters.character(petID).systemPrompt());
        QVERIFY(messageText(m_server.requests().at(0), 1).contains("write 5 lines"));
        QCOMPARE(askedNames(m_server.requests().at(0)), QStringList({ "wave", "drink water" }));
    }

    void refusedJSONModeIsAskedOnceMoreWithoutIt()
    {
        auto h = harness();
        const PetCharacter character = h->characters.character(petID);
        m_server.enqueue({ Response::fixture(400, "error-400-json-validate-failed.json"),
            reply("Sure! {\"wave\": [\"hi!\"]} Hope that helps.") });
        const auto retried = awaitTask(h->generator->callGroq(character, { "wave" }, 8));
        QVERIFY(retried.ok());
        QCOMPARE(retried.value(), (RowLines { { "wave", { "Hi!" } } }));
        QCOMPARE(m_server.requests().size(), 2);
        const QJsonObject first = bodyOf(m_server.requests().at(0));
        const QJsonObject second = bodyOf(m_server.requests().at(1));
        QVERIFY(!second.contains("response_format"));
        const QJsonArray messages = second.value("messages").toArray();
        QCOMPARE(messages.size(), 3);
        QCOMPARE(messages.at(0), first.value("messages").toArray().at(0));
        QCOMPARE(messages.at(2)["role"].toString(), "system");

        // A second refusal, or any other failure, comes back unchanged and is not retried again.
        m_server.reset();
        m_server.enqueue({ Response::fixture(400, "error-400-json-validate-failed.json"),
            Response::fixture(401, "error-401-invalid-api-key.json") });
        const auto refused = awaitTask(h->generator->callGroq(character, { "wave" }, 8));
        QCOMPARE(refused.error().kind(), GenError::Kind::Client);
        QCOMPARE(refused.error().clientError()->status(), 401);
        QCOMPARE(m_server.requests().size(), 2);
    }

    void sevenRowsGoInBatchesOfThreeThreeAndOne()
    {
        auto h = harness();
        m_server.enqueue({ linesFor(rowNames.mid(0, 3)), linesFor(rowNames.mid(3, 3)), linesFor(rowNames.mid(6)) });
        const auto result = h->generateAll(ChatterGenerator::WriteMode::Replace);
        QVERIFY(result.ok());

        const QList<MockGroqServer::Request> requests = m_server.requests();
        QCOMPARE(requests.size(), 3);
        QCOMPARE(askedNames(requests.at(0)), rowNames.mid(0, 3));
        QCOMPARE(askedNames(requests.at(1)), rowNames.mid(3, 3));
        QCOMPARE(askedNames(requests.at(2)), rowNames.mid(6));
        QVERIFY(messageText(requests.at(0), 1).contains("write 8 lines"));
        for (int row = 0; row < rowNames.size(); ++row) {
            const AnimationMapping stored = h->maps.mapping(petID, row);
            QCOMPARE(stored.name, "  " + rowNames.at(row) + "\t");
            QCOMPARE(stored.chatter, QStringList({ "Line one about " + rowNames.at(row) + ".", "Line two!" }));
        }
        QCOMPARE(h->maps.mapping(petID, 7).chatter, QStringList({ "kept" }));
    }

    void passesRetryMissingRowsUntilNoProgress()
    {
        auto h = harness();
        // Pass one fills rows 0-4 (one of them under a differently written name); rows 5 and 6 are
        // skipped. Pass two asks for those two together and gets neither.
        m_server.enqueue({ linesFor({ "wave", "Drink-Water", "run" }), linesFor({ "sleep", "jump" }),
            reply("{\"nap\": [\"Zzz.\"]}"), linesFor({ "other" }) });
        const auto result = h->generateAll(ChatterGenerator::WriteMode::Replace);
        QVERIFY(!result.ok());
        QCOMPARE(result.error(), GenError::partial(5, 7, { "dance", "sneeze" }));
        QCOMPARE(m_server.requests().size(), 4);
        QCOMPARE(askedNames(m_server.requests().at(3)), QStringList({ "dance", "sneeze" }));
        QCOMPARE(h->maps.mapping(petID, 1).chatter.first(), "Line one about Drink-Water.");
        QVERIFY(!h->maps.mapping(petID, 4).chatter.isEmpty());
        QVERIFY(h->maps.mapping(petID, 5).chatter.isEmpty());

        // Progress in every pass runs three passes at most.
        m_server.reset();
        m_server.enqueue({ linesFor({ "wave" }), linesFor({}), linesFor({}), linesFor({ "drink water" }), linesFor({}),
            linesFor({ "run" }), linesFor({}) });
        const auto third = h->generateAll(ChatterGenerator::WriteMode::Replace);
        QCOMPARE(third.error().kind(), GenError::Kind::Partial);
        QCOMPARE(third.error().done(), 3);
        QCOMPARE(third.error().missing(), rowNames.mid(3));
        QCOMPARE(m_server.requests().size(), 7);
    }

    void failedBatchesAreRetriedAndOnlyTotalFailureThrows()
    {
        auto h = harness();
        m_server.enqueue({ linesFor(rowNames.mid(0, 3)), Response::fixture(401, "error-401-invalid-api-key.json"),
            reply("no JSON here"), linesFor(rowNames.mid(3)), linesFor(rowNames.mid(3)) });
        QVERIFY(h->generateAll(ChatterGenerator::WriteMode::Replace).ok());
        QCOMPARE(m_server.requests().size(), 5);
        QCOMPARE(askedNames(m_server.requests().at(3)), rowNames.mid(3, 3));
        QCOMPARE(askedNames(m_server.requests().at(4)), rowNames.mid(6));

        // Nothing at all came back: the last error is returned and nothing is written.
        m_server.reset();
        const auto before = h->maps.maps();
        m_server.enqueue(
            { reply("no JSON here"), reply("still none"), Response::fixture(401, "error-401-invalid-api-key.json") });
        const auto failed = h->generateAll(ChatterGenerator::WriteMode::Append);
        QCOMPARE(failed.error().kind(), GenError::Kind::Client);
        QCOMPARE(failed.error().clientError()->status(), 401);
        QCOMPARE(m_server.requests().size(), 3);
        QCOMPARE(h->maps.maps(), before);
    }

    void preconditionsFailBeforeAnyRequest()
    {
        auto noKey = harness(std::nullopt);
        QCOMPARE(noKey->generateAll(ChatterGenerator::WriteMode::Replace).error(), GenError::noKey());

        auto h = harness();
        QCOMPARE(
            awaitTask(h->generator->generateRow(petID, 7, h->maps, h->characters, ChatterGenerator::WriteMode::Replace))
                .error(),
            GenError::noNamedRows());
        const auto noRows = awaitTask(h->generator->generateAll(petID, h->maps, h->characters,
            FrameAtlas::decoder({ 0, 0, 0, 0, 0, 0, 0, 1 }), 8, ChatterGenerator::WriteMode::Replace));
        QCOMPARE(noRows.error(), GenError::noNamedRows());

        h->characters.setCharacter(petID, PetCharacter { "Bo", " \t ", PetCharacter::Tone::Dry, std::nullopt });
        QCOMPARE(h->generateAll(ChatterGenerator::WriteMode::Replace).error(), GenError::noPersonality());
        QCOMPARE(m_server.requests().size(), 0);
    }

    void generateRowReplacesOrAppends()
    {
        auto h = harness();
        h->maps.setMapping(petID, 2, { "run", { "Old one.", "Old two." } });
        QStringList eight;
        for (int i = 1; i <= 8; ++i)
            eight.append("Zoom " + QString::number(i) + "!");
        m_server.enqueue(
            reply(QString::fromUtf8(QJsonDocument(QJsonObject { { "Run", QJsonArray::fromStringList(eight) } })
                                        .toJson(QJsonDocument::Compact))));
        QVERIFY(
            awaitTask(h->generator->generateRow(petID, 2, h->maps, h->characters, ChatterGenerator::WriteMode::Append))
                .ok());
        QCOMPARE(h->maps.mapping(petID, 2).chatter, QStringList({ "Old one.", "Old two." }) + eight);
        QCOMPARE(askedNames(m_server.requests().at(0)), QStringList({ "run" }));

        m_server.enqueue(linesFor({ "run" }));
        QVERIFY(
            awaitTask(h->generator->generateRow(petID, 2, h->maps, h->characters, ChatterGenerator::WriteMode::Replace))
                .ok());
        QCOMPARE(h->maps.mapping(petID, 2).chatter, QStringList({ "Line one about run.", "Line two!" }));

        m_server.enqueue(reply("{\"run\": [\"   \"], \"walk\": [\"Step.\"]}"));
        QCOMPARE(
            awaitTask(h->generator->generateRow(petID, 2, h->maps, h->characters, ChatterGenerator::WriteMode::Replace))
                .error(),
            GenError::empty());
        QCOMPARE(h->maps.mapping(petID, 2).chatter.size(), 2);
    }

    void deletingTheGeneratorCancelsAndStoresNothing()
    {
        auto h = harness();
        m_server.enqueue(linesFor(rowNames.mid(0, 3)).delayed(300));
        auto task = h->generator->generateAll(
            petID, h->maps, h->characters, h->decoder, 8, ChatterGenerator::WriteMode::Replace);
        QTimer::singleShot(50, [&h] {
            delete h->generator;
            h->generator = nullptr;
        });
        const auto result = awaitTask(std::move(task));
        QCOMPARE(result.error(), GenError::client(ClientError::cancelled()));
        QVERIFY(h->maps.mapping(petID, 0).chatter.isEmpty());
        QCOMPARE(m_server.requests().size(), 1);
    }

private:
    TestEnvironment *m_env;
    MockGroqServer m_server;
};

TAMSEL_TEST_MAIN(TestChatterGenerator)
#include "tst_chattergenerator.moc"
