// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quillo {

/// Where Quillo keeps the note and its lock file: $XDG_DATA_HOME/Quillo (by default ~/.local/share/Quillo).
QString dataDirectory();

/// Creates `path` private to the user (0700), with any missing parents, unless it exists already.
void makePrivateFolder(const QString& path);

} // namespace quillo
