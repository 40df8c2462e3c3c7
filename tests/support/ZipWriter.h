#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct archive;

// Builds .zip (and, to test that nothing else is read, .tar) files for tests with libarchive's writer, hostile ones
// included: entry names are written exactly as given ("../x", "/tmp/x"), and links can be added.
class ZipWriter {
public:
    enum class Format { Zip, Tar };

    explicit ZipWriter(const QString &path, Format format = Format::Zip);
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    void addFile(const QString &name, const QByteArray &data, int permissions = 0644);
    void addDirectory(const QString &name);
    void addSymlink(const QString &name, const QString &target);
    // Zip has no hard links (libarchive writes an empty file); a tar keeps them.
    void addHardlink(const QString &name, const QString &target);
    // Every file and folder below folder, named prefix + its relative path.
    void addFolder(const QString &folder, const QString &prefix);
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
    void add(const QString &name, int type, int permissions, const QByteArray &data, const QString &symlink,
        const QString &hardlink = {});

    archive *m_archive = nullptr;
    bool m_ok = true;
};
