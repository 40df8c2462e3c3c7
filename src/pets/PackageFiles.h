#pragma once

#include "pets/ImportLimits.h"

#include <QFileInfoList>
#include <QString>

#include <optional>

// File-system helpers for pet packages, which are untrusted: nothing here follows a symbolic link
// out of a package or reads anything but regular files.
namespace PackageFiles {

// The path of relativeName inside folder when the name stays inside it (relative, no ".."
// component) and names an existing regular file whose real location, after resolving links, is
// inside the folder too. Absent otherwise.
std::optional<QString> containedFile(const QString &folder, const QString &relativeName);

// "a/./b//c" -> "a/b/c". Absent for an empty, absolute or ".."-containing path; "" for "." or "./".
std::optional<QString> cleanRelativePath(const QString &path);

enum class CopyFailure { TooLarge, ReadFailed, WriteFailed };

// Copies the folder's regular files and folders (hidden ones included) into destination, which
// must not exist yet. Symbolic links, devices, fifos and sockets are skipped. Fails when the
// limits are exceeded; a partial copy is left for the caller to remove.
std::optional<CopyFailure> copyTree(const QString &source, const QString &destination, const ImportLimits &limits);

// Removes path: a symbolic link or file is unlinked (a link's target is never touched), a folder
// is removed recursively without descending into linked folders. True when nothing is left.
bool removeTree(const QString &path);

// A folder's entries except hidden ones, sorted by name so that listings are reproducible.
QFileInfoList visibleEntries(const QString &folder);

// The canonical (link-free, absolute) form of an existing path; empty when it does not exist.
QString canonical(const QString &path);

// True when path is one entry directly inside folder (compared by real location of the parent;
// the entry itself may be a link and is not resolved).
bool isDirectChild(const QString &path, const QString &folder);

}
