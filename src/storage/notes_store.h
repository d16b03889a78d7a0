// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "note_file_watcher.h"
#include "note_writer.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>

namespace quillo {

class Preferences;

/// The one note: its text, the file it lives in, and its debounced, atomic saving. Every change of the text
/// restarts a 0.6 s delay; when it runs out, a snapshot of the text and the path is handed to the writer
/// thread. The file is shared with the world: a change made to it by anything else is shown at once when
/// nothing is typed since the last load or save, and merged with the typing otherwise; a save never goes over
/// a change it has not seen. Main thread only.
class NotesStore final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QDateTime lastSavedAt READ lastSavedAt NOTIFY lastSavedAtChanged)
    Q_PROPERTY(QString filePath READ filePath WRITE setFilePath NOTIFY filePathChanged)

public:
    static constexpr std::chrono::milliseconds kSaveDelay{600};

    /// Loads the note at once and watches its file. The note lives in `dataDirectory` unless the preferences
    /// name another file.
    NotesStore(Preferences& preferences, QString dataDirectory, QObject* parent = nullptr);
    ~NotesStore() override; ///< Finishes the queued writes; does not save pending changes.

    const QString& text() const; ///< The whole note; reads it from the editor first if an edit is pending.
    void setText(const QString& text); ///< Publishes and restarts the save delay, also when unchanged.
    /// An edit made in an editor that holds the live text: publishes and restarts the save delay exactly like
    /// setText(), but copies nothing yet. The whole text is read through `reader` once, when text() or the
    /// next save asks for it, so that a keystroke in a large note does not copy the note. The reader must
    /// stay valid until then: an editor going away calls text() first.
    void setTextFromEditor(std::function<QString()> reader);
    /// Whether the text holds typing that is not in the file yet: edits since the last load, the last
    /// successful save or the last change on disk followed.
    bool hasUnsavedText() const { return m_editGeneration != m_savedGeneration; }

    QDateTime lastSavedAt() const { return m_lastSavedAt; } ///< Invalid until the first successful save.

    /// The stored path, exactly as stored, or notes.txt in the data folder (creating the folder).
    QString filePath() const;
    /// Saves unsaved typing to the old file, stores the new path and loads the note from it. Typing that did
    /// not reach the old file stays the note and goes to the new one, merged with what that file holds.
    void setFilePath(const QString& path);

    void load(); ///< Replaces the text with the file's contents, or empty; never schedules a save.
    /// Cancels the pending delay and queues a write of the current text to the current path, if there is
    /// unsaved typing; with none, the file is left as it is.
    void saveNow();

    /// Waits until every queued write has landed and its outcome is handled (a change on disk found just
    /// before writing is merged and written in turn); without a timeout as long as it takes (the final save).
    bool waitForWrites(std::optional<std::chrono::milliseconds> timeout = std::nullopt);

signals:
    void textChanged();
    void lastSavedAtChanged();
    void filePathChanged();

private:
    struct Job {
        quint64 id;
        quint64 generation;
    };

    void publish(const QString& text, bool edited);
    void edited();
    void onWritten(const WriteResult& result);
    void checkDisk();
    void takeDiskText(const NoteFile::Contents& disk);
    bool isSameFile(const QString& a, const QString& b) const;

    static inline const QString kPathKey = QStringLiteral("notesFilePath");
    static constexpr std::chrono::seconds kReloadWait{10};
    /// Changes on disk in a row that each beat the write of a merge: the next write keeps a copy and goes
    /// through.
    static constexpr int kMaxChangesInARow = 3;

    Preferences& m_preferences;
    QString m_dataDirectory;
    mutable QString m_text;
    mutable std::function<QString()> m_pendingEdit; ///< Reads the editor's text; set while m_text is stale.
    QByteArray m_base; ///< The text last read or written, as UTF-8: what a merge starts from.
    QDateTime m_lastSavedAt;
    quint64 m_editGeneration = 0;   ///< Counts edits.
    quint64 m_savedGeneration = 0;  ///< The edit that the file holds.
    quint64 m_queuedGeneration = 0; ///< The edit last handed to the writer.
    std::deque<Job> m_jobs;         ///< Handed to the writer, outcome not handled yet.
    bool m_checkWhenIdle = false;
    bool m_keepDiskCopy = false;
    int m_changesInARow = 0;
    /// A note file that would not decode; moved aside before the first save over it.
    QString m_unreadablePath;
    QTimer m_saveDelay;
    NoteFileWatcher m_watcher;
    NoteWriter m_writer;
};

} // namespace quillo
