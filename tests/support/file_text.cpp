// file_text.cpp - whole files in and out.
#include "file_text.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace support {

std::string Read_File(const std::string& path)
{
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::vector<std::string> Read_Lines(const std::string& path)
{
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

void Write_File(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::trunc);
    file << text;
    file.close();
    if (!file) throw std::runtime_error("cannot write " + path);
}

}  // namespace support
