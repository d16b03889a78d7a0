// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance_store.h"

#include "storage/preferences.h"

#include <QDataStream>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIODevice>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace quillo {
namespace {

// A tag in front of the colour, so that bytes from anywhere else are not taken for one.
constexpr quint32 kColorMagic = 0x51434c52; // "QCLR"
constexpr quint8 kColorFormat = 1;
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;

} // namespace

AppearanceStore::AppearanceStore(Preferences& preferences, QObject* parent)
    : QObject(parent)
    , m_preferences(preferences) {
    const std::optional<QByteArray> colorData = m_preferences.bytesValue(kColorKey);
    const QColor stored = colorData ? decodeColor(*colorData) : QColor();
    m_backgroundColor = stored.isValid() ? stored : defaultBackgroundColor();
    m_opacity = readNumber(kOpacityKey, kDefaultOpacity);
    m_fontName = m_preferences.stringValue(kFontNameKey).value_or(kSystemFontName);
    m_fontSize = readNumber(kFontSizeKey, kDefaultFontSize);
}

void AppearanceStore::setBackgroundColor(const QColor& color) {
    if (color == m_backgroundColor)
        return;
    m_backgroundColor = color;
    emit backgroundColorChanged();
    saveColor();
}

void AppearanceStore::setOpacity(double opacity) {
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    emit opacityChanged();
    m_preferences.setValue(kOpacityKey, m_opacity);
}

void AppearanceStore::setFontName(const QString& name) {
    if (name == m_fontName)
        return;
    m_fontName = name;
    emit fontNameChanged();
    m_preferences.setValue(kFontNameKey, m_fontName);
}

void AppearanceStore::setFontSize(double size) {
    if (size == m_fontSize)
        return;
    m_fontSize = size;
    emit fontSizeChanged();
    m_preferences.setValue(kFontSizeKey, m_fontSize);
}

QFont AppearanceStore::noteFont() const {
    QFont font = m_fontName != kSystemFontName && QFontDatabase::families().contains(m_fontName)
                     ? QFont(m_fontName)
                     : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // QFont refuses sizes that are not positive; the font then keeps its own size.
    if (std::isfinite(m_fontSize) && m_fontSize > 0)
        font.setPointSizeF(m_fontSize);
    return font;
}

QColor AppearanceStore::autoTextColor() const {
    QColor rgb = m_backgroundColor.toRgb();
    if (!rgb.isValid())
        rgb = QGuiApplication::palette().color(QPalette::Window).toRgb();
    // On the 16-bit components the weighted sum is exact, so a grey of exactly 0.6 is not taken for lighter.
    const QRgba64 c = rgb.rgba64();
    const quint64 weighted = 299ull * c.red() + 587ull * c.green() + 114ull * c.blue();
    const quint64 threshold = 600ull * 65535ull;
    return weighted > threshold ? QColor(Qt::black) : QColor(Qt::white);
}

QStringList AppearanceStore::availableFontFamilies() {
    QStringList list{kSystemFontName};
    list += sortedFamilies(QFontDatabase::families());
    return list;
}

QStringList AppearanceStore::sortedFamilies(QStringList families) {
    struct Keyed {
        QList<uint> key;
        QString name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(families.size());
    for (QString& name : families) {
        // UTF-16 order differs from code-point order above U+FFFF; compare whole code points instead.
        QList<uint> key = name.normalized(QString::NormalizationForm_C).toUcs4();
        keyed.push_back({std::move(key), std::move(name)});
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
    QStringList sorted;
    sorted.reserve(qsizetype(keyed.size()));
    for (Keyed& entry : keyed)
        sorted << std::move(entry.name);
    return sorted;
}

QByteArray AppearanceStore::encodeColor(const QColor& color) {
    // Red, green, blue and alpha at 16 bits each: every colour the dialog offers comes back exactly.
    const QRgba64 rgba = color.toRgb().rgba64();
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << kColorMagic << kColorFormat << rgba.red() << rgba.green() << rgba.blue() << rgba.alpha();
    return out.status() == QDataStream::Ok ? bytes : QByteArray();
}

QColor AppearanceStore::decodeColor(const QByteArray& bytes) {
    QDataStream in(bytes);
    in.setVersion(kStreamVersion);
    quint32 magic = 0;
    quint8 format = 0;
    quint16 red = 0, green = 0, blue = 0, alpha = 0;
    in >> magic >> format >> red >> green >> blue >> alpha;
    if (in.status() != QDataStream::Ok || !in.atEnd() || magic != kColorMagic || format != kColorFormat)
        return {};
    return QColor::fromRgba64(red, green, blue, alpha);
}

QColor AppearanceStore::defaultBackgroundColor() {
    return QGuiApplication::palette().color(QPalette::Base);
}

double AppearanceStore::readNumber(const QString& key, double fallback) const {
    // "nan" and "inf" convert to a double, but no opacity or point size can be made of them.
    const std::optional<double> number = m_preferences.doubleValue(key);
    return number && std::isfinite(*number) ? *number : fallback;
}

void AppearanceStore::saveColor() {
    // A colour that cannot be encoded leaves the stored one in place; the new one still shows.
    const QByteArray bytes = encodeColor(m_backgroundColor);
    if (!bytes.isEmpty())
        m_preferences.setValue(kColorKey, bytes);
}

} // namespace quillo
