#pragma once

#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// Looks at the session's desktop from outside, the way a person's tools would: xdotool and xprop.
namespace DesktopProbe {

inline QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

inline QString xdotool(const QStringList &arguments)
{
    return run(QStringLiteral("xdotool"), arguments);
}

// The pet's window: the program's visible utility window that is neither its speech bubble nor the
// Ask prompt (the tray icon is a plain embedded window). Empty while there is none.
inline QString petWindow()
{
    const QStringList windows
        = xdotool({ "search", "--onlyvisible", "--classname", "tamsel" }).split('\n', Qt::SkipEmptyParts);
    for (const QString &window : windows) {
        const QString type = run(QStringLiteral("xprop"), { "-id", window, "_NET_WM_WINDOW_TYPE" });
        const QString name = xdotool({ "getwindowname", window });
        if (type.contains(QLatin1String("_NET_WM_WINDOW_TYPE_UTILITY"))
            && !name.contains(QLatin1String("speech bubble")) && name != QLatin1String("Ask Tamsel"))
            return window;
    }
    return {};
}

// x, y, width and height of a window, or an empty rect while it is not mapped.
inline QRect geometry(const QString &window)
{
    const QString shell = xdotool({ "getwindowgeometry", "--shell", window });
    const auto field = [&](const char *name) {
        const auto match = QRegularExpression(QStringLiteral("%1=(-?\\d+)").arg(QLatin1String(name))).match(shell);
        return match.hasMatch() ? match.captured(1).toInt() : 0;
    };
    return QRect(field("X"), field("Y"), field("WIDTH"), field("HEIGHT"));
}

// The tray icon: the program's small visible window besides the pet. Empty while there is none.
inline QString trayIcon(const QString &pet)
{
    for (const QString &window :
        xdotool({ "search", "--onlyvisible", "--classname", "tamsel" }).split('\n', Qt::SkipEmptyParts)) {
        const int width = geometry(window).width();
        if (window != pet && width > 0 && width <= 48)
            return window;
    }
    return {};
}
}
