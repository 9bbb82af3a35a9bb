// panel_file.cpp - reads a panel file into plain data.
#include "panel_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <optional>

namespace {

// Splits one line into words; a word may hold quoted text ("...") with
// spaces in it: label="Zeit, Sek" is one word, its quotes removed.
bool SplitWords(std::string_view line, std::vector<std::string>& words, std::string& error)
{
    words.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        std::string word;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            if (line[i] == '"') {
                const std::size_t close = line.find('"', i + 1);
                if (close == std::string_view::npos) {
                    error = "unterminated quoted text";
                    return false;
                }
                word.append(line.substr(i + 1, close - i - 1));
                i = close + 1;
            } else {
                word.push_back(line[i++]);
            }
        }
        words.push_back(std::move(word));
    }
    return true;
}

std::optional<int> ToInt(std::string_view s)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<double> ToDouble(std::string_view s)
{
    double value = 0.0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<std::uint32_t> ToColour(std::string_view s)
{
    std::uint32_t value = 0;
    if (s.size() != 6) return std::nullopt;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 16);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<UiControlKind> ToKind(std::string_view s)
{
    static const std::map<std::string_view, UiControlKind> kinds = {
        {"tab", UiControlKind::Tab},
        {"numeric", UiControlKind::Numeric},
        {"indicator", UiControlKind::Indicator},
        {"command", UiControlKind::Command},
        {"toggle", UiControlKind::Toggle},
        {"text", UiControlKind::Text},
        {"decoration", UiControlKind::Decoration},
    };
    const auto it = kinds.find(s);
    if (it == kinds.end()) return std::nullopt;
    return it->second;
}

std::optional<UiValueType> ToValueType(std::string_view s)
{
    if (s == "double") return UiValueType::Double;
    if (s == "int32") return UiValueType::Int32;
    if (s == "uint8") return UiValueType::UInt8;
    if (s == "uint32") return UiValueType::UInt32;
    return std::nullopt;
}

// The fields after a record's leading words, as name -> value.
bool ReadFields(const std::vector<std::string>& words, std::size_t first,
                std::map<std::string, std::string>& fields, std::string& error)
{
    for (std::size_t i = first; i < words.size(); ++i) {
        const std::size_t eq = words[i].find('=');
        if (eq == std::string::npos || eq == 0) {
            error = "field without a value: " + words[i];
            return false;
        }
        const std::string name = words[i].substr(0, eq);
        if (!fields.emplace(name, words[i].substr(eq + 1)).second) {
            error = "field given twice: " + name;
            return false;
        }
    }
    return true;
}

// Takes fields out of the map one by one, so that what is left over at the
// end is a field nobody knows.
class FieldReader {
public:
    FieldReader(std::map<std::string, std::string>& fields, std::string& error)
        : fields_(fields), error_(error)
    {}

    bool Text(const char* name, std::string& out)
    {
        const auto it = fields_.find(name);
        if (it == fields_.end()) return true;
        out = it->second;
        fields_.erase(it);
        return true;
    }
    bool Int(const char* name, int& out) { return Convert(name, out, ToInt, "a whole number"); }
    bool Double(const char* name, double& out) { return Convert(name, out, ToDouble, "a number"); }
    bool Colour(const char* name, std::uint32_t& out)
    {
        return Convert(name, out, ToColour, "an RRGGBB colour");
    }
    bool Has(const char* name) const { return fields_.count(name) != 0; }
    bool NothingLeft()
    {
        if (fields_.empty()) return true;
        error_ = "unknown field: " + fields_.begin()->first;
        return false;
    }

private:
    template <typename T, typename F>
    bool Convert(const char* name, T& out, F convert, const char* what)
    {
        const auto it = fields_.find(name);
        if (it == fields_.end()) return true;
        const auto value = convert(it->second);
        if (!value) {
            error_ = std::string(name) + " is not " + what + ": " + it->second;
            return false;
        }
        out = *value;
        fields_.erase(it);
        return true;
    }

    std::map<std::string, std::string>& fields_;
    std::string& error_;
};

bool ReadRect(FieldReader& r, UiRect& rect)
{
    return r.Int("top", rect.top) && r.Int("left", rect.left) && r.Int("width", rect.width) &&
           r.Int("height", rect.height);
}

bool ParsePanel(const std::vector<std::string>& words, UiPanelFile& file, std::string& error)
{
    if (words.size() < 3) {
        error = "a panel needs a constant and a number";
        return false;
    }
    UiPanelEntry panel;
    panel.constant = words[1];
    const auto number = ToInt(words[2]);
    if (!number || *number < 1) {
        error = "panel number is not a whole number from 1: " + words[2];
        return false;
    }
    panel.number = *number;
    for (const auto& other : file.panels) {
        if (other.number == panel.number || other.constant == panel.constant) {
            error = "panel described twice: " + panel.constant;
            return false;
        }
    }
    std::map<std::string, std::string> fields;
    if (!ReadFields(words, 3, fields, error)) return false;
    FieldReader r(fields, error);
    std::string page_of;
    if (!(r.Text("title", panel.title) && r.Text("callback", panel.callback) &&
          r.Int("width", panel.width) && r.Int("height", panel.height) &&
          r.Colour("colour", panel.colour) && r.Text("page_of", page_of) &&
          r.Int("index", panel.page_index) && r.Text("label", panel.tab_label) &&
          r.Int("top", panel.top) && r.Int("left", panel.left) && r.NothingLeft()))
        return false;
    if (panel.width <= 0 || panel.height <= 0) {
        error = "panel without a size: " + panel.constant;
        return false;
    }
    if (!page_of.empty()) {
        const std::size_t dot = page_of.find('.');
        if (dot == std::string::npos) {
            error = "page_of is not PANEL.CONTROL: " + page_of;
            return false;
        }
        panel.page_of_panel = page_of.substr(0, dot);
        panel.page_of_control = page_of.substr(dot + 1);
        const auto holder =
            std::find_if(file.panels.begin(), file.panels.end(),
                         [&](const UiPanelEntry& p) { return p.constant == panel.page_of_panel; });
        if (holder == file.panels.end()) {
            error = "page of a panel not described before it: " + page_of;
            return false;
        }
        const auto tab = std::find_if(
            holder->controls.begin(), holder->controls.end(), [&](const UiControlEntry& c) {
                return c.constant == panel.page_of_control && c.kind == UiControlKind::Tab;
            });
        if (tab == holder->controls.end()) {
            error = "page of a tab control not described before it: " + page_of;
            return false;
        }
        if (panel.page_index < 0) {
            error = "page without an index: " + panel.constant;
            return false;
        }
    }
    file.panels.push_back(std::move(panel));
    return true;
}

bool ParseControl(const std::vector<std::string>& words, UiPanelFile& file, std::string& error)
{
    if (file.panels.empty()) {
        error = "a control before any panel";
        return false;
    }
    if (words.size() < 4) {
        error = "a control needs a number, a constant and a kind";
        return false;
    }
    UiPanelEntry& panel = file.panels.back();
    UiControlEntry control;
    const auto number = ToInt(words[1]);
    const int expected = static_cast<int>(panel.controls.size()) + 2;
    if (!number || *number != expected) {
        error = "control number " + words[1] + " where " + std::to_string(expected) +
                " comes next in control order";
        return false;
    }
    control.number = *number;
    control.constant = words[2];
    for (const auto& other : panel.controls) {
        if (other.constant == control.constant) {
            error = "control constant used twice in " + panel.constant + ": " + control.constant;
            return false;
        }
    }
    const auto kind = ToKind(words[3]);
    if (!kind) {
        error = "unknown control kind: " + words[3];
        return false;
    }
    control.kind = *kind;
    std::map<std::string, std::string> fields;
    if (!ReadFields(words, 4, fields, error)) return false;
    FieldReader r(fields, error);
    std::string type;
    if (!(ReadRect(r, control.rect) && r.Text("text", control.text) &&
          r.Text("label", control.label) && r.Int("label_top", control.label_top) &&
          r.Int("label_left", control.label_left) && r.Text("on_text", control.on_text) &&
          r.Text("off_text", control.off_text) && r.Text("callback", control.callback) &&
          r.Text("type", type) && r.Double("default", control.default_value) &&
          r.Int("precision", control.precision) && r.Int("font_size", control.font_size) &&
          r.Colour("field_colour", control.field_colour)))
        return false;
    control.has_limits = r.Has("min") || r.Has("max");
    if (!(r.Double("min", control.minimum) && r.Double("max", control.maximum) &&
          r.Double("step", control.increment) && r.NothingLeft()))
        return false;

    // Every kind has one value type; numerics and indicators name theirs.
    switch (control.kind) {
    case UiControlKind::Numeric:
    case UiControlKind::Indicator: {
        const auto value_type = ToValueType(type);
        if (!value_type) {
            error = control.constant + ": a numeric needs type=double, int32, uint8 or uint32";
            return false;
        }
        control.value_type = *value_type;
        if (control.kind == UiControlKind::Numeric &&
            (!control.has_limits || control.minimum > control.maximum ||
             control.default_value < control.minimum || control.default_value > control.maximum ||
             control.increment <= 0.0)) {
            error = control.constant + ": a numeric needs min <= default <= max and step > 0";
            return false;
        }
        break;
    }
    case UiControlKind::Tab:
    case UiControlKind::Command:
    case UiControlKind::Toggle:
        if (!type.empty() && type != "int32") {
            error = control.constant + ": this kind holds an int32 value";
            return false;
        }
        control.value_type = UiValueType::Int32;
        break;
    case UiControlKind::Text:
    case UiControlKind::Decoration:
        if (!type.empty()) {
            error = control.constant + ": this kind holds no value";
            return false;
        }
        control.value_type = UiValueType::None;
        break;
    }
    if (control.rect.width <= 0 || control.rect.height <= 0) {
        error = control.constant + ": a control needs a width and a height";
        return false;
    }
    panel.controls.push_back(std::move(control));
    return true;
}

// Whatever a runtime needs of the file beyond each record's own fields,
// checked once for the whole file before any toolkit builds from it: every
// tab control has pages, all of one place and size, lying inside it below
// its tabs; an integer numeric's limits lie within its value type and
// within what a 32-bit signed number holds; an indicator holds an unsigned
// 32-bit value.
bool CheckWholeFile(const UiPanelFile& file, std::string& error)
{
    constexpr double kInt32Low = -2147483648.0, kInt32High = 2147483647.0;
    for (const UiPanelEntry& panel : file.panels) {
        for (const UiControlEntry& c : panel.controls) {
            switch (c.kind) {
            case UiControlKind::Tab: {
                const auto pages = PagesOf(file, panel.constant, c.constant);
                if (pages.empty()) {
                    error = c.constant + ": a tab control without pages";
                    return false;
                }
                const UiPanelEntry& first = *pages.front();
                const int page_top = first.top - c.rect.top;
                const int page_left = first.left - c.rect.left;
                if (page_top <= 0 || page_left < 0 || page_left + first.width > c.rect.width ||
                    page_top + first.height > c.rect.height) {
                    error = c.constant + ": its pages do not fit inside it";
                    return false;
                }
                for (const UiPanelEntry* page : pages) {
                    if (page->top != first.top || page->left != first.left ||
                        page->width != first.width || page->height != first.height) {
                        error = c.constant + ": its pages differ in place or size";
                        return false;
                    }
                }
                break;
            }
            case UiControlKind::Numeric: {
                if (c.value_type == UiValueType::Double) break;
                const double low = c.value_type == UiValueType::Int32 ? kInt32Low : 0.0;
                const double high = c.value_type == UiValueType::UInt8 ? 255.0 : kInt32High;
                if (c.minimum < low || c.maximum > high) {
                    error = c.constant + ": limits outside what its value type holds";
                    return false;
                }
                break;
            }
            case UiControlKind::Indicator:
                if (c.value_type != UiValueType::UInt32) {
                    error = c.constant + ": an indicator holds an unsigned 32-bit value";
                    return false;
                }
                break;
            default: break;
            }
        }
    }
    return true;
}

}  // namespace

bool ParsePanelFile(std::string_view text, UiPanelFile& file, std::string& error)
{
    file = UiPanelFile{};
    std::vector<std::string> words;
    int line_number = 0;
    while (!text.empty()) {
        ++line_number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        std::string why;
        if (!SplitWords(line, words, why)) {
            error = "line " + std::to_string(line_number) + ": " + why;
            return false;
        }
        if (words.empty() || words[0].front() == '#') continue;
        bool ok = false;
        if (words[0] == "panel") {
            ok = ParsePanel(words, file, why);
        } else if (words[0] == "control") {
            ok = ParseControl(words, file, why);
        } else {
            why = "unknown record: " + words[0];
        }
        if (!ok) {
            error = "line " + std::to_string(line_number) + ": " + why;
            return false;
        }
    }
    if (file.panels.empty()) {
        error = "no panel described";
        return false;
    }
    return CheckWholeFile(file, error);
}

const UiPanelEntry* FindPanel(const UiPanelFile& file, int number)
{
    for (const auto& panel : file.panels)
        if (panel.number == number) return &panel;
    return nullptr;
}

std::vector<const UiPanelEntry*> PagesOf(const UiPanelFile& file, const std::string& panel,
                                         const std::string& tab)
{
    std::vector<const UiPanelEntry*> pages;
    for (const auto& p : file.panels)
        if (p.page_of_panel == panel && p.page_of_control == tab) pages.push_back(&p);
    std::sort(pages.begin(), pages.end(), [](const UiPanelEntry* a, const UiPanelEntry* b) {
        return a->page_index < b->page_index;
    });
    return pages;
}

const char* ValueTypeName(UiValueType type)
{
    switch (type) {
    case UiValueType::Double: return "a 64-bit floating-point value";
    case UiValueType::Int32: return "a 32-bit integer";
    case UiValueType::UInt8: return "an unsigned 8-bit integer";
    case UiValueType::UInt32: return "an unsigned 32-bit integer";
    case UiValueType::None: break;
    }
    return "no value";
}

std::string PanelFileResourceName(const char* file_name)
{
    std::string name(file_name);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}
