// SPDX-License-Identifier: GPL-3.0-or-later
#include "data_directory.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace quillo {

QString dataDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Quillo");
}

void makePrivateFolder(const QString& path) {
    if (QFileInfo::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QDir().mkdir(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace quillo
