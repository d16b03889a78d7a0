// SPDX-License-Identifier: GPL-3.0-or-later
#include "note_file.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cstdio>
#include <mutex>
#include <sys/stat.h>

namespace quillo {
namespace {

FileIdentity identityOf(const struct stat& info) {
    FileIdentity identity;
    identity.exists = true;
    identity.regular = S_ISREG(info.st_mode);
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.size = info.st_size;
    identity.modifiedNs = qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    return identity;
}

} // namespace

FileIdentity FileIdentity::of(const QString& path) {
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return identityOf(info);
}

FileIdentity FileIdentity::of(int fd) {
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        return {};
    return identityOf(info);
}

namespace NoteFile {

QString resolve(const QString& path) {
    QString current = path;
    for (int depth = 0; depth < 40; ++depth) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        current = info.symLinkTarget();
    }
    return current;
}

Contents read(const QString& path) {
    Contents contents;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        contents.identity = FileIdentity::of(path);
        return contents;
    }
    contents.identity = FileIdentity::of(file.handle());
    if (!contents.identity.regular)
        return contents;
    contents.bytes = file.readAll();
    contents.readable = file.error() == QFileDevice::NoError;
    return contents;
}

std::optional<QString> decode(const QByteArray& bytes) {
    // Stateless: a sequence cut off at the end (a file still being written) is an error, not "more to come".
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString freeSiblingName(const QString& path, const QString& tag) {
    const QString base = path + QLatin1Char('.') + tag + QLatin1Char('-') +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString candidate = base;
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = base + QLatin1Char('-') + QString::number(n);
    return candidate;
}

void printLine(const QString& line) {
    static std::mutex mutex;
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    const std::lock_guard lock(mutex);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace NoteFile
} // namespace quillo
