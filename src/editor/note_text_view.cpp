// SPDX-License-Identifier: GPL-3.0-or-later
#include "note_text_view.h"

#include "storage/notes_store.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>

namespace quillo {

NoteTextView::NoteTextView(NotesStore& store, QWidget* parent)
    : QPlainTextEdit(parent)
    , m_store(&store)
    , m_shownPath(store.filePath()) {
    // Plain text with undo; Qt makes no quote, dash or spelling substitutions, so nothing is changed as
    // typed.
    setUndoRedoEnabled(true);
    setAccessibleName(QStringLiteral("Заметка"));
    setReadOnly(false);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    setBackgroundVisible(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setDocumentMargin(kDocumentMargin);

    showStoreText();
    connect(this, &QPlainTextEdit::textChanged, this, &NoteTextView::reportEdit);
    connect(m_store, &NotesStore::textChanged, this, &NoteTextView::showStoreText);
}

NoteTextView::~NoteTextView() {
    // The store may still hold a reader of this document for the latest edit: let it read now.
    if (m_store)
        m_store->text();
}

void NoteTextView::setNoteFont(const QFont& font) {
    if (this->font() != font)
        setFont(font);
}

void NoteTextView::setTextColor(const QColor& color) {
    QPalette colors = palette();
    colors.setColor(QPalette::Text, color); // the caret is drawn in the text colour too
    setPalette(colors);
}

void NoteTextView::focusAtEnd() {
    QTimer::singleShot(0, this, &NoteTextView::takeFocus);
}

QString NoteTextView::noteText() const {
    // toPlainText() would also turn no-break spaces into spaces; only the block separators are wanted as
    // "\n".
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

void NoteTextView::keyPressEvent(QKeyEvent* event) {
    // Shift+Return would insert U+2028, a line break no other editor shows as one: a note gets plain "\n".
    if (event->matches(QKeySequence::InsertLineSeparator)) {
        insertPlainText(QStringLiteral("\n"));
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void NoteTextView::reportEdit() {
    if (m_showingStoreText || !m_store)
        return;
    m_reportingEdit = true;
    m_store->setTextFromEditor(
        [view = QPointer<const NoteTextView>(this)] { return view ? view->noteText() : QString(); });
    m_reportingEdit = false;
}

void NoteTextView::showStoreText() {
    if (m_reportingEdit || !m_store)
        return;
    QString wanted = m_store->text();
    if (wanted.contains(u'\r')) // the document turns every line end into a block, as noteText() reads them
        wanted.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const QString shown = noteText();
    if (shown == wanted)
        return;
    m_showingStoreText = true;
    if (shown.isEmpty() || m_store->filePath() != m_shownPath) {
        // Another note file: a fresh document, whose undo does not lead back into the other note.
        m_shownPath = m_store->filePath();
        setPlainText(wanted);
    } else {
        // A text changed elsewhere (the file, by another program) replaces only the part that differs: the
        // caret and the scroll position stay where they were, as far as the text allows.
        const qsizetype shorter = std::min(shown.size(), wanted.size());
        qsizetype prefix = 0;
        while (prefix < shorter && shown[prefix] == wanted[prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < shorter - prefix &&
               shown[shown.size() - 1 - suffix] == wanted[wanted.size() - 1 - suffix])
            ++suffix;
        if (prefix > 0 && wanted[prefix - 1].isHighSurrogate())
            --prefix;
        if (suffix > 0 && wanted[wanted.size() - suffix].isLowSurrogate())
            --suffix;
        const int scrolled = verticalScrollBar()->value();
        QTextCursor cursor(document());
        cursor.setPosition(int(prefix));
        cursor.setPosition(int(shown.size() - suffix), QTextCursor::KeepAnchor);
        cursor.insertText(wanted.sliced(prefix, wanted.size() - suffix - prefix));
        verticalScrollBar()->setValue(scrolled);
    }
    m_showingStoreText = false;
}

void NoteTextView::takeFocus() {
    if (window() == this)
        return;
    setFocus(Qt::OtherFocusReason);
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    ensureCursorVisible();
}

} // namespace quillo
