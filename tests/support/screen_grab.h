#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

namespace quillo::test {

/// Where Quillo's note icon sits in a panel along the top of the screen: the only thing drawn there in its
/// pale yellow (#fff4c2). Needs a QGuiApplication on the test desktop's X server.
std::optional<QPoint> findNoteIconInPanel(int screenWidth);

/// Saves what the screen shows in `area` as <name>.png among the test artefacts ($QUILLO_ARTIFACT_DIR, else
/// the build tree's tests/artifacts). Returns the file written, or an empty string.
QString saveScreenshot(const QRect& area, const QString& name);

} // namespace quillo::test
