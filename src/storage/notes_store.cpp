// SPDX-License-Identifier: GPL-3.0-or-later
#include "notes_store.h"

#include "data_directory.h"
#include "note_merge.h"
#include "preferences.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>

namespace quillo {
NotesStore::NotesStore(Preferences& preferences, QString dataDirectory, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_dataDirectory(std::move(dataDirectory)) {
    m_saveDelay.setSingleShot(true);
    m_saveDelay.setInterval(kSaveDelay);
    connect(&m_saveDelay, &QTimer::timeout, this, &NotesStore::saveNow);
    connect(&m_writer, &NoteWriter::written, this, &NotesStore::onWritten);
    connect(&m_watcher, &NoteFileWatcher::changed, this, &NotesStore::checkDisk);
    load();
}

NotesStore::~NotesStore() = default;

QString NotesStore::filePath() const {
    if (const auto stored = m_preferences.stringValue(kPathKey))
        return *stored;
    makePrivateFolder(m_dataDirectory);
    return m_dataDirectory + QStringLiteral("/notes.txt");
}

const QString& NotesStore::text() const {
    if (m_pendingEdit) {
        m_text = m_pendingEdit();
        m_pendingEdit = nullptr;
    }
    return m_text;
}

void NotesStore::setText(const QString& text) {
    publish(text, true);
}

void NotesStore::setTextFromEditor(std::function<QString()> reader) {
    m_pendingEdit = std::move(reader);
    m_text.clear(); // stale from now on: free it rather than keep a second copy of a large note
    emit textChanged();
    edited();
}

void NotesStore::setFilePath(const QString& path) {
    const QString oldPath = filePath();
    if (hasUnsavedText()) {
        saveNow();
        waitForWrites(kReloadWait);
    }
    // Typing that did not reach the old file (the save failed, or did not land in time) is never replaced.
    const bool keepText = hasUnsavedText();
    m_preferences.setValue(kPathKey, path);
    emit filePathChanged();
    if (!keepText)
        return load();
    if (isSameFile(oldPath, path))
        return;
    NoteFile::printLine(
        QStringLiteral("Quillo: заметка не сохранена в %1, её текст будет сохранён в %2").arg(oldPath, path));
    // Whatever the new file holds is kept too: taken for a change on disk to an empty note, it is merged in.
    m_base.clear();
    m_unreadablePath.clear();
    m_writer.expect(path, FileIdentity());
    m_watcher.watch(NoteFile::resolve(path));
    m_queuedGeneration = m_savedGeneration;
    saveNow();
}

void NotesStore::load() {
    const QString path = filePath();
    const QString target = NoteFile::resolve(path);
    const NoteFile::Contents disk = NoteFile::read(target);
    m_writer.expect(target, disk.identity);
    m_unreadablePath.clear();
    m_base.clear();
    QString loaded;
    if (disk.identity.regular) {
        if (std::optional<QString> decoded = disk.readable ? NoteFile::decode(disk.bytes) : std::nullopt) {
            loaded = std::move(*decoded);
            m_base = disk.bytes;
        } else {
            m_unreadablePath = path;
        }
    }
    publish(loaded, false);
    m_watcher.watch(target);
}

void NotesStore::saveNow() {
    m_saveDelay.stop();
    if (!hasUnsavedText() || m_queuedGeneration == m_editGeneration)
        return;
    NoteSnapshot snapshot{filePath(), text()};
    snapshot.checkFirst = true;
    snapshot.moveAsideUnreadable = !m_unreadablePath.isEmpty() && isSameFile(snapshot.path, m_unreadablePath);
    snapshot.keepDiskCopy = std::exchange(m_keepDiskCopy, false);
    m_jobs.push_back({m_writer.enqueue(std::move(snapshot)), m_editGeneration});
    m_queuedGeneration = m_editGeneration;
}

bool NotesStore::waitForWrites(std::optional<std::chrono::milliseconds> timeout) {
    const QDeadlineTimer deadline =
        timeout ? QDeadlineTimer(*timeout) : QDeadlineTimer(QDeadlineTimer::Forever);
    while (!m_jobs.empty()) {
        const auto left = std::chrono::milliseconds(deadline.remainingTime());
        if (!m_writer.waitForWrites(deadline.isForever() ? std::nullopt : std::optional(left)))
            return false;
        // The outcomes wait in this thread's queue: handle them now, in order, even inside a blocking wait.
        // One may queue another write (a merge), which this loop waits for in turn.
        QCoreApplication::sendPostedEvents(&m_writer, QEvent::MetaCall);
    }
    return true;
}

void NotesStore::publish(const QString& text, bool edit) {
    m_pendingEdit = nullptr;
    m_text = text;
    emit textChanged();
    if (edit)
        edited();
    else
        m_savedGeneration = m_queuedGeneration = m_editGeneration;
}

void NotesStore::edited() {
    ++m_editGeneration;
    m_saveDelay.start();
}

void NotesStore::onWritten(const WriteResult& result) {
    if (m_jobs.empty() || m_jobs.front().id != result.id)
        return;
    const Job job = m_jobs.front();
    m_jobs.pop_front();
    if (result.ok) {
        m_changesInARow = 0;
        m_savedGeneration = std::max(m_savedGeneration, job.generation);
        if (isSameFile(result.path, filePath()))
            m_base = result.bytes;
        if (!m_unreadablePath.isEmpty() && isSameFile(result.path, m_unreadablePath))
            m_unreadablePath.clear();
        m_lastSavedAt = QDateTime::currentDateTime();
        emit lastSavedAtChanged();
    } else {
        if (job.generation == m_queuedGeneration)
            m_queuedGeneration = m_savedGeneration;
        if (result.changedOnDisk) {
            m_checkWhenIdle = true;
            m_keepDiskCopy = ++m_changesInARow >= kMaxChangesInARow;
        }
    }
    if (!m_jobs.empty())
        return;
    if (std::exchange(m_checkWhenIdle, false))
        checkDisk();
    else
        m_watcher.rearm(); // the first save creates the file, and a save replaces it
    if (result.changedOnDisk)
        saveNow(); // the typing goes out again, merged with the change by now
}

void NotesStore::checkDisk() {
    if (!m_jobs.empty()) {
        // Events of a save of our own, or a change during it: looked at once the save has landed, when the
        // writer knows the file as it wrote it.
        m_checkWhenIdle = true;
        return;
    }
    m_watcher.rearm();
    const QString target = NoteFile::resolve(filePath());
    if (FileIdentity::of(target) != m_writer.expected(target))
        takeDiskText(NoteFile::read(target));
}

void NotesStore::takeDiskText(const NoteFile::Contents& disk) {
    const QString path = filePath();
    m_writer.expect(path, disk.identity);
    if (!disk.identity.exists)
        return; // deleted: the window keeps the text, and only typing writes the file again
    if (!hasUnsavedText()) {
        const std::optional<QString> decoded = disk.readable ? NoteFile::decode(disk.bytes) : std::nullopt;
        if (!decoded) {
            // Perhaps still being written; if not, it is moved aside before a save goes over it.
            if (disk.identity.regular)
                m_unreadablePath = path;
            return;
        }
        m_unreadablePath.clear();
        m_base = disk.bytes;
        return publish(*decoded, false);
    }
    // From here the file's text is either merged in or kept beside the note, whole.
    m_unreadablePath.clear();
    const QByteArray ours = text().toUtf8();
    QByteArray base = std::exchange(m_base, disk.bytes);
    QByteArray theirs = disk.bytes;
    if (!ours.contains('\r')) {
        // The editor keeps no carriage returns: line ends alone must not make every line differ.
        for (QByteArray* bytes : {&base, &theirs})
            bytes->replace("\r\n", "\n").replace('\r', '\n');
    }
    // Undecodable bytes of the file's (unreadable, or cut off mid-write) end up in the merge: no text then.
    const std::optional<QByteArray> merged =
        disk.readable ? mergeNoteTexts(base, ours, theirs) : std::nullopt;
    const std::optional<QString> mergedText = merged ? NoteFile::decode(*merged) : std::nullopt;
    if (!mergedText) {
        // The window's text becomes the note, and the file's is kept beside it.
        m_keepDiskCopy = true;
        return saveNow();
    }
    publish(*mergedText, *merged != theirs);
    saveNow();
}

bool NotesStore::isSameFile(const QString& a, const QString& b) const {
    if (a == b)
        return true;
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

} // namespace quillo
