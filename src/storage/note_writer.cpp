// SPDX-License-Identifier: GPL-3.0-or-later
#include "note_writer.h"

#include "storage_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace quillo {
namespace {

/// A file descriptor closed when it goes out of scope.
class UniqueFd {
public:
    explicit UniqueFd(int fd)
        : m_fd(fd) {}
    ~UniqueFd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool isUnreadableNote(const QString& path) {
    const NoteFile::Contents contents = NoteFile::read(path);
    return contents.identity.regular && (!contents.readable || !NoteFile::decode(contents.bytes));
}

void syncFolder(const QString& folder) {
    const UniqueFd fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0 && ::fsync(fd.get()) != 0)
        qCWarning(lcStorage) << "could not sync folder" << folder << systemError(errno);
}

} // namespace

NoteWriter::NoteWriter(QObject* parent)
    : QObject(parent)
    , m_thread([this] { run(); }) {
    qRegisterMetaType<quillo::WriteResult>();
}

NoteWriter::~NoteWriter() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void NoteWriter::expect(const QString& path, const FileIdentity& identity) {
    const std::lock_guard lock(m_mutex);
    m_known.insert(NoteFile::resolve(path), identity);
}

FileIdentity NoteWriter::expected(const QString& path) const {
    const std::lock_guard lock(m_mutex);
    return m_known.value(NoteFile::resolve(path));
}

quint64 NoteWriter::enqueue(NoteSnapshot snapshot) {
    quint64 id = 0;
    {
        const std::lock_guard lock(m_mutex);
        id = m_nextId++;
        m_jobs.push_back(Job{id, std::move(snapshot)});
    }
    m_wake.notify_one();
    return id;
}

bool NoteWriter::waitForWrites(std::optional<std::chrono::milliseconds> timeout) {
    std::unique_lock lock(m_mutex);
    const auto idle = [this] { return m_jobs.empty() && !m_busy; };
    if (!timeout) {
        m_idle.wait(lock, idle);
        return true;
    }
    return m_idle.wait_for(lock, *timeout, idle);
}

WriteResult NoteWriter::lastResult() const {
    const std::lock_guard lock(m_mutex);
    return m_lastResult;
}

void NoteWriter::run() {
    // Saving must never compete with typing: the writer runs at a lower scheduling priority.
    ::setpriority(PRIO_PROCESS, ::gettid(), 10);
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty())
            return; // stopping, and nothing left to write
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        const QString target = NoteFile::resolve(job.snapshot.path);
        std::optional<FileIdentity> expected;
        if (job.snapshot.checkFirst)
            expected = m_known.value(target);
        lock.unlock();

        WriteResult result = writeNow(job.snapshot, expected);
        result.id = job.id;

        lock.lock();
        if (result.ok)
            m_known.insert(target, result.identity);
        else if (!result.movedAsideTo.isEmpty())
            m_known.insert(target, FileIdentity()); // moved aside, and nothing written in its place
        m_lastResult = result;
        m_lastResult.bytes.clear(); // the store keeps what it needs; a large note is not held twice
        lock.unlock();
        report(result);
        lock.lock();
        m_busy = false;
        if (m_jobs.empty())
            m_idle.notify_all();
    }
}

void NoteWriter::report(const WriteResult& result) {
    // Printed here rather than on the main thread, so that the line of a failed final save at exit is not
    // lost.
    if (!result.movedAsideTo.isEmpty())
        NoteFile::printLine(
            QStringLiteral("Quillo: файл заметки %1 не читается как UTF-8, он сохранён как %2")
                .arg(result.path, result.movedAsideTo));
    if (!result.copiedAsideTo.isEmpty())
        NoteFile::printLine(
            QStringLiteral("Quillo: файл заметки %1 изменён другой программой, его текст сохранён как %2")
                .arg(result.path, result.copiedAsideTo));
    if (!result.ok && !result.changedOnDisk)
        NoteFile::printLine(QStringLiteral("Quillo: не удалось сохранить заметку по пути ") + result.path +
                            QStringLiteral(": ") + result.error);
    QMetaObject::invokeMethod(
        this, [this, result] { emit written(result); }, Qt::QueuedConnection);
}

WriteResult NoteWriter::writeNow(const NoteSnapshot& snapshot, const std::optional<FileIdentity>& expected) {
    const QString target = NoteFile::resolve(snapshot.path);
    const QFileInfo targetInfo(target);
    QDir().mkpath(targetInfo.absolutePath());

    WriteResult result;
    result.path = snapshot.path;
    const auto failure = [&result](const QString& error) {
        result.error = error;
        return result;
    };
    // Checked twice: before anything is moved, and once more just before the new file takes the name, which
    // leaves a change by someone else only microseconds to slip in.
    std::optional<FileIdentity> unchanged = snapshot.keepDiskCopy ? std::nullopt : expected;
    const auto changedOnDisk = [&unchanged, &target] {
        return unchanged && FileIdentity::of(target) != *unchanged;
    };
    if (changedOnDisk()) {
        result.changedOnDisk = true;
        return failure(QStringLiteral("изменён другой программой"));
    }
    if (snapshot.keepDiskCopy && FileIdentity::of(target).regular) {
        const QString aside = NoteFile::freeSiblingName(target, QStringLiteral("conflict"));
        if (!QFile::copy(target, aside))
            return failure(QStringLiteral("не удалось сохранить копию файла как ") + aside);
        result.copiedAsideTo = aside;
    }
    if (snapshot.moveAsideUnreadable && isUnreadableNote(target)) {
        const QString aside = NoteFile::freeSiblingName(target, QStringLiteral("unreadable"));
        if (!QFile::rename(target, aside))
            return failure(QStringLiteral("не удалось перенести нечитаемый файл в ") + aside);
        result.movedAsideTo = aside;
        if (unchanged)
            unchanged = FileIdentity();
    }

    const bool isNew = !FileIdentity::of(target).exists;
    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    if (isNew)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    const QByteArray bytes = snapshot.text.toUtf8();
    // A full disk can make write() come back short without any error set; the count is the only witness.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const int error = errno ? errno : ENOSPC;
        file.cancelWriting();
        return failure(systemError(error));
    }
    if (::fdatasync(file.handle()) != 0) {
        const int error = errno;
        file.cancelWriting();
        return failure(systemError(error));
    }
    // Taken from the new file itself before it has the name, so that nothing done to the name afterwards
    // passes for this write.
    const FileIdentity written = FileIdentity::of(file.handle());
    if (changedOnDisk()) {
        file.cancelWriting();
        result.changedOnDisk = true;
        return failure(QStringLiteral("изменён другой программой"));
    }
    if (!file.commit())
        return failure(file.errorString());
    syncFolder(targetInfo.absolutePath());

    result.ok = true;
    result.bytes = bytes;
    result.identity = written;
    return result;
}

} // namespace quillo
