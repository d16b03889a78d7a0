#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace quillo {

/// What one save writes: the text and the path as they were when the save was asked for.
struct NoteSnapshot {
    QString path;
    QString text;
    bool moveAsideUnreadable = false; ///< Move an existing file that is not UTF-8 aside before writing.
};

/// The outcome of one write, reported back on the main thread.
struct WriteResult {
    quint64 id = 0;
    QString path;
    bool ok = false;
    QString error;        ///< The system's description of what failed, when !ok.
    QString movedAsideTo; ///< Where an unreadable earlier file went, if one was moved.
};

/// Writes note snapshots to disk on its own low-priority thread, strictly one at a time in the order given.
/// Each write is atomic and durable: the data reaches the disk before the new file replaces the old one, and
/// the folder is synced after the rename. No job is ever dropped; destroying the writer finishes every queued
/// job.
class NoteWriter final : public QObject {
    Q_OBJECT
public:
    explicit NoteWriter(QObject* parent = nullptr);
    ~NoteWriter() override; ///< Blocks until every queued write has finished.

    quint64 enqueue(NoteSnapshot snapshot); ///< Returns the job's id; main thread.

    /// Waits until no job is queued or running; without a timeout it waits as long as it takes.
    /// Returns whether the writer is idle.
    bool waitForWrites(std::optional<std::chrono::milliseconds> timeout = std::nullopt);

    /// The outcome of the job finished last (valid once waitForWrites() returned true).
    WriteResult lastResult() const;

    /// The whole durable write of one snapshot, on the calling thread. Used by the writer thread and
    /// benchmarks.
    static WriteResult writeNow(const NoteSnapshot& snapshot);

signals:
    void written(const quillo::WriteResult& result); ///< Queued to the writer's thread (the main thread).

private:
    struct Job {
        quint64 id;
        NoteSnapshot snapshot;
    };

    void run();
    void report(const WriteResult& result);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    quint64 m_nextId = 1;
    WriteResult m_lastResult;
    std::thread m_thread; // last: starts after every field above exists
};

} // namespace quillo

Q_DECLARE_METATYPE(quillo::WriteResult)
