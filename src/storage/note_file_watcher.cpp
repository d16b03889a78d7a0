// SPDX-License-Identifier: GPL-3.0-or-later
#include "note_file_watcher.h"

#include "note_file.h"

#include <QFileInfo>

namespace quillo {

NoteFileWatcher::NoteFileWatcher(QObject* parent)
    : QObject(parent) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietPeriod);
    connect(&m_quiet, &QTimer::timeout, this, &NoteFileWatcher::changed);
    const auto restartQuiet = [this] { m_quiet.start(); };
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, restartQuiet);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, restartQuiet);
}

void NoteFileWatcher::watch(const QString& path) {
    if (path == m_path)
        return rearm();
    for (const QStringList& watched : {m_watcher.files(), m_watcher.directories()})
        if (!watched.isEmpty())
            m_watcher.removePaths(watched);
    m_path = path;
    m_watchedInode = 0;
    const QString folder = QFileInfo(path).absolutePath();
    if (QFileInfo(folder).isDir())
        m_watcher.addPath(folder);
    rearm();
}

void NoteFileWatcher::rearm() {
    if (m_path.isEmpty())
        return;
    if (m_watcher.directories().isEmpty() && QFileInfo(QFileInfo(m_path).absolutePath()).isDir())
        m_watcher.addPath(QFileInfo(m_path).absolutePath());
    // A watch follows the inode it was set on: once another file has the name, only a new watch sees it.
    const FileIdentity now = FileIdentity::of(m_path);
    const bool watching = m_watcher.files().contains(m_path);
    if (watching && now.exists && now.inode == m_watchedInode)
        return;
    if (watching)
        m_watcher.removePath(m_path);
    m_watchedInode = 0;
    if (now.regular && m_watcher.addPath(m_path))
        m_watchedInode = now.inode;
}

} // namespace quillo
