// hidraw_nodes.h - a folder of files that behave like hidraw nodes, served
// through the FUSE low-level interface.
//
// Each node plays one HID device with a 16-byte output report and a 16-byte
// input report, no numbered reports. What a hidraw client sees:
//   open     refused with the node's errno where it is set so;
//   ioctl    HIDIOCGRAWINFO (bus USB, vendor, product), HIDIOCGRDESCSIZE,
//            HIDIOCGRDESC, HIDIOCGRAWNAME;
//   write    17 bytes: report ID 0, then the output report;
//   read     one queued input report (16 bytes, no report-ID byte); EAGAIN
//            on a non-blocking read with nothing queued, a blocking read
//            waits;
//   poll     readable while a report is queued; a waiting poller is woken
//            when one arrives;
//   removal  the node leaves the folder; reads fail with EIO once the queue
//            is empty, writes and ioctls with ENODEV, poll says
//            POLLERR|POLLHUP, as on an unplugged hidraw node.
// As on hidraw, every open file has its own queue (64 reports at most) and
// an input report goes to every file open on the node when it arrives.
//
// A KX418 node checks each report's checksum and answers a valid one with
// "!", an invalid one with "?", followed by bytes 1..11 of the report
// (checksum, function, setting, times) and four bytes 0xFF. Everything runs on one thread: the caller's event loop.
#ifndef KX418_VIRTUAL_HIDRAW_NODES_H
#define KX418_VIRTUAL_HIDRAW_NODES_H

#define FUSE_USE_VERSION 35
#include <fuse_lowlevel.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "node_options.h"
#include "report_log.h"

namespace virtual_module {

inline constexpr std::size_t Output_Report_Size = 17;  // report ID + 16 bytes
inline constexpr std::size_t Input_Report_Size = 16;
inline constexpr std::size_t Queue_Limit = 64;

using Input_Report = std::array<std::uint8_t, Input_Report_Size>;
using Clock = std::chrono::steady_clock;

// CRC-8, reflected polynomial 0x8C, from 0xDE: the module's report checksum.
std::uint8_t Report_Checksum(std::span<const std::uint8_t> bytes);

class Hidraw_Nodes {
public:
    Hidraw_Nodes(std::vector<Node_Config> nodes, Report_Log log);
    ~Hidraw_Nodes();
    Hidraw_Nodes(const Hidraw_Nodes&) = delete;
    Hidraw_Nodes& operator=(const Hidraw_Nodes&) = delete;

    // The operations to hand to fuse_session_new, with this object as the
    // user data.
    static const fuse_lowlevel_ops& Operations();

    // When the next delayed answer is due, if one is.
    std::optional<Clock::time_point> Next_Answer_Due() const;
    // Delivers the answers due by `now`.
    void Deliver_Due_Answers(Clock::time_point now);
    // Ends every read still waiting and drops every poll registration, so
    // that the session can be torn down with no request left open.
    void Shut_Down();

private:
    struct Poll_Handle_Destroy {
        void operator()(fuse_pollhandle* handle) const { fuse_pollhandle_destroy(handle); }
    };
    using Poll_Handle = std::unique_ptr<fuse_pollhandle, Poll_Handle_Destroy>;

    struct Waiting_Read {
        fuse_req_t request;
        std::size_t size;
    };

    struct Node {
        Node_Config config;
        bool removed = false;
        std::uint32_t reports = 0;
    };

    struct Open_File {
        std::size_t node;
        std::deque<Input_Report> queue;
        std::deque<Waiting_Read> waiting_reads;
        Poll_Handle poll_handle;
    };

    struct Scheduled_Answer {
        std::size_t node;
        std::uint32_t number;  // of the report it answers
        Input_Report report;
    };

    // Inode numbers: the folder is FUSE_ROOT_ID, node i is i + 2.
    static fuse_ino_t Node_Inode(std::size_t index) { return index + 2; }
    std::optional<std::size_t> Node_Of_Inode(fuse_ino_t inode) const;
    struct stat Attributes_Of(fuse_ino_t inode) const;
    Open_File* File_Of(const fuse_file_info* info);

    void Lookup(fuse_req_t request, fuse_ino_t parent, const char* name);
    void Get_Attributes(fuse_req_t request, fuse_ino_t inode);
    void Read_Folder(fuse_req_t request, fuse_ino_t inode, std::size_t size, off_t offset);
    void Open(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info);
    void Release(fuse_req_t request, fuse_file_info* info);
    void Read(fuse_req_t request, std::size_t size, fuse_file_info* info);
    void Write(fuse_req_t request, std::span<const std::uint8_t> bytes, fuse_file_info* info);
    void Poll(fuse_req_t request, fuse_file_info* info, fuse_pollhandle* handle);
    void Ioctl(fuse_req_t request, unsigned int command, fuse_file_info* info, unsigned flags,
               std::size_t out_size);
    void Interrupt(fuse_req_t request);

    void Receive_Report(std::size_t node, std::span<const std::uint8_t, Output_Report_Size> report);
    void Deliver(std::size_t node, const Input_Report& report);
    void Answer(const Scheduled_Answer& answer);
    void Remove(std::size_t node);
    static void Wake_Poller(Open_File& file);

    std::vector<Node> nodes_;
    Report_Log log_;
    std::map<std::uint64_t, Open_File> files_;
    std::uint64_t next_file_ = 1;
    std::multimap<Clock::time_point, Scheduled_Answer> scheduled_;
    struct timespec started_ {};
};

}  // namespace virtual_module

#endif  // KX418_VIRTUAL_HIDRAW_NODES_H
