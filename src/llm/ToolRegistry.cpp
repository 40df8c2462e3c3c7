#include "llm/ToolRegistry.h"

#include "foundation/TextTrim.h"
#include "llm/ToolHost.h"
#include "llm/ToolSpecs.h"
#include "pets/PetPackage.h"
#include "pets/SpriteSheetDecoder.h"
#include "platform/ApplicationLauncher.h"
#include "platform/ClipboardAccess.h"
#include "platform/Clock.h"
#include "platform/ScreenCapturer.h"
#include "platform/UrlOpener.h"
#include "userdata/DateStyles.h"
#include "userdata/NoteStore.h"
#include "userdata/PetAnimationMapStore.h"
#include "userdata/Reminder.h"
#include "userdata/ReminderStore.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QJsonDocument>
#include <QPointer>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextBoundaryFinder>
#include <QUrl>

#include <limits>

namespace {
// Argument texts come from the model; anything larger than this is not a tool call worth parsing.
constexpr qsizetype maxArgumentsLength = 1024 * 1024;

const QString permissionRequired = QStringLiteral(
    "PERMISSION_REQUIRED: Screenshots aren't allowed for tamsel yet. Your desktop just asked \u2014 open your "
    "desktop's privacy settings for screenshots, allow tamsel, then ask me to try again.");
// Tagged here: the agent would take an untagged cancellation for a success.
const QString selectionCancelled = QStringLiteral("[ERROR] Screenshot cancelled \u2014 no region was selected.");
const QString interrupted = QStringLiteral("Couldn't finish: the app is closing.");

// A member that is present and a JSON string.
std::optional<QString> textArgument(const QJsonObject &arguments, const QString &key)
{
    const QJsonValue value = arguments.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

// The text argument trimmed of spaces and tabs; absent when missing or blank.
std::optional<QString> trimmedArgument(const QJsonObject &arguments, const QString &key)
{
    std::optional<QString> text = textArgument(arguments, key);
    if (!text)
        return std::nullopt;
    QString trimmed = TextTrim::spacesAndTabs(*text);
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

Reminder::Repeat repeatFromArgument(const std::optional<QString> &text)
{
    if (text == QLatin1String("every_minute"))
        return Reminder::Repeat::EveryMinute;
    if (text == QLatin1String("hourly"))
        return Reminder::Repeat::Hourly;
    if (text == QLatin1String("daily"))
        return Reminder::Repeat::Daily;
    if (text == QLatin1String("weekly"))
        return Reminder::Repeat::Weekly;
    return Reminder::Repeat::None;
}

std::optional<QDateTime> dateTimeFromMatch(const QRegularExpressionMatch &match, const QTimeZone &zone)
{
    auto number = [&](int group) { return match.captured(group).toInt(); };
    const QDate date(number(1), number(2), number(3));
    const QTime time(number(4), number(5), number(6));
    if (!date.isValid() || !time.isValid() || !zone.isValid())
        return std::nullopt;
    QDateTime moment(date, time, zone);
    if (!moment.isValid())
        return std::nullopt;
    return moment;
}
}

ToolRegistry::ToolRegistry(ToolHost &host, Platform platform, QObject *parent)
    : ToolExecutor(parent)
    , m_host(host)
    , m_platform(platform)
{
}

QList<ToolSpec> ToolRegistry::specs() const
{
    return ToolSpecs::all();
}

QJsonObject ToolRegistry::parseArgs(const QString &argumentsJSON)
{
    if (argumentsJSON.size() > maxArgumentsLength)
        return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(argumentsJSON.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return {};
    return document.object();
}

QCoro::Task<QString> ToolRegistry::execute(ToolCall call)
{
    const QJsonObject arguments = parseArgs(call.argumentsJSON);
    // The awaited handlers guard themselves; nothing below touches the registry after them.
    if (call.name == ToolSpecs::takeScreenshot)
        co_return co_await takeScreenshot(arguments);
    if (call.name == ToolSpecs::openUrlOrApp)
        co_return co_await openUrlOrApp(arguments);
    if (call.name == ToolSpecs::addReminder)
        co_return addReminder(arguments);
    if (call.name == ToolSpecs::getClipboard)
        co_return getClipboard();
    if (call.name == ToolSpecs::playAnimation)
        co_return playAnimation(arguments);
    if (call.name == ToolSpecs::saveNote)
        co_return saveNote(arguments);
    if (call.name == ToolSpecs::recallNotes)
        co_return recallNotes(arguments);
    if (call.name == ToolSpecs::webSearch)
        co_return webSearch(arguments);
    co_return QStringLiteral("Unknown tool: ") + call.name;
}

QCoro::Task<QString> ToolRegistry::takeScreenshot(QJsonObject arguments)
{
    const QString target = textArgument(arguments, QStringLiteral("target")).value_or(QStringLiteral("clipboard"));
    const QJsonValue selectionValue = arguments.value(QStringLiteral("selection"));
    const bool selection = selectionValue.isBool() && selectionValue.toBool();
    const bool toDesktop = target == QLatin1String("desktop");
    if (!toDesktop && target != QLatin1String("clipboard"))
        co_return QStringLiteral("Unknown target '") + target + QStringLiteral("'. Use clipboard or desktop.");

    QString desktopFile;
    if (toDesktop) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            co_return QStringLiteral("Couldn't resolve the Desktop folder.");
        const Clock &clock = m_platform.clock ? *m_platform.clock : Clock::system();
        const QString stamp = clock.now().toTimeZone(m_timeZone).toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
        desktopFile = QDir(folder).filePath(QStringLiteral("screenshot_") + stamp + QStringLiteral(".png"));
    }
    if (!m_platform.screenCapturer)
        co_return QStringLiteral("Couldn't take the screenshot: screen capture isn't available here.");

    QPointer<ToolRegistry> self(this);
    const ScreenCapturer::Capture capture = co_await m_platform.screenCapturer->capture(selection);
    if (!self)
        co_return interrupted;
    switch (capture.outcome) {
    case ScreenCapturer::Capture::Outcome::Captured: co_return deliverScreenshot(capture.image, target, desktopFile);
    case ScreenCapturer::Capture::Outcome::Cancelled: co_return selectionCancelled;
    case ScreenCapturer::Capture::Outcome::Refused: co_return permissionRequired;
    case ScreenCapturer::Capture::Outcome::Failed: break;
    }
    co_return QStringLiteral("Couldn't take the screenshot: ") + capture.reason + QStringLiteral(".");
}

QString ToolRegistry::deliverScreenshot(const QImage &image, const QString &target, const QString &desktopFile)
{
    if (image.isNull())
        return QStringLiteral("Couldn't take the screenshot: the picture was empty.");
    if (target == QLatin1String("clipboard")) {
        if (!m_platform.clipboard)
            return QStringLiteral("Couldn't take the screenshot: the clipboard isn't available.");
        m_platform.clipboard->setImage(image);
        return QStringLiteral("Saved to clipboard.");
    }
    QSaveFile file(desktopFile);
    QImageWriter writer(&file, QByteArrayLiteral("png"));
    QString error;
    if (!file.open(QIODevice::WriteOnly))
        error = file.errorString();
    else if (!writer.write(image))
        error = writer.errorString();
    else if (!file.commit())
        error = file.errorString();
    if (!error.isEmpty()) {
        file.cancelWriting();
        return QStringLiteral("Couldn't save the screenshot to ") + desktopFile + QStringLiteral(": ") + error
            + QStringLiteral(".");
    }
    return QStringLiteral("Saved to ") + desktopFile + QStringLiteral(".");
}

std::optional<QDateTime> ToolRegistry::parseFireDate(const QString &text, const QTimeZone &zone)
{
    static const QRegularExpression internet(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})(Z|([+-])(\\d{2}):?(\\d{2}))$"));
    static const QRegularExpression local(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})$"));
    if (const QRegularExpressionMatch match = internet.match(text); match.hasMatch()) {
        int offset = 0;
        if (match.captured(7) != QLatin1String("Z")) {
            const int hours = match.captured(9).toInt();
            const int minutes = match.captured(10).toInt();
            if (minutes > 59)
                return std::nullopt;
            offset = (hours * 3600 + minutes * 60) * (match.captured(8) == QLatin1String("-") ? -1 : 1);
        }
        return dateTimeFromMatch(match, QTimeZone(offset));
    }
    if (const QRegularExpressionMatch match = local.match(text); match.hasMatch())
        return dateTimeFromMatch(match, zone);
    return std::nullopt;
}

QString ToolRegistry::addReminder(const QJsonObject &arguments)
{
    const std::optional<QString> title = trimmedArgument(arguments, QStringLiteral("title"));
    if (!title)
        return QStringLiteral("Need a title for the reminder.");
    const std::optional<QString> when = textArgument(arguments, QStringLiteral("when_iso"));
    if (!when)
        return QStringLiteral("Need an ISO 8601 fire time.");
    const std::optional<QDateTime> fireDate = parseFireDate(*when, m_timeZone);
    if (!fireDate)
        return QStringLiteral("Couldn't parse '") + *when + QStringLiteral("' as a date.");

    const Reminder::Repeat repeats = repeatFromArgument(textArgument(arguments, QStringLiteral("repeats")));
    m_host.reminderStore().add(Reminder::create(*title, *fireDate, repeats));
    return QStringLiteral("Reminder set: \"") + *title + QStringLiteral("\" for ")
        + DateStyles::mediumDateShortTime(*fireDate, m_timeZone, m_locale) + QStringLiteral(".");
}

QString ToolRegistry::leadingCharacters(const QString &text, qsizetype limit)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (qsizetype counted = 0; counted < limit; ++counted) {
        const qsizetype next = graphemes.toNextBoundary();
        if (next < 0)
            return text;
        end = next;
    }
    return text.left(end);
}

QString ToolRegistry::getClipboard() const
{
    const QString text = m_platform.clipboard ? m_platform.clipboard->text() : QString();
    if (text.isEmpty())
        return QStringLiteral("Clipboard is empty (or has no text).");
    return QStringLiteral("Clipboard text:\n") + leadingCharacters(text, clipboardCharacterLimit);
}

QString ToolRegistry::playAnimation(const QJsonObject &arguments)
{
    const std::optional<QString> name = trimmedArgument(arguments, QStringLiteral("name"));
    if (!name)
        return QStringLiteral("Need an animation name.");
    const PetPackage *package = m_host.currentPackage();
    const SpriteSheetDecoder *decoder = m_host.spriteDecoder();
    if (!package || !decoder)
        return QStringLiteral("No pet is loaded.");

    struct Named {
        qint64 row;
        QString stored;
        QString key;
    };
    QList<Named> rows;
    for (qint64 row : decoder->nonEmptyRows()) {
        if (row > std::numeric_limits<int>::max())
            break;
        const QString stored = m_host.animationMapStore().mapping(package->id(), row).name;
        rows.append({ row, stored, TextTrim::spacesAndTabs(stored).toLower() });
    }
    const QString query = name->toLower();
    auto winner = std::find_if(rows.cbegin(), rows.cend(), [&](const Named &named) { return named.key == query; });
    if (winner == rows.cend()) {
        winner = std::find_if(rows.cbegin(), rows.cend(), [&](const Named &named) {
            return !named.key.isEmpty() && (named.key.contains(query) || query.contains(named.key));
        });
    }
    if (winner == rows.cend()) {
        return QStringLiteral("No animation named '") + *name
            + QStringLiteral("'. Configure names in Preferences \u2192 Animations.");
    }
    m_host.playRowOneShot(static_cast<int>(winner->row));
    return QStringLiteral("Played '") + winner->stored + QStringLiteral("'.");
}

QString ToolRegistry::saveNote(const QJsonObject &arguments)
{
    const QString title = textArgument(arguments, QStringLiteral("title")).value_or(QString());
    const QString content = textArgument(arguments, QStringLiteral("content")).value_or(QString());
    if (TextTrim::spacesAndTabs(content).isEmpty())
        return QStringLiteral("Note content was empty.");
    const NoteStore::Note saved = m_host.noteStore().save(title, content);
    return QStringLiteral("Saved note '") + saved.title + QStringLiteral("'.");
}

QString ToolRegistry::recallNotes(const QJsonObject &arguments) const
{
    const std::optional<QString> query = textArgument(arguments, QStringLiteral("query"));
    const QList<NoteStore::Note> notes = m_host.noteStore().recall(query, recalledNoteLimit);
    if (notes.isEmpty()) {
        return query ? QStringLiteral("No notes match '") + *query + QStringLiteral("'.")
                     : QStringLiteral("No notes saved yet.");
    }
    QStringList lines;
    for (const NoteStore::Note &note : notes) {
        const QString day = m_locale.toString(note.createdAt.toTimeZone(m_timeZone).date(), QLocale::ShortFormat);
        lines.append(
            QStringLiteral("[") + day + QStringLiteral("] ") + note.title + QStringLiteral(": ") + note.content);
    }
    return lines.join(QLatin1Char('\n'));
}

QCoro::Task<QString> ToolRegistry::openUrlOrApp(QJsonObject arguments)
{
    const std::optional<QString> found = trimmedArgument(arguments, QStringLiteral("target"));
    if (!found)
        co_return QStringLiteral("Need a URL or app name.");
    const QString target = *found;

    const QUrl url(target, QUrl::StrictMode);
    if (url.isValid() && !url.scheme().isEmpty()) {
        const QString scheme = url.scheme().toLower();
        if (scheme != QLatin1String("http") && scheme != QLatin1String("https") && scheme != QLatin1String("mailto")) {
            co_return QStringLiteral("[ERROR] Refused to open a ") + scheme
                + QStringLiteral(": link. Only web and mail links are allowed.");
        }
        co_return openLink(url, QStringLiteral("Opened ") + target + QStringLiteral("."), target);
    }
    if (target.contains(QLatin1Char('.')) && !target.contains(QLatin1Char(' '))) {
        const QUrl web(QStringLiteral("https://") + target, QUrl::StrictMode);
        if (web.isValid() && !web.host().isEmpty())
            co_return openLink(web, QStringLiteral("Opened https://") + target + QStringLiteral("."), target);
    }

    if (!m_platform.launcher)
        co_return QStringLiteral("Couldn't launch ") + target
            + QStringLiteral(": no application launcher is available.");
    QPointer<ToolRegistry> self(this);
    const ApplicationLauncher::Launch launch = co_await m_platform.launcher->launch(target);
    if (!self)
        co_return interrupted;
    switch (launch.outcome) {
    case ApplicationLauncher::Launch::Outcome::Launched:
        co_return QStringLiteral("Opened ") + target + QStringLiteral(".");
    case ApplicationLauncher::Launch::Outcome::Failed:
        co_return QStringLiteral("Couldn't launch ") + target + QStringLiteral(": ") + launch.reason;
    case ApplicationLauncher::Launch::Outcome::NotFound: break;
    }
    co_return QStringLiteral("Couldn't find an app named '") + target + QStringLiteral("'.");
}

QString ToolRegistry::openLink(const QUrl &url, const QString &opened, const QString &target)
{
    if (m_platform.urlOpener && m_platform.urlOpener->open(url))
        return opened;
    return QStringLiteral("Couldn't open ") + target + QStringLiteral(".");
}

QUrl ToolRegistry::searchUrl(const QString &query)
{
    // The characters a query may carry unencoded, less the four that would end or change it.
    const QByteArray encoded = QUrl::toPercentEncoding(query, QByteArrayLiteral("!$'()*,/:;?@"));
    return QUrl::fromEncoded(
        QByteArrayLiteral("https://") + searchHost.toUtf8() + QByteArrayLiteral("/search?q=") + encoded,
        QUrl::StrictMode);
}

QString ToolRegistry::webSearch(const QJsonObject &arguments)
{
    const std::optional<QString> query = trimmedArgument(arguments, QStringLiteral("query"));
    if (!query)
        return QStringLiteral("Need a search query.");
    const QUrl url = searchUrl(*query);
    if (!url.isValid())
        return QStringLiteral("Couldn't build a search URL.");
    if (!m_platform.urlOpener || !m_platform.urlOpener->open(url))
        return QStringLiteral("Couldn't open the browser.");
    return QStringLiteral("Opened Google search for '") + *query + QStringLiteral("'.");
}
