// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace quillo {

class NotesStore;

/// The state of one opening of the settings form: the note-file path as typed or chosen, which reaches the
/// note store only when the form is closed with "Закрыть". Main thread only.
class SettingsViewModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString pathText READ pathText WRITE setPathText NOTIFY pathTextChanged)
public:
    explicit SettingsViewModel(QObject* parent = nullptr);

    QString pathText() const { return m_pathText; } ///< Exactly as typed or chosen, never trimmed.
    void setPathText(const QString& text);

    void appear(const NotesStore& store); ///< The form came on screen: show the path in use.
    /// Makes the trimmed path the note file; an empty result changes nothing. pathText keeps the untrimmed
    /// text.
    void applyPath(NotesStore& store) const;

    QString proposedFileName() const; ///< For the save dialog: the last component of pathText.
    QString proposedFolder() const;   ///< For the save dialog: pathText without it, made absolute.

    /// Removes white space and line breaks (Unicode separators, U+0009 to U+000D, U+0085) at both ends.
    static QString trimmedPath(const QString& text);

signals:
    void pathTextChanged();

private:
    QString m_pathText;
};

} // namespace quillo
