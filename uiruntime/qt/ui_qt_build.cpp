// ui_qt_build.cpp - Qt widgets built from the panel file's entries.
//
// Every widget sits at the place and size its entry gives, relative
// to its panel's client area; nothing is laid out by Qt. Widgets are parented
// to their panel's widget, which owns them.
#include "ui_qt_state.h"
#include "../ui_layout.h"

#include <QColor>
#include <QDoubleSpinBox>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPalette>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>


namespace {

QColor Rgb(std::uint32_t rgb)
{
    const UiRgb parts = RgbOf(rgb);
    return QColor(parts.red, parts.green, parts.blue);
}

void Place(QWidget* widget, const UiRect& r)
{
    widget->setGeometry(r.left, r.top, r.width, r.height);
}

void FillWith(QWidget* widget, QPalette::ColorRole role, std::uint32_t rgb)
{
    QPalette palette = widget->palette();
    palette.setColor(role, Rgb(rgb));
    widget->setPalette(palette);
}

void SetPixelSize(QWidget* widget, int pixels)
{
    if (pixels <= 0) return;
    QFont font = widget->font();
    font.setPixelSize(pixels);
    widget->setFont(font);
}

// The face narrowed (stretched) until the text fits its room.
void NarrowToFit(QWidget* widget, const QString& text, int width)
{
    QFont font = widget->font();
    font.setStretch(NarrowingToFit([&](int stretch) {
        font.setStretch(stretch);
        return QFontMetrics(font).horizontalAdvance(text) <= width;
    }));
    widget->setFont(font);
}

void NarrowToFit(QLabel* label, int width)
{
    NarrowToFit(label, label->text(), width);
}

// A widget that only draws lets every mouse event through to the widget
// beneath it, as if it were not there, and never takes the keyboard.
void DrawOnly(QWidget* widget)
{
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    widget->setFocusPolicy(Qt::NoFocus);
}

QLabel* NewLabel(const UiControlEntry& c, QWidget* parent)
{
    auto* label = new QLabel(QString::fromStdString(c.label), parent);
    label->setObjectName(QString::fromStdString(c.constant + "_LABEL"));
    label->move(c.label_left, c.label_top);
    if (LabelLeftOfControl(c)) NarrowToFit(label, LabelRoom(c));
    label->adjustSize();
    DrawOnly(label);
    return label;
}

// The spin box's arrows at the left of its field. Qt's spin boxes put their
// arrows on the side where a right-to-left text would end, so the box is
// laid out right to left while its field keeps left-to-right editing.
void ArrowsAtLeft(QAbstractSpinBox* box)
{
    box->setLayoutDirection(Qt::RightToLeft);
    if (auto* field = box->findChild<QLineEdit*>()) field->setLayoutDirection(Qt::LeftToRight);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

// A spin box that keeps the numerics' field rules: a number above the
// upper limit, typed or pasted, becomes the limit at once; a number left in
// the field below the lower limit becomes that limit when it is taken
// (Enter, leaving the field). Anything else is the spin box's own rule.
template <class Box>
class NumericBox final : public Box {
public:
    NumericBox(const UiControlEntry& entry, QWidget* parent) : Box(parent), entry_(entry) {}

    QValidator::State validate(QString& input, int& pos) const override
    {
        double number = 0.0;
        if (ReadNumericText(entry_, input.toStdString(), number) == UiTextState::Value &&
            number > entry_.maximum) {
            input = QString::fromStdString(FormatNumeric(entry_, entry_.maximum));
            pos = static_cast<int>(input.size());
            return QValidator::Acceptable;
        }
        return Box::validate(input, pos);
    }

    void fixup(QString& input) const override
    {
        double number = 0.0;
        if (ReadNumericText(entry_, input.toStdString(), number) == UiTextState::Value)
            input = QString::fromStdString(FormatNumeric(entry_, HeldValue(entry_, number)));
        else
            Box::fixup(input);
    }

private:
    const UiControlEntry& entry_;
};

// The file's check has seen limits that its value type and a spin box hold.
QWidget* NewNumeric(const UiControlEntry& c, QWidget* parent)
{
    QAbstractSpinBox* box = nullptr;
    if (c.value_type == UiValueType::Double) {
        auto* spin = new NumericBox<QDoubleSpinBox>(c, parent);
        spin->setDecimals(c.precision);
        spin->setRange(c.minimum, c.maximum);
        spin->setSingleStep(c.increment);
        spin->setValue(c.default_value);
        box = spin;
    } else {
        auto* spin = new NumericBox<QSpinBox>(c, parent);
        spin->setRange(static_cast<int>(c.minimum), static_cast<int>(c.maximum));
        spin->setSingleStep(static_cast<int>(c.increment));
        spin->setValue(static_cast<int>(c.default_value));
        box = spin;
    }
    // Numbers read the same on every system: "0.1", never "0,1".
    QLocale c_locale = QLocale::c();
    c_locale.setNumberOptions(QLocale::OmitGroupSeparator);
    box->setLocale(c_locale);
    ArrowsAtLeft(box);
    FillWith(box, QPalette::Base, c.field_colour);
    return box;
}

// The result: read, selected and copied, never edited; the keyboard stops
// at it so it can be read there.
QWidget* NewIndicator(const UiControlEntry& c, QWidget* parent)
{
    auto* field =
        new QLineEdit(QString::number(static_cast<std::uint32_t>(c.default_value)), parent);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::StrongFocus);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FillWith(field, QPalette::Base, c.field_colour);
    return field;
}

// A tab control: the strip of tabs above, and below it a frame holding the
// stack of pages, placed where the file's pages say (relative to the
// holding panel, as the pages' own top and left are).
QWidget* NewTab(UiControl& control, const UiPanel& panel)
{
    const UiControlEntry& c = *control.entry;
    // The file's check has seen pages there, alike and inside the control.
    const UiPanelEntry& first = *PagesOf(*panel.file, panel.entry->constant, c.constant).front();
    const int page_top = first.top - c.rect.top;
    const int page_left = first.left - c.rect.left;

    auto* holder = new QWidget(PanelWidget(panel));
    auto* frame = new QFrame(holder);
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    frame->setGeometry(0, page_top - 1, c.rect.width, c.rect.height - page_top + 1);
    DrawOnly(frame);
    auto* bar = new QTabBar(holder);
    bar->setObjectName(QString::fromStdString(c.constant + "_TABS"));
    bar->setDrawBase(false);
    bar->setExpanding(false);
    bar->setGeometry(0, 0, c.rect.width, page_top);
    auto* stack = new QStackedWidget(holder);
    stack->setGeometry(page_left, page_top, first.width, first.height);
    QObject::connect(bar, &QTabBar::currentChanged, stack, &QStackedWidget::setCurrentIndex);
    control.toolkit->tab_bar = bar;
    control.toolkit->pages = stack;
    return holder;
}

// A command button that Enter presses as Space does, as buttons of native
// dialogs are pressed: one click per key press, none for the key's
// repeats.
class CommandButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
            QPushButton::keyPressEvent(event);
            return;
        }
        event->accept();
        if (!event->isAutoRepeat()) click();
    }
};

QWidget* NewCommand(const UiPanel& panel, const UiControlEntry& c)
{
    auto* button = new CommandButton(QString::fromStdString(c.text), PanelWidget(panel));
    button->setAutoDefault(false);
    NarrowToFit(button, button->text(), c.rect.width - 12);  // room inside the button's frame
    QObject::connect(button, &QPushButton::clicked, [handle = panel.handle, number = c.number] {
        UiDeliverCommit(handle, number);
    });
    return button;
}

QWidget* NewToggle(const UiControlEntry& c, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromStdString(c.off_text), parent);
    button->setCheckable(true);
    button->setAutoDefault(false);
    button->setChecked(c.default_value != 0.0);
    const QString on = QString::fromStdString(c.on_text), off = QString::fromStdString(c.off_text);
    QObject::connect(button, &QPushButton::toggled,
                     [button, on, off](bool checked) { button->setText(checked ? on : off); });
    button->setText(button->isChecked() ? on : off);
    return button;
}

QWidget* NewText(const UiControlEntry& c, QWidget* parent)
{
    auto* text = new QLabel(QString::fromStdString(c.text), parent);
    // Texts lie on the panel's colour, so one laid across a frame's edge
    // (a caption) hides the edge behind it.
    text->setAutoFillBackground(true);
    text->setAlignment(CentredText(c) ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter));
    SetPixelSize(text, c.font_size);
    NarrowToFit(text, c.rect.width);
    return text;
}

QWidget* NewDecoration(QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    return frame;
}

}  // namespace

QWidget* NewPanelWidget(const UiPanelEntry& entry, QWidget* parent)
{
    auto* widget = new QWidget(parent);
    widget->setObjectName(QString::fromStdString(entry.constant));
    widget->setAutoFillBackground(true);
    FillWith(widget, QPalette::Window, entry.colour);
    if (parent == nullptr) {
        widget->setWindowTitle(QString::fromStdString(entry.title));
        widget->setFixedSize(entry.width, entry.height);
        widget->move(16, 16);  // near the upper-left corner of the screen
    } else {
        widget->resize(entry.width, entry.height);
    }
    return widget;
}

bool UiToolkit_BuildControls(UiPanel& /*top*/, UiPanel& panel, std::string& /*error*/)
{
    QWidget* const parent = PanelWidget(panel);
    for (UiControl& control : panel.controls) {
        const UiControlEntry& c = *control.entry;
        control.toolkit = std::make_shared<UiToolkitControl>();
        UiToolkitControl& part = *control.toolkit;
        QWidget* widget = nullptr;
        switch (c.kind) {
        case UiControlKind::Tab: widget = NewTab(control, panel); break;
        case UiControlKind::Numeric: widget = NewNumeric(c, parent); break;
        case UiControlKind::Indicator: widget = NewIndicator(c, parent); break;
        case UiControlKind::Command: widget = NewCommand(panel, c); break;
        case UiControlKind::Toggle: widget = NewToggle(c, parent); break;
        case UiControlKind::Text: widget = NewText(c, parent); break;
        case UiControlKind::Decoration: widget = NewDecoration(parent); break;
        }
        widget->setObjectName(QString::fromStdString(c.constant));
        Place(widget, c.rect);
        // Texts and frames take no input wherever they lie in the control
        // order; a frame is drawn beneath the controls it surrounds.
        if (!TakesInput(c.kind)) DrawOnly(widget);
        if (c.kind == UiControlKind::Decoration) widget->lower();
        part.widget = widget;
        part.indicator_value =
            c.kind == UiControlKind::Indicator ? static_cast<std::uint32_t>(c.default_value) : 0;
        if (!c.label.empty()) part.label = NewLabel(c, parent);
        // What a screen reader says for it; a label also names the control
        // it stands beside.
        widget->setAccessibleName(QString::fromStdString(AccessibleName(*panel.entry, c)));
        if (auto* label = qobject_cast<QLabel*>(part.label)) label->setBuddy(widget);
    }
    return true;
}
