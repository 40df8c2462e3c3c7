#include "userdata/NoteStore.h"

#include "support/FakeClock.h"
#include "support/LogCapture.h"
#include "support/PetFixtures.h"
#include "support/TestMain.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using Note = NoteStore::Note;
using PetFixtures::readFile;
using PetFixtures::writeFile;

class TestNoteStore : public QObject {
    Q_OBJECT

public:
    explicit TestNoteStore(TestEnvironment *env)
        : m_env(env)
    {
    }

private:
    QString notesPath() const { return m_env->dataHome() + QStringLiteral("/Tamsel Desk/notes.json"); }

    static QStringList titles(const QList<Note> &notes)
    {
        QStringList result;
        for (const Note &note : notes)
            result.append(note.title);
        return result;
    }

    TestEnvironment *m_env;
    FakeClock m_clock;

private slots:
    void init()
    {
        m_env->reset();
        m_clock.setNow(QDateTime(QDate(2026, 3, 2), QTime(9, 0, 0, 250), Qt::UTC));
    }

    void savedNotesAreTidiedAndWrittenCompactly()
    {
        QCOMPARE(NoteStore::defaultFilePath(), notesPath());
        NoteStore store(NoteStore::defaultFilePath(), m_clock);
        QSignalSpy changed(&store, &NoteStore::notesChanged);

        // Horizontal space goes, including no-break and ideographic spaces; line breaks stay.
        const Note untitled = store.save(QStringLiteral(" \t\u00a0 "), QStringLiteral("\t\tBuy milk\n"));
        QCOMPARE(untitled.title, QStringLiteral("Untitled"));
        QCOMPARE(untitled.content, QStringLiteral("Buy milk\n"));
        m_clock.advanceSeconds(1.5);
        const Note plans = store.save(QStringLiteral("\u3000Plans\t"), QString());
        QCOMPARE(plans.title, QStringLiteral("Plans"));
        QCOMPARE(store.notes(), (QList<Note> { untitled, plans }));
        QCOMPARE(changed.count(), 2);

        const QByteArray bytes = readFile(notesPath());
        QVERIFY(!bytes.contains('\n') && !bytes.contains(": "));
        const QJsonArray array = QJsonDocument::fromJson(bytes).array();
        QCOMPARE(array.size(), 2);
        QCOMPARE(array.at(0).toObject(),
            (QJsonObject {
                { "id", untitled.id.toString(QUuid::WithoutBraces).toUpper() },
                { "title", "Untitled" },
                { "content", "Buy milk\n" },
                { "createdAt", 794134800.25 },
            }));
        QCOMPARE(array.at(1).toObject().value("createdAt").toDouble(), 794134801.75);

        QCOMPARE(NoteStore(notesPath(), m_clock).notes(), store.notes());
    }

    void notesWrittenByEarlierReleasesLoad()
    {
        // Lower-case identifier, escaped slash, members in another order, an extra member.
        writeFile(notesPath(),
            R"([{"createdAt":794134800.5,"content":"a\/b","title":"Old",)"
            R"("id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","pinned":true}])");
        NoteStore store(notesPath(), m_clock);
        const QUuid id(QStringLiteral("e621e1f8-c36c-495a-93fc-0c247a3e6e5f"));
        const QDateTime createdAt(QDate(2026, 3, 2), QTime(9, 0, 0, 500), Qt::UTC);
        QCOMPARE(store.notes(), (QList<Note> { { id, "Old", "a/b", createdAt } }));
        store.save(QStringLiteral("New"), QStringLiteral("b"));
        QVERIFY(readFile(notesPath())
                    .startsWith(
                        R"([{"content":"a/b","createdAt":794134800.5,"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F",)"));
    }

    void recallMatchesWithoutCaseAndListsNewestFirst()
    {
        NoteStore store(notesPath(), m_clock);
        store.save(QStringLiteral("Groceries"), QStringLiteral("Milk, EGGS"));
        m_clock.advanceSeconds(60);
        store.save(QStringLiteral("Call Mum"), QStringLiteral("about the trip"));
        store.save(QStringLiteral("Trip"), QStringLiteral("Book the train"));
        m_clock.advanceSeconds(60);
        store.save(QStringLiteral("Dentist"), QStringLiteral("Tuesday"));

        const QStringList all { "Dentist", "Call Mum", "Trip", "Groceries" };
        QCOMPARE(titles(store.recall(std::nullopt, 8)), all);
        QCOMPARE(titles(store.recall(QString(), 8)), all);
        QCOMPARE(titles(store.recall(QStringLiteral(" \t"), 2)), all.mid(0, 2));
        // Notes saved in the same second keep their saved order.
        QCOMPARE(titles(store.recall(QStringLiteral("TRIP"), 8)), QStringList({ "Call Mum", "Trip" }));
        QCOMPARE(titles(store.recall(QStringLiteral("eggs"), 8)), QStringList { "Groceries" });
        QCOMPARE(titles(store.recall(QStringLiteral("\tthe train "), 8)), QStringList { "Trip" });
        QVERIFY(store.recall(QStringLiteral("thetrain"), 8).isEmpty());
        QVERIFY(store.recall(std::nullopt, 0).isEmpty());
        QVERIFY(store.recall(std::nullopt, -1).isEmpty());
    }

    void unreadableFileStartsEmptyAndIsKeptAside_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("object") << QByteArray(R"({"notes":[]})");
        QTest::newRow("truncated") << QByteArray("[{\"id\":\"E621E1F8-C36C-495A-93FC-0C2");
        QTest::newRow("braced id") << QByteArray(
            R"([{"id":"{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}","title":"a","content":"b","createdAt":1}])");
        QTest::newRow("empty") << QByteArray();
    }

    void unreadableFileStartsEmptyAndIsKeptAside()
    {
        QFETCH(QByteArray, stored);
        writeFile(notesPath(), stored);
        LogCapture log;
        NoteStore store(notesPath(), m_clock);

        QVERIFY(store.notes().isEmpty());
        QCOMPARE(log.lines().size(), 1);
        QVERIFY2(log.lines().first().startsWith(QStringLiteral("NoteStore decode failed: ")),
            qPrintable(log.lines().first()));
        QCOMPARE(readFile(notesPath()), stored); // untouched until the next save

        const Note note = store.save(QStringLiteral("Only"), QStringLiteral("this one"));
        QCOMPARE(NoteStore(notesPath(), m_clock).notes(), QList<Note> { note });
        QCOMPARE(readFile(notesPath() + QStringLiteral(".unreadable")), stored);
        QVERIFY(log.anyContains(QStringLiteral("notes.json.unreadable")));

        // Only the file as first found is kept aside, not each later version.
        store.save(QStringLiteral("Second"), QString());
        QVERIFY(!QFileInfo::exists(notesPath() + QStringLiteral(".unreadable-2")));
    }

    void emptyArrayIsAnEmptyStore()
    {
        writeFile(notesPath(), "[]");
        LogCapture log;
        NoteStore store(notesPath(), m_clock);
        QVERIFY(store.notes().isEmpty());
        store.save(QStringLiteral("a"), QStringLiteral("b"));
        QVERIFY(log.lines().isEmpty());
        QVERIFY(!QFileInfo::exists(notesPath() + QStringLiteral(".unreadable")));
    }

    void fileSizeIsBounded()
    {
        // Exactly at the bound: read.
        QByteArray padded
            = R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","title":"a","content":"b","createdAt":1}])";
        padded.append(QByteArray(NoteStore::maxFileSize - padded.size(), ' '));
        writeFile(notesPath(), padded);
        QCOMPARE(NoteStore(notesPath(), m_clock).notes().size(), 1);

        // One byte more: refused, logged, and kept aside beside an earlier kept file.
        writeFile(notesPath() + QStringLiteral(".unreadable"), "older");
        padded.append(' ');
        writeFile(notesPath(), padded);
        LogCapture log;
        NoteStore store(notesPath(), m_clock);
        QVERIFY(store.notes().isEmpty());
        QVERIFY(log.anyContains(QStringLiteral("NoteStore load failed: ")));
        QVERIFY(log.anyContains(QStringLiteral("larger than 16 MiB")));
        store.save(QStringLiteral("a"), QStringLiteral("b"));
        QCOMPARE(QFileInfo(notesPath() + QStringLiteral(".unreadable-2")).size(), NoteStore::maxFileSize + 1);
        QCOMPARE(readFile(notesPath() + QStringLiteral(".unreadable")), QByteArray("older"));
    }

    void crashWhileSavingLeavesTheOldFile()
    {
        {
            NoteStore store(notesPath(), m_clock);
            store.save(QStringLiteral("One"), QStringLiteral("first"));
            store.save(QStringLiteral("Two"), QStringLiteral("second"));
        }
        const QByteArray before = readFile(notesPath());

        // The child process saves a note too big for its file-size limit, so the kernel kills it
        // in the middle of writing, before the new file is committed.
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit noCore { 0, 0 };
            const rlimit smallFiles { 4096, 4096 };
            setrlimit(RLIMIT_CORE, &noCore);
            setrlimit(RLIMIT_FSIZE, &smallFiles);
            NoteStore store(notesPath(), m_clock);
            store.save(QStringLiteral("Three"), QString(64 * 1024, QLatin1Char('x')));
            _exit(0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), SIGXFSZ);

        QCOMPARE(readFile(notesPath()), before);
        LogCapture log;
        NoteStore store(notesPath(), m_clock);
        QCOMPARE(titles(store.notes()), QStringList({ "One", "Two" }));
        store.save(QStringLiteral("Three"), QStringLiteral("third"));
        QCOMPARE(titles(NoteStore(notesPath(), m_clock).notes()), QStringList({ "One", "Two", "Three" }));
        QVERIFY(log.lines().isEmpty());
    }

    void failedWriteKeepsTheNoteInMemory()
    {
        // A plain file where the folder should be: the folder can be neither created nor written.
        writeFile(m_env->dataHome() + QStringLiteral("/Tamsel Desk"), "in the way");
        LogCapture log;
        NoteStore store(notesPath(), m_clock);
        const Note note = store.save(QStringLiteral("Kept"), QStringLiteral("in memory"));
        QCOMPARE(note.title, QStringLiteral("Kept"));
        QCOMPARE(store.notes(), QList<Note> { note });
        QCOMPARE(log.lines().size(), 1);
        QVERIFY2(log.lines().first().startsWith(QStringLiteral("NoteStore persist failed: ")),
            qPrintable(log.lines().first()));
    }
};

TAMSEL_TEST_MAIN(TestNoteStore)
#include "tst_notestore.moc"
