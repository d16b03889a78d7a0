// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

namespace quillo {

/// Tells when the note file may have changed, whoever changed it: inotify watches (through
/// QFileSystemWatcher) on the file, for writes in place and appends, and on its folder, for a file renamed
/// over it, deleted or created. A burst of events is reported once, after a short quiet period, so that a
/// file being written is looked at when the writing stops. Nothing runs while nothing happens. Main thread
/// only.
class NoteFileWatcher final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kQuietPeriod{100};

    explicit NoteFileWatcher(QObject* parent = nullptr);

    /// Watches this file (links already followed) and its folder from now on, instead of the previous one.
    void watch(const QString& path);
    /// Watches the file that has the name now: after a rename over it, or once it exists. Call after each
    /// look at the file.
    void rearm();

signals:
    void changed();

private:
    QFileSystemWatcher m_watcher;
    QTimer m_quiet;
    QString m_path;
    quint64 m_watchedInode = 0;
};

} // namespace quillo
