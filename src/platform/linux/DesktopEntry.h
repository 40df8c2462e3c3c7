#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// The "[Desktop Entry]" group of an installed application's .desktop file (freedesktop.org
// desktop-entry standard): string values with their escapes resolved, localized keys and
// the Exec line split into a program and its arguments the way that standard quotes them.
// Nothing here runs anything.
class DesktopEntry {
public:
    // Larger files are not application entries worth reading.
    static constexpr qint64 maxFileSize = 64 * 1024;

    // Absent when the file is unreadable, larger than maxFileSize or has no "[Desktop Entry]" group.
    static std::optional<DesktopEntry> read(const QString &path);
    static std::optional<DesktopEntry> parse(const QByteArray &data);

    // The value with "\s", "\n", "\t", "\r" and "\\" resolved; empty when the key is missing.
    QString value(const QString &key) const;
    bool contains(const QString &key) const { return m_values.contains(key); }
    // "true" (the only spelling the standard allows) or false.
    bool boolean(const QString &key) const;
    // key[lang_COUNTRY@MODIFIER] and its shorter forms for the locale name ("de_DE", "sr_RS@latin"),
    // most specific first; absent when none is set.
    std::optional<QString> localized(const QString &key, const QString &localeName) const;

    // The Exec value as program and arguments: spaces separate, double quotes group (inside them
    // a backslash escapes '"', '`', '$' and '\'), single quotes group literally. Field codes are
    // removed ("%%" is a percent sign), and an argument that was nothing but field codes is
    // dropped. Absent when a quote is left open or nothing remains.
    static std::optional<QStringList> splitExec(const QString &exec);

private:
    QHash<QString, QString> m_values;
};
