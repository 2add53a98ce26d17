// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "controlpanel.h"

#include "controltable.h"
#include "rectangle.h"
#include "screen/twips.h"
#include "sim/command/rings.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorlane::panel {

using namespace design;

namespace {

// The palette roles that a control's two colours stand for.
std::pair<QPalette::ColorRole, QPalette::ColorRole> colourRoles(Kind kind) {
    switch (kind) {
    case Kind::TextBox:
        return {QPalette::Base, QPalette::Text};
    case Kind::Button:
        return {QPalette::Button, QPalette::ButtonText};
    case Kind::Rectangle:
    case Kind::Label:
    case Kind::TickedCheckBox:
        break;
    }
    return {QPalette::Window, QPalette::WindowText};
}

// The style that draws every panel, and each of its controls: a style set on
// a widget does not pass to its children.
QStyle& panelStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = QStyleFactory::create(QString::fromLatin1(kStyle));
        if (!style)
            throw std::logic_error(std::string("no style ") + kStyle);
        // Deleted with the application, after every window.
        style->setParent(QCoreApplication::instance());
    }
    return *style;
}

// The style's own palette with every colour set, so that none comes from the
// desktop's palette, then or later.
QPalette fixedPalette(const QStyle& style) {
    const QPalette standard = style.standardPalette();
    QPalette fixed;
    for (int group = 0; group < QPalette::NColorGroups; ++group)
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            if (role != QPalette::NoRole) {
                const auto g = QPalette::ColorGroup(group);
                const auto r = QPalette::ColorRole(role);
                fixed.setBrush(g, r, standard.brush(g, r));
            }
    return fixed;
}

QFont toQFont(const Font& data) {
    QFont font(QString::fromLatin1(kFamily));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(data.points);
    font.setBold(data.bold);
    return font;
}

// An entry field that a key pressed with Alt or Ctrl never types into: such a
// key keeps its editing meaning (Ctrl+A selects all), but not its text.
class EntryField final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!(event->modifiers() & (Qt::AltModifier | Qt::ControlModifier))) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        QKeyEvent withoutText(event->type(), event->key(), event->modifiers(),
                              event->nativeScanCode(), event->nativeVirtualKey(),
                              event->nativeModifiers(), QString(), event->isAutoRepeat(),
                              static_cast<quint16>(event->count()));
        QLineEdit::keyPressEvent(&withoutText);
        event->setAccepted(withoutText.isAccepted());
    }
};

QWidget* makeControl(Kind kind, const QString& text) {
    switch (kind) {
    case Kind::Rectangle:
        return new Rectangle;
    case Kind::Label: {
        auto* label = new QLabel(text);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        return label;
    }
    case Kind::TextBox:
        return new EntryField(text);
    case Kind::Button: {
        auto* button = new QPushButton(text);
        // Return and Enter press a button that has the focus, as Space does.
        button->setAutoDefault(true);
        return button;
    }
    case Kind::TickedCheckBox: {
        auto* box = new QCheckBox(text);
        box->setChecked(true);
        return box;
    }
    }
    throw std::logic_error("unknown kind of control");
}

// How far a label may grow to the right: to the nearest control to its right
// on the same rows (the fields' backdrop), else to the panel's edge.
float rightLimit(const ControlData& label) {
    float limit = std::max(kClientWidth, label.left + label.width);
    for (const ControlData& other : kControls) {
        const bool sameRows =
            other.top < label.top + label.height && label.top < other.top + other.height;
        if (sameRows && other.left >= label.left + label.width)
            limit = std::min(limit, other.left);
    }
    return limit;
}

// The design boxes were laid out for a narrower font: a label keeps its
// position and grows to the right as far as its caption needs, up to
// rightPixels, and down as far as the caption's wrapped lines need.
void fitCaption(QLabel& label, int rightPixels) {
    constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    constexpr int kTall = 1 << 20;
    const QFontMetrics metrics(label.font());
    QRect box = label.geometry();
    const int widest = std::max(box.width(), rightPixels - box.left());
    const QRect oneRun = metrics.boundingRect(0, 0, widest, kTall, kFlags, label.text());
    box.setWidth(std::clamp(oneRun.width(), box.width(), widest));
    const QRect wrapped = metrics.boundingRect(0, 0, box.width(), kTall, kFlags, label.text());
    box.setHeight(std::max(box.height(), wrapped.height()));
    label.setGeometry(box);
}

QWidget* buildControl(const ControlData& data, QWidget& panel) {
    QWidget* control = makeControl(data.kind, QString::fromLatin1(data.text));
    control->setParent(&panel);
    control->setObjectName(QString::fromLatin1(data.name));
    control->setGeometry(screen::positionPixels(data.left), screen::positionPixels(data.top),
                         screen::sizePixels(data.width), screen::sizePixels(data.height));

    control->setStyle(&panelStyle());
    const auto [backRole, foreRole] = colourRoles(data.kind);
    QPalette palette = control->palette();
    if (data.back)
        palette.setColor(backRole, QColor(*data.back));
    if (data.fore)
        palette.setColor(foreRole, QColor(*data.fore));
    control->setPalette(palette);

    if (data.font)
        control->setFont(toQFont(*data.font));
    if (data.kind == Kind::Label)
        fitCaption(*static_cast<QLabel*>(control), screen::positionPixels(rightLimit(data)));
    if (data.kind == Kind::Rectangle)
        control->lower();
    return control;
}

// Focus moves through the controls that take it, in increasing tab number;
// gives them in that order.
std::vector<const ControlData*> orderTabs(const QHash<QString, QWidget*>& controls) {
    std::vector<const ControlData*> order;
    for (const ControlData& row : kControls)
        if (controls.value(QString::fromLatin1(row.name))->focusPolicy() & Qt::TabFocus)
            order.push_back(&row);
    std::ranges::sort(order, {}, &ControlData::tab);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(controls.value(QString::fromLatin1(order[i - 1]->name)),
                             controls.value(QString::fromLatin1(order[i]->name)));
    return order;
}

bool seenAtDesignSize(const ControlData& row) {
    return row.left + row.width <= kClientWidth && row.top + row.height <= kClientHeight;
}

// A control as the kind of widget that the caller needs.
template <class Widget> Widget& narrowed(QWidget& control) {
    auto* widget = qobject_cast<Widget*>(&control);
    if (!widget)
        throw std::logic_error(control.objectName().toStdString() + " is not a " +
                               Widget::staticMetaObject.className());
    return *widget;
}

// The wait cursor while a drawing runs, restored however the drawing ends.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

ControlPanel::ControlPanel() {
    setWindowTitle(QStringLiteral("Controls"));
    setFixedSize(screen::sizePixels(kClientWidth), screen::sizePixels(kClientHeight));
    setStyle(&panelStyle());
    QPalette background = fixedPalette(panelStyle());
    background.setColor(QPalette::Window, QColor(kBackColor));
    setPalette(background);
    setAutoFillBackground(true);
    setFont(toQFont(kPlain));

    for (const ControlData& row : kControls)
        controls_.insert(QString::fromLatin1(row.name), buildControl(row, *this));
    // A screen reader names each field by its label.
    for (const auto& [labelName, fieldName] : kFieldLabels) {
        auto& label = narrowed<QLabel>(control(QString::fromLatin1(labelName)));
        label.setBuddy(&field(QString::fromLatin1(fieldName)));
        label.buddy()->setAccessibleName(label.text());
    }
    // Tab also reaches the controls beyond the visible area, which a screen
    // reader then says; the focus starts in the first one that can be seen.
    const std::vector<const ControlData*> order = orderTabs(controls_);
    for (const ControlData* row : order)
        if (!seenAtDesignSize(*row))
            control(QString::fromLatin1(row->name))
                .setAccessibleDescription(QStringLiteral("Outside the panel's visible area"));
    const auto first =
        std::ranges::find_if(order, [](const ControlData* row) { return seenAtDesignSize(*row); });
    if (first != order.end())
        control(QString::fromLatin1((*first)->name)).setFocus();
}

QWidget& ControlPanel::control(const QString& name) const {
    QWidget* widget = controls_.value(name);
    if (!widget)
        throw std::logic_error("no control " + name.toStdString() + " on the panel");
    return *widget;
}

QAbstractButton& ControlPanel::button(const QString& name) const {
    return narrowed<QAbstractButton>(control(name));
}

QLineEdit& ControlPanel::field(const QString& name) const {
    return narrowed<QLineEdit>(control(name));
}

QString ControlPanel::fieldText(const QString& name) const {
    return field(name).text();
}

void ControlPanel::setFieldText(const QString& name, const QString& text) {
    field(name).setText(text);
}

void ControlPanel::cmdhex_Click(sim::WindowSize main, sim::Canvas& f1, sim::RandomSource& random,
                                const sim::Progress& progress) const {
    const sim::RingFields fields = sim::ringFieldsFrom(
        [this](const char* name) { return fieldText(QString::fromLatin1(name)).toStdString(); });
    const BusyCursor busy;
    sim::DrawSettings settings;
    settings.threads = sim::everyProcessor();
    settings.progress = progress;
    sim::cmdhex_Click(fields, main, f1, random, settings);
}

void ControlPanel::cmdclear_Click(sim::Canvas& f1) {
    f1.cls();
}

} // namespace vorlane::panel
