#include "note_writer.h"

#include "storage_log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstdio>
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

void printLine(const QString& line) {
    static std::mutex mutex;
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    const std::lock_guard lock(mutex);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

/// The file a path finally names: a note kept behind a symbolic link stays a link, and its target is written.
QString followLinks(const QString& path) {
    QString current = path;
    for (int depth = 0; depth < 40; ++depth) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        current = info.symLinkTarget();
    }
    return current;
}

bool isUnreadableNote(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString decoded = decoder.decode(file.readAll());
    return decoder.hasError();
}

QString freeSiblingName(const QString& path) {
    const QString base = path + QStringLiteral(".unreadable-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString candidate = base;
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = base + QLatin1Char('-') + QString::number(n);
    return candidate;
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
        lock.unlock();

        WriteResult result = writeNow(job.snapshot);
        result.id = job.id;
        report(result);

        lock.lock();
        m_lastResult = result;
        m_busy = false;
        if (m_jobs.empty())
            m_idle.notify_all();
    }
}

void NoteWriter::report(const WriteResult& result) {
    // Printed here rather than on the main thread, so that the line of a failed final save at exit is not
    // lost.
    if (!result.movedAsideTo.isEmpty())
        printLine(QStringLiteral("Quillo: файл заметки %1 не читается как UTF-8, он сохранён как %2")
                      .arg(result.path, result.movedAsideTo));
    if (!result.ok)
        printLine(QStringLiteral("Quillo: не удалось сохранить заметку по пути ") + result.path +
                  QStringLiteral(": ") + result.error);
    QMetaObject::invokeMethod(
        this, [this, result] { emit written(result); }, Qt::QueuedConnection);
}

WriteResult NoteWriter::writeNow(const NoteSnapshot& snapshot) {
    const QString target = followLinks(snapshot.path);
    const QFileInfo targetInfo(target);
    QDir().mkpath(targetInfo.absolutePath());

    WriteResult result;
    result.path = snapshot.path;
    const auto failure = [&result](const QString&, const QString& error) {
        result.error = error;
        return result;
    };
    if (snapshot.moveAsideUnreadable && isUnreadableNote(target)) {
        const QString aside = freeSiblingName(target);
        if (!QFile::rename(target, aside))
            return failure(snapshot.path, QStringLiteral("не удалось перенести нечитаемый файл в ") + aside);
        result.movedAsideTo = aside;
    }

    const bool isNew = !targetInfo.exists();
    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return failure(snapshot.path, file.errorString());
    if (isNew)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    const QByteArray bytes = snapshot.text.toUtf8();
    // A full disk can make write() come back short without any error set; the count is the only witness.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const int error = errno ? errno : ENOSPC;
        file.cancelWriting();
        return failure(snapshot.path, systemError(error));
    }
    if (::fdatasync(file.handle()) != 0) {
        const int error = errno;
        file.cancelWriting();
        return failure(snapshot.path, systemError(error));
    }
    if (!file.commit())
        return failure(snapshot.path, file.errorString());
    syncFolder(targetInfo.absolutePath());

    result.ok = true;
    return result;
}

} // namespace quillo
