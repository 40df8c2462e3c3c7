// Opens the preferences window at the Pet pane over a library of N copies of the built-in pet and
// prints, per opening and as medians: the time until the window's first paint, the time until every
// thumbnail arrived, and the longest gap of a 16 ms heartbeat timer in between (a frozen window
// shows as a long gap). Not a test: run by hand or by make bench and read the figures. With --shot
// it also saves a picture of the last opening's window, under a dark desktop palette with --dark
// (the window must stay light whatever the desktop's theme).
#include "pets/PetImageCache.h"
#include "pets/PetLibrary.h"
#include "pets/PetThumbnailStore.h"
#include "pets/SpriteSheetDecoder.h"
#include "platform/Clock.h"
#include "preferences/PetPane.h"
#include "preferences/PreferencesHost.h"
#include "preferences/PreferencesWindow.h"
#include "settings/SettingsStore.h"
#include "userdata/CharacterStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/ReminderStore.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPalette>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// The program as the panes see it, reduced to a library on disk and one decoded pet.
class BenchHost final : public PreferencesHost {
public:
    BenchHost(PetLibrary &library, SettingsStore &settings)
        : m_library(library)
        , m_settings(settings)
        , m_reminders(settings)
        , m_characters(settings)
        , m_maps(settings)
    {
        const QList<PetPackage> pets = library.loadLibrary();
        if (pets.isEmpty())
            return;
        m_active = pets.constFirst();
        m_decoder = SpriteSheetDecoder::create(
            m_active.manifest, QDir(m_active.folderPath).filePath(m_active.manifest.spritesheetFileName))
                        .value();
    }

    SettingsStore &settings() const override { return m_settings; }
    QList<PetPackage> library() const override { return m_library.loadLibrary(); }
    std::optional<QString> bundledPetID() const override { return std::nullopt; }
    std::optional<QString> activePetID() const override
    {
        return m_decoder ? std::optional<QString>(m_active.id()) : std::nullopt;
    }
    QString displayName(const PetPackage &package) const override { return package.manifest.displayName; }
    std::shared_ptr<SpriteSheetDecoder> activeDecoder() const override { return m_decoder; }
    void loadPet(const PetPackage &) override { }
    void promptImportFolder() override { }
    void promptImportZip() override { }
    void scanNimboPets() override { }
    void confirmAndDeletePet(const PetPackage &) override { }
    void revealPetInFileManager(const PetPackage &) override { }
    void reloadCurrentPetWithScale() override { }
    void setWindowLevel(WindowLevel) override { }
    void setClickThrough(bool) override { }
    void applyPlaybackSpeed() override { }
    void restartBehavior() override { }
    void replayWelcome() override { }
    bool openUrl(const QUrl &) override { return false; }
    QString rowName(const QString &, qint64) const override { return {}; }
    void setListedInTaskbar(bool) override { }
    LoginItem *loginItem() const override { return nullptr; }
    AlertPresenter *alerts() const override { return nullptr; }
    KeyStore *keyStore() const override { return nullptr; }
    GroqClient *groqClient() const override { return nullptr; }
    QString libraryFolder() const override { return {}; }
    void revealLibraryFolder() override { }
    void applyMovementInversion() override { }
    ReminderStore &reminderStore() const override { return m_reminders; }
    CharacterStore &characterStore() const override { return m_characters; }
    PetAnimationMapStore &animationMapStore() const override { return m_maps; }
    Clock &clock() const override { return Clock::system(); }

private:
    PetLibrary &m_library;
    SettingsStore &m_settings;
    mutable ReminderStore m_reminders;
    mutable CharacterStore m_characters;
    mutable PetAnimationMapStore m_maps;
    PetPackage m_active;
    std::shared_ptr<SpriteSheetDecoder> m_decoder;
};

// Copies of the built-in pet under distinct ids, straight into the library folder.
void fillLibrary(const QString &root, int count)
{
    QFile manifestFile(QStringLiteral(":/BundledPet/pet.json"));
    manifestFile.open(QIODevice::ReadOnly);
    QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
    for (int i = 0; i < count; ++i) {
        const QString id = QStringLiteral("bench-pet-%1").arg(i, 2, 10, QLatin1Char('0'));
        const QString folder = QDir(root).filePath(id);
        QDir().mkpath(folder);
        manifest.insert(QStringLiteral("id"), id);
        manifest.insert(QStringLiteral("displayName"), QStringLiteral("Pet %1").arg(i + 1));
        QFile out(QDir(folder).filePath(QStringLiteral("pet.json")));
        out.open(QIODevice::WriteOnly);
        out.write(QJsonDocument(manifest).toJson());
        QFile::copy(
            QStringLiteral(":/BundledPet/spritesheet.webp"), QDir(folder).filePath(QStringLiteral("spritesheet.webp")));
    }
}

// Notes the first paint of a window.
class PaintWatch : public QObject {
public:
    QElapsedTimer clock;
    qint64 firstPaint = -1;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && firstPaint < 0)
            firstPaint = clock.elapsed();
        return false;
    }
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        { QStringLiteral("pets"), QStringLiteral("Pets in the library."), QStringLiteral("n"), QStringLiteral("20") });
    parser.addOption({ QStringLiteral("openings"), QStringLiteral("How often to open the window."), QStringLiteral("n"),
        QStringLiteral("5") });
    const QCommandLineOption shot(
        QStringLiteral("shot"), QStringLiteral("Save the window as a picture."), QStringLiteral("file"));
    const QCommandLineOption dark(QStringLiteral("dark"), QStringLiteral("Use a dark desktop palette."));
    parser.addOptions({ shot, dark });
    parser.process(app);
    if (parser.isSet(dark)) {
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(0x2B, 0x2B, 0x2E));
        palette.setColor(QPalette::WindowText, QColor(0xEE, 0xEE, 0xF0));
        palette.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x21));
        palette.setColor(QPalette::AlternateBase, QColor(0x33, 0x33, 0x37));
        palette.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xF0));
        palette.setColor(QPalette::Button, QColor(0x3A, 0x3A, 0x3E));
        palette.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xF0));
        palette.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xE4));
        QApplication::setPalette(palette);
    }
    const int pets = std::max(0, parser.value(QStringLiteral("pets")).toInt());
    const int openings = std::max(1, parser.value(QStringLiteral("openings")).toInt());

    QTemporaryDir home;
    const QString root = home.filePath(QStringLiteral("Pets"));
    QDir().mkpath(root);
    fillLibrary(root, pets);
    PetLibrary library({ root, home.filePath(QStringLiteral("older")), home.filePath(QStringLiteral("none")),
        home.filePath(QStringLiteral("nimbo")), home.path() });
    SettingsStore settings(home.filePath(QStringLiteral("tamsel.conf")));
    BenchHost host(library, settings);

    QList<double> shown;
    QList<double> thumbnailed;
    QList<double> gaps;
    for (int i = 0; i < openings; ++i) {
        PaintWatch watch;
        watch.clock.start();
        auto *window = new PreferencesWindow(host, PreferencesSection::Pet);
        const qint64 built = watch.clock.elapsed();
        window->installEventFilter(&watch);
        window->show();
        QEventLoop loop;
        QTimer heartbeat;
        QElapsedTimer sinceBeat;
        qint64 worstGap = 0;
        sinceBeat.start();
        QObject::connect(&heartbeat, &QTimer::timeout, &loop, [&] {
            worstGap = std::max(worstGap, sinceBeat.restart());
            const PetThumbnailStore &store = window->findChild<PetPane *>()->thumbnails();
            if (watch.firstPaint >= 0 && store.thumbs().size() >= pets)
                loop.quit();
        });
        heartbeat.start(16);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        const double all = static_cast<double>(watch.clock.elapsed());
        shown.append(static_cast<double>(watch.firstPaint));
        thumbnailed.append(all);
        gaps.append(static_cast<double>(worstGap));
        std::printf("opening %d: built after %lld ms, on screen after %lld ms, %d thumbnails after %.0f ms, worst "
                    "heartbeat gap %lld ms\n",
            i + 1, static_cast<long long>(built), static_cast<long long>(watch.firstPaint), pets, all,
            static_cast<long long>(worstGap));
        if (i == openings - 1 && parser.isSet(shot))
            window->grab().save(parser.value(shot));
        delete window;
        PetImageCache::clear();
    }
    std::printf("preferences with %d pets: on screen %.0f ms (median of %d), all thumbnails %.0f ms, worst heartbeat "
                "gap %.0f ms\n",
        pets, median(shown), openings, median(thumbnailed), median(gaps));
    return 0;
}
