#pragma once

#include <QUrl>
#include <QWidget>

#include <functional>

class PreferencesHost;

// The About pane: the program's name, version and platform, its credits, and links to a Groq key
// and to the welcome tour.
class AboutPane : public QWidget {
    Q_OBJECT

public:
    // hideWindow puts the preferences away before the welcome tour shows.
    AboutPane(PreferencesHost &host, std::function<void()> hideWindow, QWidget *parent = nullptr);

    static QUrl groqKeysPage();
};
