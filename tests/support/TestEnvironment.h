#pragma once

#include <QString>
#include <QTemporaryDir>

// A private home for one test process: HOME and the XDG config, data and cache folders point into
// a temporary folder that is removed at exit. Create it before the application object.
class TestEnvironment {
public:
    TestEnvironment();

    QString home() const { return m_dir.path(); }
    QString configHome() const;
    QString dataHome() const;
    QString settingsFilePath() const;

    // Removes everything in the temporary home (between test functions).
    void reset();

private:
    QTemporaryDir m_dir;
};
