#pragma once

#include "note_writer.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

namespace quillo {

class Preferences;

/// The one note: its text, the file it lives in, and its debounced, atomic saving. Every change of the text
/// restarts a 0.6 s delay; when it runs out, a snapshot of the text and the path is handed to the writer
/// thread. Main thread only.
class NotesStore final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QDateTime lastSavedAt READ lastSavedAt NOTIFY lastSavedAtChanged)
    Q_PROPERTY(QString filePath READ filePath WRITE setFilePath NOTIFY filePathChanged)

public:
    static constexpr std::chrono::milliseconds kSaveDelay{600};

    /// Loads the note at once. The note lives in `dataDirectory` unless the preferences name another file.
    NotesStore(Preferences& preferences, QString dataDirectory, QObject* parent = nullptr);
    ~NotesStore() override; ///< Finishes the queued writes; does not save pending changes.

    const QString& text() const; ///< The whole note; reads it from the editor first if an edit is pending.
    void setText(const QString& text); ///< Publishes and restarts the save delay, also when unchanged.
    /// An edit made in an editor that holds the live text: publishes and restarts the save delay exactly like
    /// setText(), but copies nothing yet. The whole text is read through `reader` once, when text() or the
    /// next save asks for it, so that a keystroke in a large note does not copy the note. The reader must
    /// stay valid until then: an editor going away calls text() first.
    void setTextFromEditor(std::function<QString()> reader);

    QDateTime lastSavedAt() const { return m_lastSavedAt; } ///< Invalid until the first successful save.

    /// The stored path, exactly as stored, or notes.txt in the data folder (creating the folder).
    QString filePath() const;
    /// Saves the text to the old file, stores the new path and loads the note from it.
    void setFilePath(const QString& path);

    void load();    ///< Replaces the text with the file's contents, or empty; never schedules a save.
    void saveNow(); ///< Cancels the pending delay and queues a write of the current text to the current path.

    /// Waits until every queued write has landed; without a timeout as long as it takes (the final save).
    bool waitForWrites(std::optional<std::chrono::milliseconds> timeout = std::nullopt);

signals:
    void textChanged();
    void lastSavedAtChanged();
    void filePathChanged();

private:
    void scheduleSave();
    void onWritten(const WriteResult& result);
    bool isSameFile(const QString& a, const QString& b) const;

    static inline const QString kPathKey = QStringLiteral("notesFilePath");
    static constexpr std::chrono::seconds kReloadWait{10};

    Preferences& m_preferences;
    QString m_dataDirectory;
    mutable QString m_text;
    mutable std::function<QString()> m_pendingEdit; ///< Reads the editor's text; set while m_text is stale.
    QDateTime m_lastSavedAt;
    bool m_isLoading = false;
    /// A note file that would not decode; moved aside before the first save over it.
    QString m_unreadablePath;
    QTimer m_saveDelay;
    NoteWriter m_writer;
};

} // namespace quillo
