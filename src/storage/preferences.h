// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

#include <optional>

namespace quillo {

/// The per-user settings file ($XDG_CONFIG_HOME/Quillo/Quillo.conf). Every typed read is forgiving: an absent
/// key, a value of the wrong type or an unreadable file gives "nothing", and the caller applies its own
/// default. Every write reaches the file at once. Main thread only.
class Preferences final {
public:
    explicit Preferences(const QString& fileName = defaultFileName());
    static QString defaultFileName();

    QString fileName() const;

    bool contains(const QString& key) const;  ///< Whether any value is stored under the key.
    QVariant value(const QString& key) const; ///< The raw stored value, invalid if absent.
    std::optional<QString> stringValue(const QString& key) const;   ///< A stored string or number, as text.
    qint64 integerValue(const QString& key) const;                  ///< 0 when absent or not an integer.
    std::optional<double> doubleValue(const QString& key) const;    ///< A value that converts to a double.
    std::optional<QByteArray> bytesValue(const QString& key) const; ///< Only values stored as bytes.

    /// Stores the value and writes the file; a double is kept as text with full precision, so that it reads
    /// back exactly.
    void setValue(const QString& key, const QVariant& value);

private:
    mutable QSettings m_settings;
};

} // namespace quillo
