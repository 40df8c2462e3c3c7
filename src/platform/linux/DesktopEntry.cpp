#include "platform/linux/DesktopEntry.h"

#include <QFile>

namespace {
QString unescape(QStringView raw)
{
    QString text;
    text.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != QLatin1Char('\\') || i + 1 == raw.size()) {
            text.append(c);
            continue;
        }
        const QChar next = raw[++i];
        switch (next.unicode()) {
        case 's': text.append(QLatin1Char(' ')); break;
        case 'n': text.append(QLatin1Char('\n')); break;
        case 't': text.append(QLatin1Char('\t')); break;
        case 'r': text.append(QLatin1Char('\r')); break;
        case '\\': text.append(QLatin1Char('\\')); break;
        default:
            // Not a string escape (";" in lists, or a quoting backslash meant for Exec): keep it.
            text.append(c);
            text.append(next);
        }
    }
    return text;
}

// Removes field codes from one argument; empty when it was nothing but field codes.
std::optional<QString> withoutFieldCodes(const QString &argument)
{
    QString result;
    bool onlyCodes = !argument.isEmpty();
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument[i] != QLatin1Char('%') || i + 1 == argument.size()) {
            result.append(argument[i]);
            onlyCodes = false;
            continue;
        }
        const QChar code = argument[++i];
        // Known codes expand to files, URLs, the icon or the name, none of which a plain launch
        // has; unknown ones are dropped as well.
        if (code == QLatin1Char('%')) {
            result.append(code);
            onlyCodes = false;
        }
    }
    if (onlyCodes)
        return std::nullopt;
    return result;
}
}

std::optional<DesktopEntry> DesktopEntry::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxFileSize)
        return std::nullopt;
    const QByteArray data = file.read(maxFileSize + 1);
    if (data.size() > maxFileSize)
        return std::nullopt;
    return parse(data);
}

std::optional<DesktopEntry> DesktopEntry::parse(const QByteArray &data)
{
    DesktopEntry entry;
    bool inGroup = false;
    bool sawGroup = false;
    for (const QByteArray &rawLine : data.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            // Only the first group may be the entry; later groups are actions and extensions.
            if (sawGroup)
                break;
            sawGroup = true;
            inGroup = line == QLatin1String("[Desktop Entry]");
            if (!inGroup)
                break;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inGroup || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        // The first occurrence of a key counts.
        if (!entry.m_values.contains(key))
            entry.m_values.insert(key, unescape(QStringView(line).mid(equals + 1).trimmed()));
    }
    if (!inGroup)
        return std::nullopt;
    return entry;
}

QString DesktopEntry::value(const QString &key) const
{
    return m_values.value(key);
}

bool DesktopEntry::boolean(const QString &key) const
{
    return m_values.value(key) == QLatin1String("true");
}

std::optional<QString> DesktopEntry::localized(const QString &key, const QString &localeName) const
{
    QString language = localeName;
    QString modifier;
    if (const qsizetype at = language.indexOf(QLatin1Char('@')); at >= 0) {
        modifier = language.mid(at);
        language.truncate(at);
    }
    if (const qsizetype dot = language.indexOf(QLatin1Char('.')); dot >= 0)
        language.truncate(dot);
    const QString bare = language.section(QLatin1Char('_'), 0, 0);
    QStringList candidates;
    if (!modifier.isEmpty())
        candidates << language + modifier;
    candidates << language;
    if (!modifier.isEmpty())
        candidates << bare + modifier;
    candidates << bare;
    for (const QString &candidate : std::as_const(candidates)) {
        const auto found = m_values.constFind(key + QLatin1Char('[') + candidate + QLatin1Char(']'));
        if (!candidate.isEmpty() && found != m_values.constEnd())
            return *found;
    }
    return std::nullopt;
}

std::optional<QStringList> DesktopEntry::splitExec(const QString &exec)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inArgument) {
                const std::optional<QString> kept = withoutFieldCodes(current);
                if (kept)
                    arguments.append(*kept);
            }
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == QLatin1Char('"')) {
            for (++i;; ++i) {
                if (i >= exec.size())
                    return std::nullopt;
                const QChar quoted = exec[i];
                if (quoted == QLatin1Char('"'))
                    break;
                if (quoted == QLatin1Char('\\') && i + 1 < exec.size()
                    && QStringLiteral("\"`$\\").contains(exec[i + 1]))
                    ++i;
                current.append(exec[i]);
            }
        } else if (c == QLatin1Char('\'')) {
            const qsizetype end = exec.indexOf(QLatin1Char('\''), i + 1);
            if (end < 0)
                return std::nullopt;
            current.append(exec.mid(i + 1, end - i - 1));
            i = end;
        } else {
            current.append(c);
        }
    }
    if (inArgument) {
        const std::optional<QString> kept = withoutFieldCodes(current);
        if (kept)
            arguments.append(*kept);
    }
    if (arguments.isEmpty() || arguments.first().isEmpty())
        return std::nullopt;
    return arguments;
}
