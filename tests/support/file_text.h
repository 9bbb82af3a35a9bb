// file_text.h - a file's whole text, read or written at once.
#ifndef KX418_SUPPORT_FILE_TEXT_H
#define KX418_SUPPORT_FILE_TEXT_H

#include <string>
#include <vector>

namespace support {

// The file's text; "" when it cannot be read.
std::string Read_File(const std::string& path);
// Its lines without their line ends; none when it cannot be read.
std::vector<std::string> Read_Lines(const std::string& path);
// Replaces the file's contents with `text`, written as text (on Windows
// a line ends in CR LF). Throws std::runtime_error when it cannot be
// written.
void Write_File(const std::string& path, const std::string& text);

}  // namespace support

#endif  // KX418_SUPPORT_FILE_TEXT_H
