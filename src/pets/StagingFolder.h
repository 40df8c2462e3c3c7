#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>

// A hidden working folder of an import, a replacement or a delete: parent/<prefix><UUID>, with a
// lock file beside it (<folder>.lock) held for as long as this object lives. After a crash the
// folder stays behind with a lock no running process holds, which is how a later launch tells an
// abandoned folder from one another running instance is still filling.
class StagingFolder {
public:
    // Takes the lock of a fresh name under parent; the folder itself is not created. isLocked()
    // is false when the lock file could not be made (the folder must not be used then).
    StagingFolder(const QString &parent, const QString &prefix);
    // Removes the folder (never following links), then releases the lock.
    ~StagingFolder();
    StagingFolder(const StagingFolder &) = delete;
    StagingFolder &operator=(const StagingFolder &) = delete;

    QString path() const { return m_path; }
    bool isLocked() const { return m_lock.isLocked(); }
    // Removes the folder now; true when nothing is left of it.
    bool remove();

    // Removes every folder directly in parent named one of the prefixes followed by a UUID whose
    // lock is stale or missing, with its lock file, and lock files left without a folder. Links,
    // plain files and folders whose lock a running process holds are left alone. Returns the
    // folders removed.
    static QStringList removeStale(const QString &parent, const QStringList &prefixes);

private:
    QString m_path;
    QLockFile m_lock;
};
