// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_view.h"

#include "appearance/appearance_store.h"
#include "appearance/text_styles.h"
#include "hotkey/hotkey_settings.h"
#include "settings/hotkey_recorder.h"
#include "settings/settings_view_model.h"
#include "storage/notes_store.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

namespace quillo {
namespace {

constexpr double kSecondaryAlpha = 0.55;
constexpr int kOpacityLabelWidth = 40;
constexpr QSize kColorWellSize{44, 24};
constexpr QSize kColorSwatchSize{30, 14};
// The slider works on integers: ten thousand steps to the whole, finer than any pointer can move it.
constexpr int kOpacitySteps = 10000;
const QString kNoNumber = QStringLiteral("—");

/// The value truncated toward zero, if it is a number that fits a 64-bit integer.
std::optional<qint64> truncated(double value) {
    const double whole = std::trunc(value);
    // 2^63 is exact in a double; every double below it and at or above -2^63 converts without overflow.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(whole) || whole >= kLimit || whole < -kLimit)
        return std::nullopt;
    return qint64(whole);
}

QString truncatedText(double value) {
    const std::optional<qint64> number = truncated(value);
    return number ? QString::number(*number) : kNoNumber;
}

void makeSecondary(QWidget* widget) {
    QPalette colors = widget->palette();
    QColor text = colors.color(QPalette::WindowText);
    text.setAlphaF(float(kSecondaryAlpha));
    colors.setColor(QPalette::WindowText, text);
    widget->setPalette(colors);
}

/// The font-size stepper whose text is also the size's label: a stored size outside the range, or one with
/// a fraction, shows its own truncated value rather than the clamped position of the arrows.
class FontSizeBox final : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

    void showSize(double size) {
        m_stored = size;
        setValue(position(size));
        // The text may change while the value stays (40 and 50 both sit at the top end).
        setSuffix(suffix());
    }

    /// Where the arrows stand for a stored size: its truncation, kept within the range.
    int position(double size) const {
        if (std::isnan(size))
            return minimum();
        return int(std::clamp(std::trunc(size), double(minimum()), double(maximum())));
    }

protected:
    QString textFromValue(int value) const override {
        if (m_stored && value == position(*m_stored))
            return truncatedText(*m_stored);
        return QSpinBox::textFromValue(value);
    }

private:
    std::optional<double> m_stored;
};

} // namespace

SettingsView::SettingsView(NotesStore& store, AppearanceStore& appearance, HotKeySettings& hotKeySettings,
                           SettingsViewModel& model, std::function<void()> onClose, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_appearance(appearance)
    , m_model(model)
    , m_onClose(std::move(onClose)) {
    setFixedWidth(kWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    column->setSpacing(kSpacing);

    const QFont caption = TextStyles::caption();
    column->addWidget(makeText(QStringLiteral("Настройки Quillo"), TextStyles::headline(), false));
    column->addWidget(makeText(QStringLiteral("Файл, в который сохраняется заметка:"), caption, true));
    column->addLayout(makePathRow());
    column->addWidget(makeDivider());
    column->addWidget(makeText(QStringLiteral("Внешний вид окна заметки:"), caption, true));
    column->addWidget(makeColorRow());
    column->addLayout(makeOpacityRow());
    column->addLayout(makeFontRow());
    column->addWidget(makeDivider());
    m_recorder = new HotKeyRecorder(hotKeySettings, this);
    column->addLayout(makeHotKeyRow());
    column->addWidget(
        makeText(QStringLiteral("Кликните по полю и нажмите нужное сочетание клавиш. По умолчанию ⌘⎋."),
                 TextStyles::caption2(), true));
    column->addWidget(makeDivider());
    column->addLayout(makeCloseRow());

    connect(&m_model, &SettingsViewModel::pathTextChanged, this, &SettingsView::showPathText);
    connect(&m_appearance, &AppearanceStore::backgroundColorChanged, this, &SettingsView::showColor);
    connect(&m_appearance, &AppearanceStore::opacityChanged, this, &SettingsView::showOpacity);
    connect(&m_appearance, &AppearanceStore::fontNameChanged, this, &SettingsView::showFontName);
    connect(&m_appearance, &AppearanceStore::fontSizeChanged, this, &SettingsView::showFontSize);
    showPathText();
    showColor();
    showOpacity();
    showFontName();
    showFontSize();
}

QString SettingsView::opacityText(double opacity) {
    return truncatedText(opacity * 100.0) + QLatin1Char('%');
}

QString SettingsView::fontSizeText(double size) {
    return truncatedText(size) + QStringLiteral(" pt");
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_appeared && !event->spontaneous()) {
        m_appeared = true;
        m_model.appear(m_store);
    }
}

void SettingsView::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        m_closeButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

QLayout* SettingsView::makePathRow() {
    auto* row = new QHBoxLayout;
    m_pathField = new QLineEdit(this);
    m_pathField->setObjectName(QStringLiteral("pathField"));
    m_pathField->setPlaceholderText(QStringLiteral("Путь к файлу"));
    m_pathField->setAccessibleName(QStringLiteral("Файл, в который сохраняется заметка:"));
    connect(m_pathField, &QLineEdit::textEdited, &m_model, &SettingsViewModel::setPathText);
    m_browseButton = new QPushButton(QStringLiteral("Обзор…"), this);
    m_browseButton->setObjectName(QStringLiteral("browseButton"));
    m_browseButton->setAutoDefault(false);
    connect(m_browseButton, &QPushButton::clicked, this, &SettingsView::chooseFile);
    row->addWidget(m_pathField, 1);
    row->addWidget(m_browseButton);
    return row;
}

QWidget* SettingsView::makeColorRow() {
    // The label with its well beside it, as one control.
    auto* picker = new QWidget(this);
    auto* row = new QHBoxLayout(picker);
    row->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("Цвет фона"), picker);
    row->addWidget(label);
    m_colorWell = new QPushButton(picker);
    label->setBuddy(m_colorWell);
    m_colorWell->setObjectName(QStringLiteral("colorWell"));
    m_colorWell->setAccessibleName(QStringLiteral("Цвет фона"));
    m_colorWell->setAutoDefault(false);
    m_colorWell->setFixedSize(kColorWellSize);
    m_colorWell->setIconSize(kColorSwatchSize);
    connect(m_colorWell, &QPushButton::clicked, this, &SettingsView::chooseColor);
    row->addWidget(m_colorWell);
    row->addStretch(1);
    return picker;
}

QLayout* SettingsView::makeOpacityRow() {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Прозрачность"), this);
    row->addWidget(label);
    m_opacitySlider = new QSlider(Qt::Horizontal, this);
    label->setBuddy(m_opacitySlider);
    m_opacitySlider->setObjectName(QStringLiteral("opacitySlider"));
    m_opacitySlider->setAccessibleName(QStringLiteral("Прозрачность"));
    m_opacitySlider->setRange(int(kMinimumOpacity * kOpacitySteps), int(kMaximumOpacity * kOpacitySteps));
    m_opacitySlider->setSingleStep(kOpacitySteps / 100);
    m_opacitySlider->setPageStep(kOpacitySteps / 10);
    connect(m_opacitySlider, &QSlider::valueChanged, this,
            [this](int value) { m_appearance.setOpacity(double(value) / kOpacitySteps); });
    m_opacityLabel = new QLabel(this);
    m_opacityLabel->setObjectName(QStringLiteral("opacityLabel"));
    m_opacityLabel->setFixedWidth(kOpacityLabelWidth);
    m_opacityLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_opacityLabel->setFont(TextStyles::caption());
    makeSecondary(m_opacityLabel);
    row->addWidget(m_opacitySlider, 1);
    row->addWidget(m_opacityLabel);
    return row;
}

QLayout* SettingsView::makeFontRow() {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Шрифт"), this);
    row->addWidget(label);
    m_fontList = new QComboBox(this);
    // On Linux a list's accessible name is its current item; screen readers name it by its label.
    label->setBuddy(m_fontList);
    m_fontList->setObjectName(QStringLiteral("fontList"));
    m_fontList->setAccessibleName(QStringLiteral("Шрифт"));
    // Long family names must not widen the fixed column: the list takes the room the row leaves.
    m_fontList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fontList->setMinimumContentsLength(8);
    m_fontList->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_fontList->addItems(AppearanceStore::availableFontFamilies());
    connect(m_fontList, &QComboBox::textActivated, &m_appearance, &AppearanceStore::setFontName);

    auto* sizeBox = new FontSizeBox(this);
    m_fontSizeBox = sizeBox;
    m_fontSizeBox->setObjectName(QStringLiteral("fontSizeBox"));
    m_fontSizeBox->setRange(kMinimumFontSize, kMaximumFontSize);
    m_fontSizeBox->setSingleStep(1);
    m_fontSizeBox->setSuffix(QStringLiteral(" pt"));
    // The stepper has no label of its own; a screen reader still needs to say what it sets.
    m_fontSizeBox->setAccessibleName(QStringLiteral("Размер шрифта"));
    m_fontSizeBox->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(m_fontSizeBox, &QSpinBox::valueChanged, this,
            [this](int value) { m_appearance.setFontSize(double(value)); });
    row->addWidget(m_fontList, 1);
    row->addWidget(m_fontSizeBox);
    return row;
}

QLayout* SettingsView::makeHotKeyRow() {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Открывать заметку по хоткею"), this);
    label->setBuddy(m_recorder);
    row->addWidget(label);
    row->addStretch(1);
    m_recorder->setObjectName(QStringLiteral("recorder"));
    m_recorder->setFixedSize(HotKeyRecorder::kSize);
    row->addWidget(m_recorder);
    return row;
}

QLayout* SettingsView::makeCloseRow() {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    m_closeButton = new QPushButton(QStringLiteral("Закрыть"), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setDefault(true);
    connect(m_closeButton, &QPushButton::clicked, this, &SettingsView::applyAndClose);
    row->addWidget(m_closeButton);
    return row;
}

QLabel* SettingsView::makeText(const QString& text, const QFont& font, bool secondary) {
    auto* label = new QLabel(text, this);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(font);
    if (secondary)
        makeSecondary(label);
    return label;
}

QWidget* SettingsView::makeDivider() {
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

void SettingsView::chooseFile() {
    if (m_fileDialog) {
        m_fileDialog->raise();
        m_fileDialog->activateWindow();
        return;
    }
    auto* dialog = new QFileDialog(this, QStringLiteral("Выберите файл для заметки"));
    m_fileDialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // Choosing an existing file means "keep the note there", never "replace it".
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setDirectory(m_model.proposedFolder());
    dialog->selectFile(m_model.proposedFileName());
    connect(dialog, &QFileDialog::accepted, this, [this, dialog] {
        const QStringList chosen = dialog->selectedFiles();
        if (!chosen.isEmpty() && !chosen.first().isEmpty())
            m_model.setPathText(chosen.first());
    });
    dialog->open();
}

void SettingsView::chooseColor() {
    if (m_colorDialog) {
        m_colorDialog->raise();
        m_colorDialog->activateWindow();
        return;
    }
    // The note follows the colour while it is being picked; Cancel puts the old one back.
    const QColor original = m_appearance.backgroundColor();
    auto* dialog = new QColorDialog(original, this);
    m_colorDialog = dialog;
    dialog->setWindowTitle(QStringLiteral("Цвет фона"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QColorDialog::ShowAlphaChannel, false);
    const auto pick = [this](QColor color) {
        if (!color.isValid())
            return;
        color.setAlpha(255); // no opacity is offered here: that is the slider's
        m_appearance.setBackgroundColor(color);
    };
    connect(dialog, &QColorDialog::currentColorChanged, this, pick);
    connect(dialog, &QColorDialog::colorSelected, this, pick);
    connect(dialog, &QDialog::rejected, this,
            [this, original] { m_appearance.setBackgroundColor(original); });
    dialog->open();
}

void SettingsView::applyAndClose() {
    m_model.applyPath(m_store);
    if (m_onClose)
        m_onClose();
}

void SettingsView::showPathText() {
    // Only a change from elsewhere is written back: the field's own edit would lose its cursor.
    if (m_pathField->text() != m_model.pathText())
        m_pathField->setText(m_model.pathText());
}

void SettingsView::showColor() {
    QPixmap swatch(kColorSwatchSize * devicePixelRatio());
    swatch.setDevicePixelRatio(devicePixelRatio());
    QColor color = m_appearance.backgroundColor();
    color.setAlpha(255);
    swatch.fill(color);
    QPainter painter(&swatch);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(QRect(QPoint(0, 0), kColorSwatchSize).adjusted(0, 0, -1, -1));
    painter.end();
    m_colorWell->setIcon(QIcon(swatch));
}

void SettingsView::showOpacity() {
    const double opacity = m_appearance.opacity();
    // A stored value beyond the range stands at its end; not a number stands at the opaque end, as the note
    // window draws it. Either way the slider writes nothing back.
    const double shown =
        std::isnan(opacity) ? kMaximumOpacity : std::clamp(opacity, kMinimumOpacity, kMaximumOpacity);
    const QSignalBlocker quiet(m_opacitySlider);
    m_opacitySlider->setValue(int(std::lround(shown * kOpacitySteps)));
    m_opacityLabel->setText(opacityText(opacity));
}

void SettingsView::showFontName() {
    // A name that is not in the list (a family since removed) selects nothing and stays stored as it is.
    const QSignalBlocker quiet(m_fontList);
    m_fontList->setCurrentIndex(m_fontList->findText(m_appearance.fontName()));
}

void SettingsView::showFontSize() {
    const QSignalBlocker quiet(m_fontSizeBox);
    static_cast<FontSizeBox*>(m_fontSizeBox)->showSize(m_appearance.fontSize());
}

} // namespace quillo
