#include "llm/ToolSpecs.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {
struct Property {
    QString name;
    QString type;
    QString description;
    QStringList allowed = {};
};

QJsonObject schema(const QList<Property> &properties, const QStringList &required)
{
    QJsonObject described;
    for (const Property &property : properties) {
        QJsonObject entry { { QStringLiteral("type"), property.type },
            { QStringLiteral("description"), property.description } };
        if (!property.allowed.isEmpty())
            entry.insert(QStringLiteral("enum"), QJsonArray::fromStringList(property.allowed));
        described.insert(property.name, entry);
    }
    return QJsonObject { { QStringLiteral("type"), QStringLiteral("object") },
        { QStringLiteral("properties"), described },
        { QStringLiteral("required"), QJsonArray::fromStringList(required) } };
}

const QString string = QStringLiteral("string");

QList<ToolSpec> build()
{
    return {
        { ToolSpecs::takeScreenshot,
            QStringLiteral("Take a screenshot of the user's screen. Use 'clipboard' to copy to clipboard, 'desktop' to "
                           "save a PNG to ~/Desktop. Set selection=true for an interactive region selection."),
            schema({ { QStringLiteral("target"), string, QStringLiteral("Where to put the screenshot."),
                         { QStringLiteral("clipboard"), QStringLiteral("desktop") } },
                       { QStringLiteral("selection"), QStringLiteral("boolean"),
                           QStringLiteral("If true, let the user pick a region. Defaults to full screen.") } },
                { QStringLiteral("target") }) },
        { ToolSpecs::addReminder,
            QStringLiteral(
                "Schedule a reminder. Parse the user's natural language to derive the ISO 8601 fire time "
                "(use the local timezone). Set repeats only when the user explicitly says daily/weekly/etc."),
            schema(
                { { QStringLiteral("title"), string, QStringLiteral("Short reminder text the pet will say out loud.") },
                    { QStringLiteral("when_iso"), string,
                        QStringLiteral("ISO 8601 datetime, e.g. 2026-05-22T15:30:00. Required.") },
                    { QStringLiteral("repeats"), string,
                        QStringLiteral("How often the reminder repeats. Defaults to 'none'."),
                        { QStringLiteral("none"), QStringLiteral("daily"), QStringLiteral("weekly"),
                            QStringLiteral("hourly"), QStringLiteral("every_minute") } } },
                { QStringLiteral("title"), QStringLiteral("when_iso") }) },
        { ToolSpecs::getClipboard,
            QStringLiteral("Read the text contents of the user's clipboard. Use this when the user asks about, "
                           "summarises, translates, or otherwise references what's on their clipboard."),
            schema({}, {}) },
        { ToolSpecs::playAnimation,
            QStringLiteral("Play one of the pet's animations by the user-given name. Names are configured in "
                           "Preferences \u2192 Animations. Only call this for animations the user explicitly named."),
            schema({ { QStringLiteral("name"), string,
                       QStringLiteral("Exact or near-exact animation name (case-insensitive). Examples: 'wave', "
                                      "'drink water'.") } },
                { QStringLiteral("name") }) },
        { ToolSpecs::saveNote,
            QStringLiteral(
                "Save a short note for later recall. Use this when the user wants you to remember something."),
            schema({ { QStringLiteral("title"), string,
                         QStringLiteral(
                             "Short label. If the user didn't give one, derive a few words from the content.") },
                       { QStringLiteral("content"), string, QStringLiteral("Body of the note.") } },
                { QStringLiteral("content") }) },
        { ToolSpecs::recallNotes,
            QStringLiteral("Recall previously saved notes. Pass a search query to filter, or omit to get the most "
                           "recent notes."),
            schema({ { QStringLiteral("query"), string,
                       QStringLiteral("Optional substring to filter notes by title or content.") } },
                {}) },
        { ToolSpecs::openUrlOrApp,
            QStringLiteral("Open a URL in the default browser, or launch an app by name (e.g. 'Spotify', 'Firefox', "
                           "'Notes'). Use the most direct form the user gave."),
            schema({ { QStringLiteral("target"), string,
                       QStringLiteral("Either a URL like ") + ToolSpecs::exampleUrl
                           + QStringLiteral(" or an app name like 'Spotify'.") } },
                { QStringLiteral("target") }) },
        { ToolSpecs::webSearch,
            QStringLiteral("Open a Google web search in the user's default browser. Use this whenever the user asks "
                           "to look something up online, find the news, look up a fact you don't know, or search "
                           "the web for something. Always prefer this over inventing tools."),
            schema({ { QStringLiteral("query"), string, QStringLiteral("The search query, phrased naturally.") } },
                { QStringLiteral("query") }) },
    };
}
}

const QList<ToolSpec> &ToolSpecs::all()
{
    static const QList<ToolSpec> specs = build();
    return specs;
}
