// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quillo {

/// One state of a file, told apart from another without reading it: a rename over the file changes the inode,
/// a write in place the size or the modification time. Links are followed.
struct FileIdentity {
    bool exists = false;
    bool regular = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;

    bool operator==(const FileIdentity&) const = default;
    static FileIdentity
    of(const QString& path); ///< Absent when the path names nothing (or cannot be stat'ed).
    static FileIdentity of(int fd);
};

/// The note file on disk: how it is found, read, decoded and named aside, shared by the store and the writer.
namespace NoteFile {

/// What a read found. `bytes` is everything read; `identity` was taken before reading, so a change during
/// the read shows up as a later change rather than going unseen.
struct Contents {
    FileIdentity identity;
    QByteArray bytes;
    bool readable = false; ///< A regular file read whole.
};

/// The file a path finally names: a note kept behind a symbolic link stays a link, and its target is used.
QString resolve(const QString& path);
Contents read(const QString& path);
/// The text of a note file, or nothing when the bytes are not UTF-8, a cut-off last character included.
/// A byte-order mark stays in the text, so that the file round-trips byte for byte.
std::optional<QString> decode(const QByteArray& bytes);
/// "<path>.<tag>-YYYYMMDD-HHMMSS", with "-2", "-3", ... added until no file has the name.
QString freeSiblingName(const QString& path, const QString& tag);
/// One line for the user on standard output, whole even when threads print at once.
void printLine(const QString& line);

} // namespace NoteFile
} // namespace quillo
