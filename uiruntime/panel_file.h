// panel_file.h - a panel file's panels and controls as plain data.
//
// A panel file (for the configurator "KX418.uir") is text: one record per
// line, a panel or a control with its fields (see the file's own header).
// This code reads it into the structures below and checks it; building
// widgets from it belongs to a toolkit's runtime, so any toolkit can build
// the same window from one panel file.
#ifndef KX418_UIRUNTIME_PANEL_FILE_H
#define KX418_UIRUNTIME_PANEL_FILE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class UiControlKind { Tab, Numeric, Indicator, Command, Toggle, Text, Decoration };
enum class UiValueType { None, Double, Int32, UInt8, UInt32 };

struct UiRect {
    int top = 0;
    int left = 0;
    int width = 0;
    int height = 0;
};

struct UiControlEntry {
    int number = 0;        // control number within its panel, from 2
    std::string constant;  // e.g. "NUMERIC_T1_F1"
    UiControlKind kind = UiControlKind::Text;
    UiValueType value_type = UiValueType::None;
    UiRect rect;
    std::string text;   // button text, fixed text
    std::string label;  // a numeric's or toggle's label, placed apart
    int label_top = 0;
    int label_left = 0;
    std::string on_text;  // toggle texts
    std::string off_text;
    std::string callback;  // program function's name, empty for none
    double default_value = 0.0;
    bool has_limits = false;
    double minimum = 0.0;
    double maximum = 0.0;
    double increment = 0.0;
    int precision = 0;                      // decimals shown
    int font_size = 0;                      // pixels; 0 for the standard dialog font
    std::uint32_t field_colour = 0xFFFFFF;  // RGB of a numeric's value field
};

struct UiPanelEntry {
    std::string constant;  // e.g. "PANEL", "TAB_FN1"
    int number = 0;        // panel number within the file
    std::string title;
    std::string callback;
    int width = 0;  // client area
    int height = 0;
    std::uint32_t colour = 0xECE9D8;
    // A tab page names the panel and tab control holding it, its index in
    // the tab control and its tab label; top and left place it within the
    // holding panel.
    std::string page_of_panel;
    std::string page_of_control;
    int page_index = -1;
    std::string tab_label;
    int top = 0;
    int left = 0;
    std::vector<UiControlEntry> controls;  // in control order

    bool is_page() const { return !page_of_panel.empty(); }
};

struct UiPanelFile {
    std::vector<UiPanelEntry> panels;  // in file order
};

// Reads a panel file. Returns false and says why in `error` (with the line
// number) when the text is not a well-formed panel file: unknown record or
// field, a malformed number, control numbers out of order, a page whose
// panel or tab control is not described before it; or when a runtime could
// not build it: a tab control without pages or with pages that do not fit
// inside it or differ in place or size, an integer numeric whose limits
// its value type (or a 32-bit signed number) does not hold, an indicator of
// another type than uint32. A file that reads is built alike by every
// runtime.
bool ParsePanelFile(std::string_view text, UiPanelFile& file, std::string& error);

// The panel of the given number, or null.
const UiPanelEntry* FindPanel(const UiPanelFile& file, int number);

// The pages held by one tab control of a panel, ordered by page index.
std::vector<const UiPanelEntry*> PagesOf(const UiPanelFile& file, const std::string& panel,
                                         const std::string& tab);

// Whether a control of this kind takes input. Texts and decorations only
// draw: wherever one lies in the control order, input at a point it covers
// goes to the control beneath or beside it, never to the text or the frame.
// Every runtime keeps this rule, and draws decorations beneath the other
// controls of their panel.
constexpr bool TakesInput(UiControlKind kind)
{
    return kind != UiControlKind::Text && kind != UiControlKind::Decoration;
}

// The name a panel file travels under inside the program: its file name in
// upper case (resource names ignore case), of resource type UIRFILETYPE.
inline constexpr const char UiPanelFileResourceType[] = "UIRFILETYPE";
std::string PanelFileResourceName(const char* file_name);

// "64-bit floating point" and the like, for reports of a wrong value type.
const char* ValueTypeName(UiValueType type);

#endif
