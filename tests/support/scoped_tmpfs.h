#pragma once

#include <QString>
#include <QTemporaryDir>

namespace quillo::test {

/// A small tmpfs mounted on a temporary folder, for making saves fail for real (a full disk, a read-only
/// folder). Unmounted when it goes out of scope, also when the test fails. Needs root, as tests and CI run.
class ScopedTmpfs final {
public:
    explicit ScopedTmpfs(qint64 sizeBytes);
    ~ScopedTmpfs();
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;

    bool isMounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString errorString() const { return m_error; }
    bool remountReadOnly();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_error;
};

} // namespace quillo::test
