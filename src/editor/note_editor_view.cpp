// SPDX-License-Identifier: GPL-3.0-or-later
#include "note_editor_view.h"

#include "appearance/appearance_store.h"
#include "appearance/text_styles.h"
#include "editor/note_text_view.h"
#include "storage/notes_store.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillo {
namespace {

constexpr int kIconSize = 16;
constexpr double kFooterOpacity = 0.6;
constexpr double kDividerOpacity = 0.2;

/// One line of text that gives up its middle, not its end, when the row is too narrow: a path keeps its file
/// name in sight. text() stays the whole text.
class MiddleElidedLabel final : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        const QRect area = contentsRect();
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
    }
};

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(float(qBound(0.0, color.alphaF() * opacity, 1.0)));
    return color;
}

void setForeground(QWidget* widget, const QColor& color) {
    QPalette colors = widget->palette();
    colors.setColor(QPalette::WindowText, color);
    colors.setColor(QPalette::ButtonText, color);
    widget->setPalette(colors);
}

/// The bundled monochrome icon filled with one colour, sharp at 1x and 2x.
QIcon tintedIcon(const QString& resource, const QColor& color) {
    const QIcon source(resource);
    QIcon tinted;
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap = source.pixmap(QSize(kIconSize, kIconSize), ratio);
        QPainter painter(&pixmap);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRect(QPoint(), pixmap.size()), color);
        painter.end();
        tinted.addPixmap(pixmap);
    }
    return tinted;
}

} // namespace

NoteEditorView::NoteEditorView(NotesStore& store, AppearanceStore& appearance,
                               std::function<void()> onOpenSettings, std::function<void()> onQuit,
                               QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_appearance(appearance)
    , m_onOpenSettings(std::move(onOpenSettings))
    , m_onQuit(std::move(onQuit)) {
    setMinimumSize(kMinimumSize);
    auto* column = new QVBoxLayout(this);
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(makeHeader());
    column->addWidget(makeDivider());

    m_textView = new NoteTextView(store, this);
    auto* textBox = new QVBoxLayout;
    textBox->setContentsMargins(8, 8, 8, 8);
    textBox->addWidget(m_textView);
    column->addLayout(textBox, 1);

    column->addWidget(makeDivider());
    column->addLayout(makeFooter());

    for (auto changed : {&AppearanceStore::backgroundColorChanged, &AppearanceStore::opacityChanged,
                         &AppearanceStore::fontNameChanged, &AppearanceStore::fontSizeChanged})
        connect(&m_appearance, changed, this, &NoteEditorView::applyAppearance);
    connect(&m_store, &NotesStore::filePathChanged, this, &NoteEditorView::showPath);
    connect(&m_store, &NotesStore::lastSavedAtChanged, this, &NoteEditorView::showLastSave);

    applyAppearance();
    showPath();
    showLastSave();
}

QString NoteEditorView::formatSaveTime(const QTime& time) {
    // The locale's long time format has the seconds; its time zone is dropped, as no date is shown either.
    const QLocale locale = QLocale::system();
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.replace(zone, QStringLiteral(" "));
    return locale.toString(time, format.trimmed());
}

void NoteEditorView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), withOpacity(m_appearance.backgroundColor(), m_appearance.opacity()));
}

QLayout* NoteEditorView::makeHeader() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(10, 10, 10, 6);
    m_title = new QLabel(QStringLiteral("Quillo"), this);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setFont(TextStyles::headline());
    row->addWidget(m_title);
    row->addStretch(1);
    m_settingsButton = makeIconButton(QStringLiteral("settingsButton"), QStringLiteral("Настройки"), [this] {
        if (m_onOpenSettings)
            m_onOpenSettings();
    });
    m_quitButton = makeIconButton(QStringLiteral("quitButton"), QStringLiteral("Выход"), [this] {
        if (m_onQuit)
            m_onQuit();
    });
    row->addWidget(m_settingsButton);
    row->addWidget(m_quitButton);
    return row;
}

QLayout* NoteEditorView::makeFooter() {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(10, 6, 10, 6);
    m_path = new MiddleElidedLabel(this);
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setTextFormat(Qt::PlainText);
    m_path->setFont(TextStyles::caption2());
    m_path->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_lastSave = new QLabel(this);
    m_lastSave->setObjectName(QStringLiteral("lastSave"));
    m_lastSave->setTextFormat(Qt::PlainText);
    m_lastSave->setFont(TextStyles::caption2());
    row->addWidget(m_path, 1);
    row->addWidget(m_lastSave);
    return row;
}

QWidget* NoteEditorView::makeDivider() {
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    line->setFixedHeight(1);
    m_dividers << line;
    return line;
}

QToolButton* NoteEditorView::makeIconButton(const QString& objectName, const QString& toolTip,
                                            std::function<void()> action) {
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(kIconSize, kIconSize));
    button->setCursor(Qt::ArrowCursor);
    // Only the symbol shows: no bezel, no hover panel.
    button->setStyleSheet(
        QStringLiteral("QToolButton { border: none; background: transparent; padding: 2px; }"));
    connect(button, &QToolButton::clicked, this, std::move(action));
    return button;
}

void NoteEditorView::applyAppearance() {
    const QColor text = m_appearance.autoTextColor();
    m_textView->setNoteFont(m_appearance.noteFont());
    m_textView->setTextColor(text);
    setForeground(m_title, text);
    setForeground(m_path, withOpacity(text, kFooterOpacity));
    setForeground(m_lastSave, withOpacity(text, kFooterOpacity));
    for (QWidget* divider : std::as_const(m_dividers))
        setForeground(divider, withOpacity(text, kDividerOpacity));
    m_settingsButton->setIcon(tintedIcon(QStringLiteral(":/quillo/gear.svg"), text));
    m_quitButton->setIcon(tintedIcon(QStringLiteral(":/quillo/power.svg"), text));
    update();
}

void NoteEditorView::showPath() {
    m_path->setText(m_store.filePath());
}

void NoteEditorView::showLastSave() {
    const QDateTime savedAt = m_store.lastSavedAt();
    m_lastSave->setText(savedAt.isValid() ? kSavedPrefix + formatSaveTime(savedAt.time()) : QString());
    m_lastSave->setVisible(savedAt.isValid());
}

} // namespace quillo
