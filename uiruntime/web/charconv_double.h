// charconv_double.h - std::from_chars for double and std::to_chars for
// double in the fixed format with a precision, which the C++ library of
// this emscripten (libc++ 14) lacks: given to the runtime's shared sources
// in the web build (a forced include), so they stay as they are.
//
// to_chars writes what printf's "%.*f" writes (both round correctly).
// from_chars keeps its rules for the general format: no leading space or
// plus sign, no hexadecimal ("0x1" reads as 0 and stops at the x), the
// longest number at the start, ERANGE as result_out_of_range. The page's
// C library knows one locale, "C", so the point is the decimal sign.
#ifndef KX418_UIRUNTIME_WEB_CHARCONV_DOUBLE_H
#define KX418_UIRUNTIME_WEB_CHARCONV_DOUBLE_H

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kx418_charconv {

inline std::from_chars_result From_Chars(const char* first, const char* last, double& value)
{
    const char* p = first;
    if (p != last && *p == '-') ++p;
    const bool bad_start = first == last || *first == '+' ||
                           std::isspace(static_cast<unsigned char>(*first)) ||
                           (p != last && (*p == '+' || *p == '-'));
    if (bad_start) return {first, std::errc::invalid_argument};
    std::string text(first, last);
    // Hexadecimal is not the general format: read only the "0" before the x.
    const std::size_t digits = static_cast<std::size_t>(p - first);
    if (text.size() > digits + 1 && text[digits] == '0' &&
        (text[digits + 1] == 'x' || text[digits + 1] == 'X'))
        text.resize(digits + 1);
    errno = 0;
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) return {first, std::errc::invalid_argument};
    const char* stop = first + (end - text.c_str());
    if (errno == ERANGE) return {stop, std::errc::result_out_of_range};
    value = number;
    return {stop, std::errc{}};
}

inline std::to_chars_result To_Chars_Fixed(char* first, char* last, double value, int precision)
{
    const std::size_t room = static_cast<std::size_t>(last - first);
    std::string text(64 + static_cast<std::size_t>(precision < 0 ? 6 : precision), '\0');
    const int length =
        std::snprintf(text.data(), text.size(), "%.*f", precision < 0 ? 6 : precision, value);
    if (length < 0 || static_cast<std::size_t>(length) > room)
        return {last, std::errc::value_too_large};
    std::copy(text.data(), text.data() + length, first);
    return {first + length, std::errc{}};
}

}  // namespace kx418_charconv

namespace std {

inline from_chars_result from_chars(const char* first, const char* last, double& value)
{
    return kx418_charconv::From_Chars(first, last, value);
}

inline to_chars_result to_chars(char* first, char* last, double value, chars_format format,
                                int precision)
{
    if (format != chars_format::fixed) return {last, errc::invalid_argument};
    return kx418_charconv::To_Chars_Fixed(first, last, value, precision);
}

}  // namespace std

#endif
