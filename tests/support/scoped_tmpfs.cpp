#include "scoped_tmpfs.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

namespace quillo::test {

ScopedTmpfs::ScopedTmpfs(qint64 sizeBytes) {
    const QByteArray options = "size=" + QByteArray::number(sizeBytes) + ",mode=0700";
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) == 0)
        m_mounted = true;
    else
        m_error = QString::fromLocal8Bit(std::strerror(errno));
}

ScopedTmpfs::~ScopedTmpfs() {
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool ScopedTmpfs::remountReadOnly() {
    const int result = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs",
                               MS_REMOUNT | MS_RDONLY, nullptr);
    if (result != 0)
        m_error = QString::fromLocal8Bit(std::strerror(errno));
    return result == 0;
}

} // namespace quillo::test
