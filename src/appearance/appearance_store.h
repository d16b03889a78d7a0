// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>
#include <QStringList>

namespace quillo {

class Preferences;

/// The look of the note window: background colour and its opacity, note font family and size. Each value is
/// read once at creation (defaults applied without writing) and written back from its setter. Main thread
/// only; needs a QGuiApplication (the default colour comes from the palette).
class AppearanceStore final : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        QColor backgroundColor READ backgroundColor WRITE setBackgroundColor NOTIFY backgroundColorChanged)
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity NOTIFY opacityChanged)
    Q_PROPERTY(QString fontName READ fontName WRITE setFontName NOTIFY fontNameChanged)
    Q_PROPERTY(double fontSize READ fontSize WRITE setFontSize NOTIFY fontSizeChanged)

public:
    /// The family name that stands for the system font; stored like any other name.
    static inline const QString kSystemFontName = QStringLiteral("Системный");

    /// Reads the stored look; `preferences` must outlive the store.
    explicit AppearanceStore(Preferences& preferences, QObject* parent = nullptr);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);
    double opacity() const { return m_opacity; } ///< A fraction; 1.0 is opaque. No range is enforced here.
    void setOpacity(double opacity);
    QString fontName() const { return m_fontName; }
    void setFontName(const QString& name);
    double fontSize() const { return m_fontSize; } ///< In points.
    void setFontSize(double size);

    /// The note font: the system font for kSystemFontName or a family that is not installed, else the family.
    QFont noteFont() const;
    /// Black or white, whichever stays readable on backgroundColor (black above luminance 0.6).
    QColor autoTextColor() const;

    /// kSystemFontName, then the installed families in code-point order of their NFC forms; built anew.
    static QStringList availableFontFamilies();
    /// The order of availableFontFamilies(): Unicode scalar values after NFC normalisation; stable.
    static QStringList sortedFamilies(QStringList families);

    /// The colour as stored in the preferences, and back. decodeColor() gives an invalid colour for anything
    /// that is not exactly one encoded colour.
    static QByteArray encodeColor(const QColor& color);
    static QColor decodeColor(const QByteArray& bytes);

signals:
    void backgroundColorChanged();
    void opacityChanged();
    void fontNameChanged();
    void fontSizeChanged();

private:
    static inline const QString kColorKey = QStringLiteral("appearanceBackgroundColor");
    static inline const QString kOpacityKey = QStringLiteral("appearanceOpacity");
    static inline const QString kFontNameKey = QStringLiteral("appearanceFontName");
    static inline const QString kFontSizeKey = QStringLiteral("appearanceFontSize");
    static constexpr double kDefaultOpacity = 1.0;
    static constexpr double kDefaultFontSize = 13.0;

    static QColor defaultBackgroundColor();
    double readNumber(const QString& key, double fallback) const;
    void saveColor();

    Preferences& m_preferences;
    QColor m_backgroundColor;
    double m_opacity = kDefaultOpacity;
    QString m_fontName = kSystemFontName;
    double m_fontSize = kDefaultFontSize;
};

} // namespace quillo
