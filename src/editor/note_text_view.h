// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>
#include <QPointer>

namespace quillo {

class NotesStore;

/// The editable note: a transparent plain-text editor bound both ways to NotesStore::text. Every edit reaches
/// the store at once (read lazily, see NotesStore::setTextFromEditor); a text set on the store from elsewhere
/// replaces what the view shows. Main thread only.
class NoteTextView final : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int kDocumentMargin = 6; ///< Pixels between the text and each edge.

    /// Shows the store's text. The store must outlive the view or be destroyed after it.
    explicit NoteTextView(NotesStore& store, QWidget* parent = nullptr);
    ~NoteTextView() override; ///< Hands the store its text before the document goes away.

    void setNoteFont(const QFont& font);    ///< Sets the font only when it differs from the current one.
    void setTextColor(const QColor& color); ///< Colour of the text and of the caret; set on every call.
    /// Takes the keyboard focus with the caret at the end, from the event loop once the caller's work is done
    /// (the window being shown); a view not in a window is left alone.
    void focusAtEnd();

    QString noteText() const; ///< Exactly what the document holds, paragraphs separated by "\n".

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void reportEdit();
    void showStoreText();
    void takeFocus();

    QPointer<NotesStore> m_store;
    QString m_shownPath; ///< The note file whose text the document shows.
    bool m_showingStoreText = false;
    bool m_reportingEdit = false;
};

} // namespace quillo
