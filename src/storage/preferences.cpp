#include "preferences.h"

#include <QStandardPaths>

namespace quillo {

Preferences& Preferences::shared() {
    static Preferences instance(defaultFilePath());
    return instance;
}

Preferences::Preferences(const QString& filePath)
    : m_settings(filePath, QSettings::IniFormat) {}

QString Preferences::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quillo/Quillo.conf");
}

QString Preferences::filePath() const {
    return m_settings.fileName();
}

bool Preferences::contains(const QString& key) const {
    return m_settings.contains(key);
}

std::optional<QString> Preferences::stringForKey(const QString& key) const {
    const QVariant value = m_settings.value(key);
    // The INI format hands back every scalar as text; lists and bytes are not strings.
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong ||
        value.typeId() == QMetaType::Double)
        return value.toString();
    return std::nullopt;
}

qint64 Preferences::integerForKey(const QString& key) const {
    const QVariant value = m_settings.value(key);
    if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::LongLong &&
        value.typeId() != QMetaType::Int)
        return 0;
    bool ok = false;
    const qint64 integer = value.toString().trimmed().toLongLong(&ok);
    return ok ? integer : 0;
}

std::optional<double> Preferences::doubleForKey(const QString& key) const {
    const QVariant value = m_settings.value(key);
    if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::Double &&
        value.typeId() != QMetaType::LongLong && value.typeId() != QMetaType::Int)
        return std::nullopt;
    bool ok = false;
    const double number = value.toString().trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

std::optional<QByteArray> Preferences::dataForKey(const QString& key) const {
    const QVariant value = m_settings.value(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

QVariant Preferences::objectForKey(const QString& key) const {
    return m_settings.value(key);
}

void Preferences::setString(const QString& key, const QString& value) {
    write(key, value);
}

void Preferences::setInteger(const QString& key, qint64 value) {
    write(key, value);
}

void Preferences::setDouble(const QString& key, double value) {
    // Written as text with full precision, so that a value reads back exactly.
    write(key, QString::number(value, 'g', 17));
}

void Preferences::setData(const QString& key, const QByteArray& value) {
    write(key, value);
}

void Preferences::setObject(const QString& key, const QVariant& value) {
    write(key, value);
}

void Preferences::write(const QString& key, const QVariant& value) {
    m_settings.setValue(key, value);
    m_settings.sync();
}

} // namespace quillo
