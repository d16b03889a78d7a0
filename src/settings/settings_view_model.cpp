// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_view_model.h"

#include "storage/notes_store.h"

#include <QDir>

namespace quillo {
namespace {

bool isTrimmed(QChar c) {
    const auto category = c.category();
    return category == QChar::Separator_Space || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph || (c >= QChar(0x09) && c <= QChar(0x0D)) ||
           c == QChar(0x85);
}

/// The path without trailing slashes, except that "/" stays "/".
QString withoutTrailingSlashes(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace

SettingsViewModel::SettingsViewModel(QObject* parent)
    : QObject(parent) {}

void SettingsViewModel::setPathText(const QString& text) {
    if (m_pathText == text)
        return;
    m_pathText = text;
    emit pathTextChanged();
}

void SettingsViewModel::appear(const NotesStore& store) {
    setPathText(store.filePath());
}

void SettingsViewModel::applyPath(NotesStore& store) const {
    const QString path = trimmedPath(m_pathText);
    if (!path.isEmpty())
        store.setFilePath(path);
}

QString SettingsViewModel::trimmedPath(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmed(text.at(begin)))
        ++begin;
    while (end > begin && isTrimmed(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString SettingsViewModel::proposedFileName() const {
    const QString path = withoutTrailingSlashes(m_pathText);
    if (path == QLatin1String("/"))
        return path;
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString SettingsViewModel::proposedFolder() const {
    const QString path = withoutTrailingSlashes(m_pathText);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    QString folder;
    if (slash == 0)
        folder = QStringLiteral("/");
    else if (slash > 0)
        folder = path.left(slash);
    // An empty or relative remainder is taken against the current folder, as a file URL would be.
    return QDir::cleanPath(QDir::current().absoluteFilePath(folder));
}

} // namespace quillo
