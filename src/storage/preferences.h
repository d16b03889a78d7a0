#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

#include <optional>

namespace quillo {

/// The per-user settings file ($XDG_CONFIG_HOME/Quillo/Quillo.conf). Every read is typed and forgiving: an
/// absent key, a value of the wrong type or an unreadable file gives "nothing", and the caller applies its
/// own default. Every write reaches the file at once. Main thread only.
class Preferences final {
public:
    static Preferences& shared(); ///< Created on first use at defaultFilePath(), lives until exit.
    explicit Preferences(const QString& filePath); ///< Tests build their own on a temporary file.
    static QString defaultFilePath();

    QString filePath() const;

    bool contains(const QString& key) const; ///< Whether any value is stored under the key.
    std::optional<QString> stringForKey(const QString& key) const; ///< A stored string or number, as text.
    qint64 integerForKey(const QString& key) const;                ///< 0 when absent or not an integer.
    std::optional<double>
    doubleForKey(const QString& key) const; ///< A stored value that converts to a double.
    std::optional<QByteArray> dataForKey(const QString& key) const; ///< Only values stored as bytes.
    QVariant objectForKey(const QString& key) const; ///< The raw stored value, invalid if absent.

    void setString(const QString& key, const QString& value);
    void setInteger(const QString& key, qint64 value);
    void setDouble(const QString& key, double value);
    void setData(const QString& key, const QByteArray& value);
    void setObject(const QString& key, const QVariant& value);

private:
    void write(const QString& key, const QVariant& value);

    mutable QSettings m_settings;
};

} // namespace quillo
