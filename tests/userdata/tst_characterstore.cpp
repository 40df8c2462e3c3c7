#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "userdata/CharacterStore.h"

#include "support/LogCapture.h"
#include "support/TestMain.h"

#include <QSignalSpy>

#include <memory>

class TestCharacterStore : public QObject {
    Q_OBJECT

public:
    explicit TestCharacterStore(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    std::unique_ptr<SettingsStore> openSettings() const
    {
        return std::make_unique<SettingsStore>(m_env->configHome() + QStringLiteral("/tamsel/tamsel.conf"));
    }

    QByteArray storedBytes() const { return openSettings()->stored(SettingsKeys::characters).value_or(QByteArray()); }

    // The prompt up to the sentences every character shares.
    static QString head(const PetCharacter &character)
    {
        const QString prompt = character.systemPrompt();
        return prompt.left(prompt.indexOf(" Speak in short, natural lines."));
    }

    TestEnvironment *m_env;

private slots:
    void init() { m_env->reset(); }

    void storedDocumentRoundTripsByteForByte()
    {
        const QByteArray document = R"({"fox":{"listeningAnimationRow":4,"name":" Rusty ","personality":"Grumpy.",)"
                                    R"("tone":"dry"},"owl":{"name":"","personality":"","tone":"curious"}})";
        auto settings = openSettings();
        settings->setValue(SettingsKeys::characters, document);
        CharacterStore store(*settings);
        QSignalSpy changed(&store, &CharacterStore::charactersChanged);

        QCOMPARE(store.characters().size(), 2);
        const PetCharacter fox = store.character(QStringLiteral("fox"));
        QCOMPARE(fox.name, QStringLiteral(" Rusty ")); // stored untrimmed
        QCOMPARE(fox.tone, PetCharacter::Tone::Dry);
        QCOMPARE(fox.listeningAnimationRow, std::optional<qint64>(4));
        QVERIFY(!store.character(QStringLiteral("owl")).listeningAnimationRow);

        store.setCharacter(QStringLiteral("fox"), fox);
        QCOMPARE(changed.count(), 1); // notified even when the value is the same
        QCOMPARE(storedBytes(), document); // the owl is written without "listeningAnimationRow"

        const PetCharacter pip { QStringLiteral("Pip"), QStringLiteral("Beeps"), PetCharacter::Tone::Snarky, -2 };
        store.setCharacter(QStringLiteral("bot"), pip);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(CharacterStore(*openSettings()).characters(), store.characters());
    }

    void missingAndNullMembersReadAsDefaults()
    {
        auto settings = openSettings();
        settings->setValue(SettingsKeys::characters,
            R"({"a":{},"b":{"name":null,"personality":null,"tone":null,"listeningAnimationRow":null},)"
            R"("c":{"tone":"chill","listeningAnimationRow":3.0,"extra":[1]},"d":{"listeningAnimationRow":9007199254740993}})");
        LogCapture log;
        CharacterStore store(*settings);
        QVERIFY(log.lines().isEmpty());
        QCOMPARE(store.character(QStringLiteral("a")), PetCharacter());
        QCOMPARE(store.character(QStringLiteral("b")), PetCharacter());
        QCOMPARE(store.character(QStringLiteral("c")), (PetCharacter { {}, {}, PetCharacter::Tone::Chill, 3 }));
        QCOMPARE(store.character(QStringLiteral("d")).listeningAnimationRow, std::optional<qint64>(9007199254740993));

        // Asking for an unknown pet gives the default character without adding it.
        QCOMPARE(store.character(QStringLiteral("nobody")), PetCharacter());
        QCOMPARE(store.characters().size(), 4);
    }

    void systemPromptForEachShapeOfCharacter()
    {
        // Blank name and personality: the anonymous sentence and no personality sentence.
        QCOMPARE(head(PetCharacter()), "You are a small desktop pet. Tone: playful.");
        QCOMPARE(
            head({ " \t\u00a0", "\u3000 ", PetCharacter::Tone::Dry, {} }), "You are a small desktop pet. Tone: dry.");
        QCOMPARE(
            head({ "  Rusty  ", {}, PetCharacter::Tone::Dry, 2 }), "You are Rusty, a small desktop pet. Tone: dry.");
        // The personality is trimmed of spaces and tabs only and gets no full stop of its own.
        QCOMPARE(head({ "Pip", "\tLoves naps\n ", PetCharacter::Tone::Encouraging, {} }),
            "You are Pip, a small desktop pet. Personality: Loves naps\n Tone: encouraging.");
    }
};

TAMSEL_TEST_MAIN(TestCharacterStore)
#include "tst_characterstore.moc"
