// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/single_instance_guard.h"

#include <QString>
#include <QStringList>

namespace quillo {

/// Quillo's command line: --help, --version, --toggle and --quit. Qt's own options (the -session of a
/// restored session, -platform, -display, -style, ...) are let through for the QApplication to take. Needs no
/// application object, so that reading it needs no display.
class CommandLine final {
public:
    enum class Outcome {
        Run,     ///< Start Quillo or hand request() to the running copy.
        Help,    ///< Print text() on standard output; exit status 0.
        Version, ///< The same.
        Mistake, ///< Print text() on standard error; exit status 2.
    };

    /// Reads the arguments, the program's name first. Qt's own words in text() (the usage line, an unknown
    /// option) come in the language of the translators installed by then; the usage line names the program
    /// as QCoreApplication::arguments() does when a QCoreApplication exists.
    explicit CommandLine(const QStringList& arguments);

    Outcome outcome() const { return m_outcome; }
    Request request() const { return m_request; } ///< What Run asks for; Show when no option asks otherwise.
    QString text() const { return m_text; } ///< What Help, Version and Mistake print, with a final newline.

private:
    Outcome m_outcome = Outcome::Run;
    Request m_request = Request::Show;
    QString m_text;
};

} // namespace quillo
