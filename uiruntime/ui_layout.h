// ui_layout.h - the panel's layout rules, alike in every toolkit: where a
// label keeps clear of its control, which texts are centred, how far a
// face is narrowed to fit, and a colour's parts.
#ifndef KX418_UIRUNTIME_UI_LAYOUT_H
#define KX418_UIRUNTIME_UI_LAYOUT_H

#include "panel_file.h"

#include <cstdint>

// A label left of its control, on the control's row, keeps clear of it: it
// is narrowed to the room between its left edge and the control's, less a
// gap of 2 pixels.
constexpr bool LabelLeftOfControl(const UiControlEntry& c)
{
    return c.label_left < c.rect.left && c.label_top >= c.rect.top - c.rect.height &&
           c.label_top < c.rect.top + c.rect.height;
}
constexpr int LabelRoom(const UiControlEntry& c)
{
    return c.rect.left - c.label_left - 2;
}

// Texts of 30 pixels and more (the headings) are centred in their place;
// smaller ones lie at its left, centred in its height.
constexpr bool CentredText(const UiControlEntry& c)
{
    return c.font_size >= 30;
}

// A text keeps the height of its font; when it is wider than its room in
// this system's face, the face is narrowed in steps of 2 % until the text
// fits, to 60 % at most. `fits(percent)` says whether the text fits in the
// face narrowed to that width; the result is the width to use.
template <class Fits>
int NarrowingToFit(Fits fits)
{
    int percent = 100;
    while (percent > 60 && !fits(percent)) percent -= 2;
    return percent;
}

// The red, green and blue of a panel file's RRGGBB colour.
struct UiRgb {
    int red;
    int green;
    int blue;
};
constexpr UiRgb RgbOf(std::uint32_t rgb)
{
    return {static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
            static_cast<int>(rgb & 0xFF)};
}

#endif
