#include "note_window_state.h"

namespace quillo {

NoteWindowState& NoteWindowState::shared() {
    static NoteWindowState instance;
    return instance;
}

NoteWindowState::NoteWindowState(QObject* parent)
    : QObject(parent) {}

void NoteWindowState::bumpFocusTrigger() {
    ++m_focusTrigger;
    emit focusTriggerChanged();
}

} // namespace quillo
