#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct archive;

// Builds .zip files for tests with libarchive's writer, hostile ones
// included: entry names are written exactly as given ("../x", "/tmp/x"), and links can be added.
class ZipWriter {
public:
    explicit ZipWriter(const QString &path);
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    void addFile(const QString &name, const QByteArray &data, int permissions = 0644);
    void addDirectory(const QString &name);
    void addSymlink(const QString &name, const QString &target);
    // Finishes the archive; false when any step failed.
    bool close();

    struct Entry {
        QString name;
        int type; // AE_IFREG, AE_IFDIR, AE_IFLNK, AE_IFIFO, ...
    };
    // What libarchive's zip reader sees in an archive (to check that a hostile fixture really
    // holds what the test means it to).
    static QList<Entry> entries(const QString &zipPath);

private:
    void add(const QString &name, int type, int permissions, const QByteArray &data, const QString &symlink);

    archive *m_archive = nullptr;
    bool m_ok = true;
};
