// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <optional>

namespace quillo {

/// Merges two edits of the same note, UTF-8 text, line by line: `ours` (the window) and `theirs` (the file on
/// disk), both made from `base` (the text last read or written). Lines both sides changed are kept one after
/// the other, ours first, never with conflict markers. Nothing when no merge can be made (text that libgit2
/// takes for binary, or an error). Any thread.
std::optional<QByteArray> mergeNoteTexts(const QByteArray& base, const QByteArray& ours,
                                         const QByteArray& theirs);

} // namespace quillo
