#include "notes_store.h"

#include "data_directory.h"
#include "preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace quillo {
NotesStore::NotesStore(Preferences& preferences, QString dataDirectory, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_dataDirectory(std::move(dataDirectory)) {
    m_saveDelay.setSingleShot(true);
    m_saveDelay.setInterval(kSaveDelay);
    connect(&m_saveDelay, &QTimer::timeout, this, &NotesStore::saveNow);
    connect(&m_writer, &NoteWriter::written, this, &NotesStore::onWritten);
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
    m_pendingEdit = nullptr;
    m_text = text;
    emit textChanged();
    if (!m_isLoading)
        scheduleSave();
}

void NotesStore::setTextFromEditor(std::function<QString()> reader) {
    m_pendingEdit = std::move(reader);
    m_text.clear(); // stale from now on: free it rather than keep a second copy of a large note
    emit textChanged();
    if (!m_isLoading)
        scheduleSave();
}

void NotesStore::setFilePath(const QString& path) {
    const QString oldPath = filePath();
    saveNow();
    m_preferences.setValue(kPathKey, path);
    emit filePathChanged();
    if (isSameFile(oldPath, path)) {
        // Reading the file before the save just queued has landed would replace the latest typing with older
        // contents. If it does not land in time, or fails, the text in memory is the newest there is: keep
        // it.
        if (!m_writer.waitForWrites(kReloadWait) || !m_writer.lastResult().ok)
            return;
    }
    load();
}

void NotesStore::load() {
    m_isLoading = true;
    const QString path = filePath();
    QString loaded;
    m_unreadablePath.clear();
    if (QFileInfo(path).isFile()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            // The byte-order mark, if any, stays in the text, so that the file round-trips byte for byte.
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
            QString decoded = decoder.decode(file.readAll());
            if (decoder.hasError())
                m_unreadablePath = path;
            else
                loaded = std::move(decoded);
        } else {
            m_unreadablePath = path;
        }
    }
    setText(loaded);
    m_isLoading = false;
}

void NotesStore::saveNow() {
    m_saveDelay.stop();
    NoteSnapshot snapshot{filePath(), text()};
    snapshot.moveAsideUnreadable = !m_unreadablePath.isEmpty() && isSameFile(snapshot.path, m_unreadablePath);
    m_writer.enqueue(std::move(snapshot));
}

bool NotesStore::waitForWrites(std::optional<std::chrono::milliseconds> timeout) {
    return m_writer.waitForWrites(timeout);
}

void NotesStore::scheduleSave() {
    m_saveDelay.start();
}

void NotesStore::onWritten(const WriteResult& result) {
    if (!result.ok)
        return;
    if (!m_unreadablePath.isEmpty() && isSameFile(result.path, m_unreadablePath))
        m_unreadablePath.clear();
    m_lastSavedAt = QDateTime::currentDateTime();
    emit lastSavedAtChanged();
}

bool NotesStore::isSameFile(const QString& a, const QString& b) const {
    if (a == b)
        return true;
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

} // namespace quillo
