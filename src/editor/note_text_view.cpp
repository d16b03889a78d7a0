#include "note_text_view.h"

#include "storage/notes_store.h"

#include <QKeyEvent>
#include <QTimer>

namespace quillo {

NoteTextView::NoteTextView(NotesStore& store, QWidget* parent)
    : QPlainTextEdit(parent)
    , m_store(&store) {
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
    const QString& wanted = m_store->text();
    if (noteText() == wanted)
        return;
    m_showingStoreText = true;
    setPlainText(wanted);
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
