#include "support/ZipWriter.h"

#include <QFile>

#include <archive.h>
#include <archive_entry.h>

ZipWriter::ZipWriter(const QString &path)
    : m_archive(archive_write_new())
{
    m_ok = archive_write_set_format_zip(m_archive) == ARCHIVE_OK
        && archive_write_open_filename(m_archive, QFile::encodeName(path).constData()) == ARCHIVE_OK;
}

ZipWriter::~ZipWriter()
{
    close();
}

void ZipWriter::addFile(const QString &name, const QByteArray &data, int permissions)
{
    add(name, AE_IFREG, permissions, data, {});
}

void ZipWriter::addDirectory(const QString &name)
{
    add(name, AE_IFDIR, 0755, {}, {});
}

void ZipWriter::addSymlink(const QString &name, const QString &target)
{
    add(name, AE_IFLNK, 0777, {}, target);
}

bool ZipWriter::close()
{
    if (!m_archive)
        return m_ok;
    m_ok = archive_write_close(m_archive) == ARCHIVE_OK && m_ok;
    archive_write_free(m_archive);
    m_archive = nullptr;
    return m_ok;
}

void ZipWriter::add(const QString &name, int type, int permissions, const QByteArray &data, const QString &symlink)
{
    if (!m_archive)
        return;
    archive_entry *entry = archive_entry_new();
    archive_entry_set_pathname(entry, name.toUtf8().constData());
    archive_entry_set_filetype(entry, static_cast<unsigned>(type));
    archive_entry_set_perm(entry, static_cast<mode_t>(permissions));
    archive_entry_set_size(entry, data.size());
    if (!symlink.isEmpty())
        archive_entry_set_symlink(entry, symlink.toUtf8().constData());
    m_ok = m_ok && archive_write_header(m_archive, entry) == ARCHIVE_OK;
    if (!data.isEmpty())
        m_ok = m_ok && archive_write_data(m_archive, data.constData(), static_cast<size_t>(data.size())) == data.size();
    archive_entry_free(entry);
}

QList<ZipWriter::Entry> ZipWriter::entries(const QString &zipPath)
{
    QList<Entry> result;
    archive *reader = archive_read_new();
    archive_read_support_format_zip(reader);
    if (archive_read_open_filename(reader, QFile::encodeName(zipPath).constData(), 10240) == ARCHIVE_OK) {
        archive_entry *entry = nullptr;
        while (archive_read_next_header(reader, &entry) == ARCHIVE_OK)
            result.append(
                { QString::fromUtf8(archive_entry_pathname(entry)), static_cast<int>(archive_entry_filetype(entry)) });
    }
    archive_read_free(reader);
    return result;
}
