// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "note_file.h"

#include <QHash>
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
    /// Write only over the file as the writer last knew it (see NoteWriter::expect); if anything else changed
    /// it since, write nothing and report changedOnDisk.
    bool checkFirst = false;
    bool keepDiskCopy = false; ///< Copy whatever the file holds aside first, and write unchecked.
};

/// The outcome of one write, reported back on the main thread.
struct WriteResult {
    quint64 id = 0;
    QString path;
    bool ok = false;
    bool changedOnDisk = false; ///< Not written: the check found the file changed by someone else.
    QString error;              ///< The system's description of what failed, when !ok.
    QString movedAsideTo;       ///< Where an unreadable earlier file went, if one was moved.
    QString copiedAsideTo;      ///< Where the copy of keepDiskCopy went.
    QByteArray bytes;           ///< What was written, when ok.
    FileIdentity identity;      ///< The file as written, when ok.
};

/// Writes note snapshots to disk on its own low-priority thread, strictly one at a time in the order given.
/// Each write is atomic and durable: the data reaches the disk before the new file replaces the old one, and
/// the folder is synced after the rename. No job is ever dropped; destroying the writer finishes every queued
/// job. The writer remembers each file as it last wrote it, so a checked write is never taken for a change
/// by someone else.
class NoteWriter final : public QObject {
    Q_OBJECT
public:
    explicit NoteWriter(QObject* parent = nullptr);
    ~NoteWriter() override; ///< Blocks until every queued write has finished.

    quint64 enqueue(NoteSnapshot snapshot); ///< Returns the job's id; main thread.

    /// The file at `path` (links followed) is as the caller has just read it; checked writes go over that
    /// state only. Call while no write is queued. Until told, a checked write expects no file.
    void expect(const QString& path, const FileIdentity& identity);
    FileIdentity expected(const QString& path) const; ///< Links followed.

    /// Waits until no job is queued or running; without a timeout it waits as long as it takes.
    /// Returns whether the writer is idle.
    bool waitForWrites(std::optional<std::chrono::milliseconds> timeout = std::nullopt);

    /// The outcome of the job finished last (valid once waitForWrites() returned true).
    WriteResult lastResult() const;

    /// The whole durable write of one snapshot, on the calling thread, over the file only if it is as
    /// `expected` (links followed) when given. Used by the writer thread and benchmarks.
    static WriteResult writeNow(const NoteSnapshot& snapshot,
                                const std::optional<FileIdentity>& expected = std::nullopt);

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
    QHash<QString, FileIdentity> m_known; ///< Each file as last read by the caller or written here.
    std::thread m_thread;                 // last: starts after every field above exists
};

} // namespace quillo

Q_DECLARE_METATYPE(quillo::WriteResult)
