// ui_access.cpp - names, tab order and page keys from the panel data.
#include "ui_access.h"

#include <algorithm>

namespace {

using Kind = UiControlKind;

int Bottom(const UiRect& r)
{
    return r.top + r.height;
}

bool SameRow(const UiRect& a, const UiRect& b)
{
    return a.top < Bottom(b) && b.top < Bottom(a);
}

// A text of the standard dialog font: a caption, a channel text. Headings
// and the "=" are drawn larger and name nothing beside them.
bool IsCaption(const UiControlEntry& c)
{
    return c.kind == Kind::Text && c.font_size == 0 && !c.text.empty();
}

bool IsHeading(const UiControlEntry& c)
{
    return c.kind == Kind::Text && c.font_size > 0 && c.font_size < 30 && !c.text.empty();
}

bool Within(const UiRect& inner, const UiRect& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top &&
           inner.left + inner.width <= outer.left + outer.width && Bottom(inner) <= Bottom(outer);
}

// The frame of `panel` that holds `c`, or null.
const UiControlEntry* FrameOf(const UiPanelEntry& panel, const UiControlEntry& c)
{
    for (const UiControlEntry& frame : panel.controls)
        if (frame.kind == Kind::Decoration && &frame != &c && Within(c.rect, frame.rect))
            return &frame;
    return nullptr;
}

// The caption lying across a frame's top edge.
std::string FrameTitle(const UiPanelEntry& panel, const UiControlEntry& frame)
{
    for (const UiControlEntry& c : panel.controls) {
        if (!IsCaption(c)) continue;
        const bool across_top = c.rect.top < frame.rect.top && Bottom(c.rect) > frame.rect.top;
        const bool inside_width = c.rect.left >= frame.rect.left &&
                                  c.rect.left + c.rect.width <= frame.rect.left + frame.rect.width;
        if (across_top && inside_width) return c.text;
    }
    return {};
}

// Where a control's name starts: its label's left edge, or its own.
int NameLeft(const UiControlEntry& c)
{
    return c.label.empty() ? c.rect.left : std::min(c.label_left, c.rect.left);
}

// The caption at the start of a control's row, left of the control and its
// label, with no control that takes input between them: "Kanal 1".
std::string RowCaption(const UiPanelEntry& panel, const UiControlEntry& c)
{
    const UiControlEntry* leading = nullptr;
    for (const UiControlEntry& other : panel.controls) {
        if (!IsCaption(other) || !SameRow(other.rect, c.rect)) continue;
        if (other.rect.left + other.rect.width > NameLeft(c)) continue;
        if (leading == nullptr || other.rect.left < leading->rect.left) leading = &other;
    }
    return leading != nullptr ? leading->text : std::string();
}

// The nearest heading above a control.
std::string HeadingAbove(const UiPanelEntry& panel, const UiControlEntry& c)
{
    const UiControlEntry* nearest = nullptr;
    for (const UiControlEntry& other : panel.controls) {
        if (!IsHeading(other) || Bottom(other.rect) > c.rect.top) continue;
        if (nearest == nullptr || other.rect.top > nearest->rect.top) nearest = &other;
    }
    return nearest != nullptr ? nearest->text : std::string();
}

std::string Joined(const std::string& context, const std::string& name)
{
    if (context.empty()) return name;
    if (name.empty()) return context;
    return context + ", " + name;
}

// Reading order: rows top to bottom (controls whose heights overlap the
// row's first share its row), left to right within a row.
void SortInReadingOrder(std::vector<const UiControlEntry*>& controls)
{
    std::stable_sort(controls.begin(), controls.end(),
                     [](auto* a, auto* b) { return a->rect.top < b->rect.top; });
    std::vector<int> row(controls.size());
    for (std::size_t i = 0, first = 0; i < controls.size(); ++i) {
        if (!SameRow(controls[first]->rect, controls[i]->rect)) first = i;
        row[i] = static_cast<int>(first);
    }
    std::vector<std::size_t> index(controls.size());
    for (std::size_t i = 0; i < index.size(); ++i) index[i] = i;
    std::stable_sort(index.begin(), index.end(), [&](std::size_t a, std::size_t b) {
        if (row[a] != row[b]) return row[a] < row[b];
        return controls[a]->rect.left < controls[b]->rect.left;
    });
    std::vector<const UiControlEntry*> sorted;
    for (std::size_t i : index) sorted.push_back(controls[i]);
    controls = std::move(sorted);
}

// The focus order of the controls held by `frame` (null: the panel's own,
// outside every frame), as described at TabOrder.
void AppendInOrder(const UiPanelEntry& panel, const UiControlEntry* frame, std::vector<int>& order)
{
    std::vector<const UiControlEntry*> values, buttons, indicators;
    for (const UiControlEntry& c : panel.controls) {
        if (&c == frame) continue;
        const UiControlEntry* holder = FrameOf(panel, c);
        if (holder != frame) continue;
        if (c.kind == Kind::Decoration && frame == nullptr)
            values.push_back(&c);
        else if (c.kind == Kind::Command)
            buttons.push_back(&c);
        else if (c.kind == Kind::Indicator)
            indicators.push_back(&c);
        else if (TakesFocus(c.kind))
            values.push_back(&c);
    }
    SortInReadingOrder(values);
    SortInReadingOrder(buttons);
    SortInReadingOrder(indicators);
    for (const UiControlEntry* c : values) {
        if (c->kind == Kind::Decoration)
            AppendInOrder(panel, c, order);
        else
            order.push_back(c->number);
    }
    for (const UiControlEntry* c : buttons) order.push_back(c->number);
    for (const UiControlEntry* c : indicators) order.push_back(c->number);
}

}  // namespace

std::string AccessibleName(const UiPanelEntry& panel, const UiControlEntry& control)
{
    switch (control.kind) {
    case Kind::Command: return control.text;
    case Kind::Text: return control.text;
    case Kind::Decoration: return FrameTitle(panel, control);
    case Kind::Tab: return {};
    case Kind::Numeric:
    case Kind::Toggle:
    case Kind::Indicator: break;
    }
    if (control.label.empty()) return HeadingAbove(panel, control);
    std::string context = RowCaption(panel, control);
    if (control.kind == Kind::Indicator && context.empty()) {
        if (const UiControlEntry* frame = FrameOf(panel, control))
            context = FrameTitle(panel, *frame);
    }
    return Joined(context, control.label);
}

std::string AccessibleName(const UiPanelEntry& panel)
{
    return panel.is_page() ? panel.tab_label : panel.title;
}

std::vector<int> TabOrder(const UiPanelEntry& panel)
{
    std::vector<int> order;
    AppendInOrder(panel, nullptr, order);
    return order;
}

int PageStep(UiKey key, UiKeyModifiers modifiers)
{
    if (!modifiers.control) return 0;
    switch (key) {
    case UiKey::Tab: return modifiers.shift ? -1 : 1;
    case UiKey::PageDown: return 1;
    case UiKey::PageUp: return -1;
    case UiKey::Other: return 0;
    }
    return 0;
}

int SteppedPage(int current, int count, int step)
{
    if (count <= 0) return current;
    return ((current + step) % count + count) % count;
}
