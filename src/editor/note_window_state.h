#pragma once

#include <QObject>

namespace quillo {

/// What the note window asks of its editor: every change of focusTrigger asks the note text to take the
/// keyboard focus once. Main thread only.
class NoteWindowState final : public QObject {
    Q_OBJECT
    Q_PROPERTY(qint64 focusTrigger READ focusTrigger NOTIFY focusTriggerChanged)

public:
    static NoteWindowState& shared();                    ///< Created on first use; lives until exit.
    explicit NoteWindowState(QObject* parent = nullptr); ///< Tests build their own.

    qint64 focusTrigger() const { return m_focusTrigger; } ///< Starts at 0, never reset.
    void bumpFocusTrigger();                               ///< +1; done by every show of the note window.

signals:
    void focusTriggerChanged();

private:
    qint64 m_focusTrigger = 0;
};

} // namespace quillo
