// report_log.h - the virtual module's log: one line per report received,
// decoded, so that a test or a person can see what arrived.
#ifndef KX418_VIRTUAL_REPORT_LOG_H
#define KX418_VIRTUAL_REPORT_LOG_H

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace virtual_module {

// Line formats, one event each:
//   <node> report <n>: function <f> setting <s> time1 <ms> ms time2 <ms> ms checksum <hh> ok|bad raw <17 bytes hex>
//   <node> rejected write of <n> bytes: raw <bytes hex>
//   <node> answered report <n>
//   <node> removed
class Report_Log {
public:
    Report_Log() = default;                        // logs nothing
    explicit Report_Log(const std::string& path);  // appends; throws std::runtime_error
    ~Report_Log();
    Report_Log(Report_Log&& other) noexcept;
    Report_Log& operator=(Report_Log&& other) noexcept;
    Report_Log(const Report_Log&) = delete;
    Report_Log& operator=(const Report_Log&) = delete;

    void Report(std::string_view node, std::uint32_t number,
                std::span<const std::uint8_t, 17> report, bool checksum_ok);
    void Rejected(std::string_view node, std::span<const std::uint8_t> bytes);
    void Answered(std::string_view node, std::uint32_t number);
    void Removed(std::string_view node);

private:
    void Line(const std::string& line);
    int fd_ = -1;
};

std::string Hex_Bytes(std::span<const std::uint8_t> bytes);

}  // namespace virtual_module

#endif  // KX418_VIRTUAL_REPORT_LOG_H
