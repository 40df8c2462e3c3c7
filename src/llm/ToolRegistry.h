#pragma once

#include "llm/ToolExecutor.h"

#include <QDateTime>
#include <QJsonObject>
#include <QLocale>
#include <QObject>
#include <QTimeZone>

#include <optional>

class ApplicationLauncher;
class ClipboardAccess;
class Clock;
class ScreenCapturer;
class ToolHost;
class UrlOpener;

// Carries out the Ask agent's tool calls against the running application (the host) and the
// desktop (the platform seams). Every call answers with a plain result text; nothing here throws
// or fails. Main thread only. The host and the seams are not owned and must outlive the registry;
// the registry itself may be deleted while a call waits for a screenshot or a launch (the call
// then answers that it was interrupted).
class ToolRegistry final : public ToolExecutor {
    Q_OBJECT

public:
    struct Platform {
        ScreenCapturer *screenCapturer = nullptr;
        ApplicationLauncher *launcher = nullptr;
        ClipboardAccess *clipboard = nullptr;
        UrlOpener *urlOpener = nullptr;
        // The moment screenshots are named after; Clock::system() when null.
        const Clock *clock = nullptr;
    };

    // Web searches go to https://<searchHost>/search?q=<query>.
    static inline const QString searchHost = QStringLiteral("www.google.com");
    static constexpr qsizetype clipboardCharacterLimit = 4000;
    static constexpr qsizetype recalledNoteLimit = 8;

    ToolRegistry(ToolHost &host, Platform platform, QObject *parent = nullptr);

    QList<ToolSpec> specs() const override;
    QCoro::Task<QString> execute(ToolCall call) override;

    // The call's argument text as a JSON object; empty when it is not JSON or not an object.
    static QJsonObject parseArgs(const QString &argumentsJSON);
    // An ISO 8601 date-time with a zone designator, else "yyyy-MM-ddTHH:mm:ss" read in zone.
    static std::optional<QDateTime> parseFireDate(const QString &text, const QTimeZone &zone);
    // The first `limit` user-perceived characters of text.
    static QString leadingCharacters(const QString &text, qsizetype limit);
    // The Google search address for the query, with "&", "=", "+" and "#" always encoded.
    static QUrl searchUrl(const QString &query);

    // The zone and locale reminders and notes are read and written in (the user's by default).
    void setTimeZone(const QTimeZone &zone) { m_timeZone = zone; }
    void setLocale(const QLocale &locale) { m_locale = locale; }

private:
    QCoro::Task<QString> takeScreenshot(QJsonObject arguments);
    QString addReminder(const QJsonObject &arguments);
    QString getClipboard() const;
    QString playAnimation(const QJsonObject &arguments);
    QString saveNote(const QJsonObject &arguments);
    QString recallNotes(const QJsonObject &arguments) const;
    QCoro::Task<QString> openUrlOrApp(QJsonObject arguments);
    QString webSearch(const QJsonObject &arguments);

    QString openLink(const QUrl &url, const QString &opened, const QString &target);
    QString deliverScreenshot(const QImage &image, const QString &target, const QString &desktopFile);

    ToolHost &m_host;
    Platform m_platform;
    QTimeZone m_timeZone = QTimeZone::systemTimeZone();
    QLocale m_locale;
};
