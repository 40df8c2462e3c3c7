#include "pets/PetManifestParser.h"

#include "support/TestMain.h"

#include <QJsonDocument>

class TestPetManifestParser : public QObject {
    Q_OBJECT

private:
    static PetManifest parseOk(const QByteArray &json, const QString &folder = QStringLiteral("folder"))
    {
        auto result = PetManifestParser::parse(json, folder);
        if (!result.ok())
            qFatal("unexpected parse failure: %s", qPrintable(result.error().description()));
        return result.value();
    }

private slots:
    void emptyObjectTakesEveryDefaultFromTheFolder()
    {
        const PetManifest manifest = parseOk("{}", QStringLiteral("sleepy_fox"));
        QCOMPARE(manifest.id, QStringLiteral("sleepy-fox"));
        QCOMPARE(manifest.displayName, QStringLiteral("Sleepy Fox"));
        QVERIFY(!manifest.description.has_value());
        QCOMPARE(manifest.spritesheetFileName, QStringLiteral("spritesheet.webp"));
        QCOMPARE(manifest.frameWidth, 192);
        QCOMPARE(manifest.frameHeight, 208);
        QCOMPARE(manifest.columns, 8);
        QVERIFY(manifest.animations.isEmpty());
        const PetAnimation jumping = manifest.animation(PetAnimationState::Jumping);
        QCOMPARE(jumping, (PetAnimation { PetAnimationState::Jumping, 2, 8, 5.0, false }));
        QCOMPARE(manifest.animation(PetAnimationState::RunningLeft).row, 7);
        QVERIFY(manifest.animation(PetAnimationState::Review).loop);
    }

    void keysAreTriedInPriorityOrderSkippingUnusableValues()
    {
        const PetManifest manifest = parseOk(R"({"id": "", "petId": 7, "name": "Rusty Bot",
            "title": "", "summary": "", "blurb": "Beeps.", "spritesheet": "", "atlas": "sheet.png",
            "frameWidth": "wide", "frame_width": "256", "cellHeight": 256.9, "cols": "+4",
            "columns": "4 "})");
        // "id" is empty and "petId" is not a string, so "name" supplies both id and display name.
        QCOMPARE(manifest.id, QStringLiteral("rusty-bot"));
        QCOMPARE(manifest.displayName, QStringLiteral("Rusty Bot"));
        QCOMPARE(manifest.description, std::optional<QString>(QStringLiteral("Beeps.")));
        QCOMPARE(manifest.spritesheetFileName, QStringLiteral("sheet.png"));
        QCOMPARE(manifest.frameWidth, 256);
        QCOMPARE(manifest.frameHeight, 256);
        QCOMPARE(manifest.columns, 4); // "4 " has a space, so "cols" wins
        QCOMPARE(manifest.rawJSON.value(QStringLiteral("atlas")).toString(), QStringLiteral("sheet.png"));
    }

    void integerRuleRejectsNonFiniteAndOutOfRangeValues()
    {
        QCOMPARE(parseOk(R"({"frameWidth": -12.7})").frameWidth, -12);
        QCOMPARE(parseOk(R"({"frameWidth": 1e300})").frameWidth, 192);
        QCOMPARE(parseOk(R"({"frameWidth": "99999999999999999999"})").frameWidth, 192);
        QCOMPARE(parseOk(R"({"frameWidth": "1e3"})").frameWidth, 192);
        QCOMPARE(parseOk(R"({"frameWidth": true})").frameWidth, 192);
        QCOMPARE(parseOk(R"({"frameWidth": 9007199254740993})").frameWidth, 9007199254740993LL);
    }

    void animationEntriesFollowTheirRules()
    {
        const PetManifest manifest = parseOk(R"({"animations": {
            "Running_Right": {"row": "3", "fps": 0.5, "frames": 0, "loop": 0},
            " WAVE\n": {"atlasRow": 9, "frameRate": "12.5", "count": 4, "repeat": 1},
            "sleep": {"row": 1},
            "jump": "not an object",
            "idle": {"fps": "fast", "loop": 0.5, "loops": "yes", "repeat": false}}})");
        QCOMPARE(manifest.animations.size(), 3);
        QCOMPARE(manifest.animations.value(PetAnimationState::RunningRight),
            (PetAnimation { PetAnimationState::RunningRight, 3, 1, 1.0, false }));
        QCOMPARE(manifest.animations.value(PetAnimationState::Waving),
            (PetAnimation { PetAnimationState::Waving, 9, 4, 12.5, true }));
        // Unusable values fall through to later keys, then to the state's defaults.
        QCOMPARE(manifest.animations.value(PetAnimationState::Idle),
            (PetAnimation { PetAnimationState::Idle, 0, 8, 5.0, false }));
        QVERIFY(!manifest.animations.contains(PetAnimationState::Jumping));
    }

    void stateNamesAndAliases()
    {
        QCOMPARE(PetAnimationStates::parse(QStringLiteral("running-left")), PetAnimationState::RunningLeft);
        QCOMPARE(PetAnimationStates::parse(QStringLiteral(" Left ")), PetAnimationState::RunningLeft);
        QCOMPARE(PetAnimationStates::parse(QStringLiteral("error")), PetAnimationState::Failed);
        QCOMPARE(PetAnimationStates::parse(QStringLiteral("RUN")), PetAnimationState::Running);
        QCOMPARE(PetAnimationStates::parse(QStringLiteral("runningright")), std::nullopt);
    }

    void malformedDocumentsFailWithTheirDescriptions()
    {
        const auto array = PetManifestParser::parse("[1, 2]", QStringLiteral("x"));
        QCOMPARE(array.error().kind(), PetManifestError::Kind::InvalidJSON);
        QCOMPARE(array.error().description(), QStringLiteral("pet.json could not be parsed: Root is not an object"));

        const auto broken = PetManifestParser::parse("{\"id\": ", QStringLiteral("x"));
        QVERIFY(broken.error().description().startsWith(QStringLiteral("pet.json could not be parsed: ")));
        QVERIFY(broken.error().description().size() > QStringLiteral("pet.json could not be parsed: ").size());
    }

    void normalizeID_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("punctuation and underscore") << QStringLiteral("My Cool_Pet!") << QStringLiteral("my-cool-pet");
        QTest::newRow("runs collapse") << QStringLiteral("--a  __ b--") << QStringLiteral("a-b");
        QTest::newRow("only symbols") << QStringLiteral("!@# $%_-") << QString();
        QTest::newRow("non-ascii letters kept") << QStringLiteral("Ünïcörn Ψ") << QStringLiteral("ünïcörn-ψ");
        QTest::newRow("marks and digits kept") << QStringLiteral("cafe\u0301 2") << QStringLiteral("cafe\u0301-2");
        QTest::newRow("emoji is a symbol") << QStringLiteral("cat😺dog") << QStringLiteral("cat-dog");
        QTest::newRow("cjk") << QStringLiteral("猫 ねこ") << QStringLiteral("猫-ねこ");
    }

    void normalizeID()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(PetManifestParser::normalizeID(input), expected);
    }

    void titleCase()
    {
        QCOMPARE(PetManifestParser::titleCase(QStringLiteral("cool_pet-2")), QStringLiteral("Cool Pet 2"));
        QCOMPARE(PetManifestParser::titleCase(QStringLiteral("__ élan  vital_")), QStringLiteral("Élan Vital"));
        QCOMPARE(PetManifestParser::titleCase(QStringLiteral("mcFly")), QStringLiteral("McFly"));
        QCOMPARE(PetManifestParser::titleCase(QStringLiteral("-_-")), QString());
    }
};

TAMSEL_TEST_MAIN(TestPetManifestParser)
#include "tst_petmanifestparser.moc"
