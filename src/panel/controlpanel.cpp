#include "controlpanel.h"

#include "rectangle.h"
#include "screen/twips.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace vorlane::panel {

namespace {

enum class Kind { Rectangle, Label, TextBox, Button, TickedCheckBox };

struct Font {
    double points;
    bool bold;
};

constexpr int kNoTab = -1;

// One control of the panel. Positions and sizes are twips from the top-left
// corner of the panel's client area.
struct ControlData {
    const char* name;
    Kind kind;
    const char* text;
    float left, top, width, height;
    std::optional<QRgb> back; // fill, background or button face
    std::optional<QRgb> fore; // text or border
    std::optional<Font> font;
    int tab;
};

constexpr std::optional<QRgb> kDefault;
// The panel was designed in "MS Sans Serif", a Windows bitmap font. One
// family stands in for it, the one that scripts/install-deps installs, so that
// the panel looks the same on every machine.
constexpr const char* kFamily = "Liberation Sans";
// Also the font of the controls without their own.
constexpr Font kPlain{8.25, false};
constexpr Font kBold{8.25, true};
constexpr Font kLarge{9.75, false};
constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kPaleGrey = qRgb(224, 224, 224);
constexpr QRgb kGrey = qRgb(192, 192, 192);

// In creation order: later controls lie above earlier ones, and the
// rectangles are put beneath all of them.
// clang-format off
constexpr ControlData kControls[] = {
    // name, kind, text, left, top, width, height, back, fore, font, tab
    {"Shape1", Kind::Rectangle, "", 660, 120, 975, 4515, qRgb(207, 201, 199), qRgb(128, 128, 128), {}, kNoTab},
    {"Label1", Kind::Label, sim::ringCaption("txtsegmin"), 180, 240, 315, 315, kDefault, kRed, {}, 9},
    {"txtsegmin", Kind::TextBox, "4", 780, 240, 615, 315, kDefault, kDefault, {}, 7},
    {"Label3", Kind::Label, sim::ringCaption("txtsegmax"), 180, 600, 255, 315, kDefault, kDefault, {}, 10},
    {"txtsegmax", Kind::TextBox, "100", 780, 600, 615, 315, kDefault, kDefault, {}, 8},
    {"Label4", Kind::Label, sim::ringCaption("txtlines"), 120, 1020, 495, 315, kDefault, kRed, {}, 12},
    {"txtlines", Kind::TextBox, "750", 780, 1020, 615, 315, qRgb(255, 255, 255), qRgb(255, 128, 128), kBold, 11},
    {"Label5", Kind::Label, sim::ringCaption("txtseglength"), 120, 1440, 495, 315, kDefault, kRed, {}, 14},
    {"txtseglength", Kind::TextBox, ".02", 780, 1440, 615, 315, kPaleGrey, kDefault, {}, 13},
    {"Label7", Kind::Label, sim::ringCaption("txtscratchcol"), 120, 1860, 495, 435, kDefault, kRed, {}, 17},
    {"txtscratchcol", Kind::TextBox, "50", 780, 1920, 615, 315, kPaleGrey, kDefault, {}, 16},
    {"Label8", Kind::Label, sim::ringCaption("txtsky"), 60, 2400, 495, 375, kDefault, kDefault, {}, 18},
    {"txtsky", Kind::TextBox, "0", 780, 2400, 615, 315, kPaleGrey, kDefault, {}, 15},
    {"Label9", Kind::Label, sim::ringCaption("txtdrawwidth"), 120, 3120, 495, 315, kDefault, kDefault, {}, 20},
    {"txtdrawwidth", Kind::TextBox, "1", 780, 3120, 615, 315, kGrey, kDefault, {}, 19},
    {"Label12", Kind::Label, sim::ringCaption("txtanglim"), 120, 3840, 495, 315, kDefault, kRed, {}, 22},
    {"txtanglim", Kind::TextBox, "15", 780, 3840, 615, 315, kGrey, kDefault, {}, 21},
    {"Shape3", Kind::Rectangle, "", 120, 4680, 1695, 1215, kPaleGrey, kDefault, {}, kNoTab},
    {"cmdhex", Kind::Button, "draw rings", 360, 4800, 1215, 552, qRgb(255, 224, 192), kDefault, kLarge, 24},
    {"cmdclear", Kind::Button, "Clear", 480, 5460, 855, 315, kGrey, kDefault, {}, 23},
    {"Label10", Kind::Label, "vorlane.example.org/rings", 0, 6000, 1935, 255, kDefault, qRgb(0, 0, 255), {}, 30},
    // Outside the visible area at the panel's design size.
    {"Command2", Kind::Button, "solcheck", 2280, 8280, 1215, 255, kDefault, kDefault, {}, 0},
    {"Command3", Kind::Button, "Airy test", 3600, 8280, 1215, 255, kDefault, kDefault, {}, 1},
    {"Command4", Kind::Button, "File mono airy", 5040, 8280, 1215, 255, kDefault, kDefault, {}, 2},
    {"txtlam", Kind::TextBox, "", 6840, 8280, 975, 285, kDefault, kDefault, {}, 3},
    {"Label2", Kind::Label, "lam, nm", 7920, 8280, 615, 255, kDefault, kPaleGrey, {}, 4},
    {"lblir", Kind::Label, "IR", 6480, 8280, 375, 255, kDefault, kPaleGrey, {}, 5},
    {"Label6", Kind::Label, "Classical non convolved", 9840, 6720, 975, 495, kDefault, kPaleGrey, {}, 6},
    {"k2", Kind::TickedCheckBox, "2", 2100, 7800, 615, 255, kDefault, kDefault, {}, 25},
    {"k3", Kind::TickedCheckBox, "3", 2280, 6840, 495, 255, kDefault, kDefault, {}, 26},
    {"k4", Kind::TickedCheckBox, "4", 2280, 7080, 495, 255, kDefault, kDefault, {}, 27},
    {"k5", Kind::TickedCheckBox, "5", 2280, 7320, 495, 255, kDefault, kDefault, {}, 28},
    {"k6", Kind::TickedCheckBox, "6", 2160, 7560, 615, 255, kDefault, kDefault, {}, 29},
};
// clang-format on

constexpr float kClientWidth = 1980.0f;
constexpr float kClientHeight = 6330.0f;
constexpr QRgb kBackColor = qRgb(192, 192, 192);

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

// Focus moves through the controls that take it, in increasing tab number.
void orderTabs(const QHash<QString, QWidget*>& controls) {
    std::vector<const ControlData*> order;
    for (const ControlData& row : kControls)
        if (controls.value(QString::fromLatin1(row.name))->focusPolicy() & Qt::TabFocus)
            order.push_back(&row);
    std::ranges::sort(order, {}, &ControlData::tab);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(controls.value(QString::fromLatin1(order[i - 1]->name)),
                             controls.value(QString::fromLatin1(order[i]->name)));
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
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(kBackColor));
    setPalette(background);
    setAutoFillBackground(true);
    setFont(toQFont(kPlain));

    for (const ControlData& row : kControls)
        controls_.insert(QString::fromLatin1(row.name), buildControl(row, *this));
    orderTabs(controls_);
    // A screen reader names each field by the caption beside it.
    for (const sim::RingField& row : sim::kRingFieldsByName)
        field(QString::fromLatin1(row.name)).setAccessibleName(QString::fromLatin1(row.caption));
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
    sim::RingFields fields;
    for (const sim::RingField& field : sim::kRingFieldsByName)
        fields.*field.text = fieldText(QString::fromLatin1(field.name)).toStdString();
    const BusyCursor busy;
    sim::DrawSettings settings;
    settings.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    settings.progress = progress;
    sim::cmdhex_Click(fields, main, f1, random, settings);
}

void ControlPanel::cmdclear_Click(sim::Canvas& f1) {
    f1.cls();
}

} // namespace vorlane::panel
