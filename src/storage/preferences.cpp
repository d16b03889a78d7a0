// SPDX-License-Identifier: GPL-3.0-or-later
#include "preferences.h"

#include <QStandardPaths>

namespace quillo {
namespace {

bool isNumberOrText(const QVariant& value) {
    // The INI format hands back every scalar as text; lists and bytes are neither.
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

} // namespace

Preferences::Preferences(const QString& fileName)
    : m_settings(fileName, QSettings::IniFormat) {}

QString Preferences::defaultFileName() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quillo/Quillo.conf");
}

QString Preferences::fileName() const {
    return m_settings.fileName();
}

bool Preferences::contains(const QString& key) const {
    return m_settings.contains(key);
}

QVariant Preferences::value(const QString& key) const {
    return m_settings.value(key);
}

std::optional<QString> Preferences::stringValue(const QString& key) const {
    const QVariant stored = m_settings.value(key);
    if (!isNumberOrText(stored))
        return std::nullopt;
    return stored.toString();
}

qint64 Preferences::integerValue(const QString& key) const {
    const QVariant stored = m_settings.value(key);
    if (!isNumberOrText(stored) || stored.typeId() == QMetaType::Double)
        return 0;
    bool ok = false;
    const qint64 integer = stored.toString().trimmed().toLongLong(&ok);
    return ok ? integer : 0;
}

std::optional<double> Preferences::doubleValue(const QString& key) const {
    const QVariant stored = m_settings.value(key);
    if (!isNumberOrText(stored))
        return std::nullopt;
    bool ok = false;
    const double number = stored.toString().trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

std::optional<QByteArray> Preferences::bytesValue(const QString& key) const {
    const QVariant stored = m_settings.value(key);
    if (stored.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return stored.toByteArray();
}

void Preferences::setValue(const QString& key, const QVariant& value) {
    if (value.typeId() == QMetaType::Double)
        m_settings.setValue(key, QString::number(value.toDouble(), 'g', 17));
    else
        m_settings.setValue(key, value);
    m_settings.sync();
}

} // namespace quillo
