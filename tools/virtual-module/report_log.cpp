// report_log.cpp - the virtual module's log of received reports.
#include "report_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace virtual_module {

std::string Hex_Bytes(std::span<const std::uint8_t> bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        if (!text.empty()) text += ' ';
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

Report_Log::Report_Log(const std::string& path)
    : fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644))
{
    if (fd_ < 0) throw std::runtime_error("cannot open log " + path + ": " + std::strerror(errno));
}

Report_Log::~Report_Log()
{
    if (fd_ >= 0) close(fd_);
}

Report_Log::Report_Log(Report_Log&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

Report_Log& Report_Log::operator=(Report_Log&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0) close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void Report_Log::Line(const std::string& line)
{
    if (fd_ < 0) return;
    // One write per line, so that a reader never sees half a line.
    const std::string text = line + '\n';
    (void)!write(fd_, text.data(), text.size());
}

void Report_Log::Report(std::string_view node, std::uint32_t number,
                        std::span<const std::uint8_t, 17> report, bool checksum_ok)
{
    auto le32 = [&](std::size_t first) {
        return static_cast<std::uint32_t>(report[first]) |
               static_cast<std::uint32_t>(report[first + 1]) << 8 |
               static_cast<std::uint32_t>(report[first + 2]) << 16 |
               static_cast<std::uint32_t>(report[first + 3]) << 24;
    };
    Line(std::string(node) + " report " + std::to_string(number) + ": function " +
         std::to_string(report[2]) + " setting " + std::to_string(report[3]) + " time1 " +
         std::to_string(le32(4)) + " ms time2 " + std::to_string(le32(8)) + " ms checksum " +
         Hex_Bytes(report.subspan<1, 1>()) + (checksum_ok ? " ok" : " bad") + " raw " +
         Hex_Bytes(report));
}

void Report_Log::Rejected(std::string_view node, std::span<const std::uint8_t> bytes)
{
    Line(std::string(node) + " rejected write of " + std::to_string(bytes.size()) + " bytes: raw " +
         Hex_Bytes(bytes));
}

void Report_Log::Answered(std::string_view node, std::uint32_t number)
{
    Line(std::string(node) + " answered report " + std::to_string(number));
}

void Report_Log::Removed(std::string_view node)
{
    Line(std::string(node) + " removed");
}

}  // namespace virtual_module
