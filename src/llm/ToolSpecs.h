#pragma once

#include "llm/ToolSpec.h"

#include <QList>
#include <QString>

// The eight tools the Ask agent offers the chat model, with the texts the model reads.
namespace ToolSpecs {
inline const QString takeScreenshot = QStringLiteral("take_screenshot");
inline const QString addReminder = QStringLiteral("add_reminder");
inline const QString getClipboard = QStringLiteral("get_clipboard");
inline const QString playAnimation = QStringLiteral("play_animation");
inline const QString saveNote = QStringLiteral("save_note");
inline const QString recallNotes = QStringLiteral("recall_notes");
inline const QString openUrlOrApp = QStringLiteral("open_url_or_app");
inline const QString webSearch = QStringLiteral("web_search");

// The address given as an example of a link in open_url_or_app's description.
inline const QString exampleUrl = QStringLiteral("https://example.com");

// Always the same eight tools in the same order; built once.
const QList<ToolSpec> &all();
}
