// hid_hidraw.cpp - the HID operations on Linux, through hidraw nodes.
//
// The walk lists /dev/hidraw<N> in ascending N. A channel is a descriptor:
// the probe opened read-write, the read channel non-blocking read-only, the
// write channel blocking write-only. The read event is an eventfd, signalled
// when a read completes. Waiting for a read is a poll on the read channel
// for what is left of the limit on the monotonic clock.
//
// The module lock is an exclusive flock on the node, taken through a
// descriptor of its own: closing it releases the lock, and so does the end
// of the process that holds it, however it ends.
//
// hidraw hands over an input report of a device without numbered reports
// without a report-ID byte, and takes the report ID as the first byte of a
// write. The reads below put the 16 report bytes at 1..16 and 0 at byte 0,
// so the caller sees the same 17-byte layout as on every platform.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <dirent.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "hid_backend.h"
#include "hidraw_internal.h"

struct Hid_Device_List {
    std::vector<std::string> paths;
};

// The read in flight: reads are done inside the wait, so this is only the
// channel, the buffer and whether the report has arrived.
struct Hid_Read_Record {
    Hid_Handle file = Hid_None;
    std::span<std::uint8_t> buffer;
    bool completed = false;
};

void Hid_Read_Record_Release::operator()(Hid_Read_Record* record) const
{
    std::unique_ptr<Hid_Read_Record> owned{record};
}

namespace {

std::string Device_Folder = "/dev";

constexpr std::size_t Input_Report_Size = Hid_Report_Size - 1;

int To_Fd(Hid_Handle handle)
{
    return static_cast<int>(handle);
}

// hidraw<N> with N a plain decimal number; the number, or -1.
long Hidraw_Number(std::string_view name)
{
    constexpr std::string_view prefix = "hidraw";
    if (!name.starts_with(prefix) || name.size() == prefix.size()) return -1;
    long number = 0;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc{} || end != last || *first == '+' || *first == '-') return -1;
    return number;
}

// The USB device's release number, from sysfs, where the node is a real
// hidraw node on a USB device; 0 otherwise.
std::uint16_t Version_From_Sysfs(int fd)
{
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return 0;
    char path[96];
    std::snprintf(path, sizeof path, "/sys/dev/char/%u:%u/device/../../bcdDevice",
                  major(st.st_rdev), minor(st.st_rdev));
    std::ifstream file(path);
    unsigned version = 0;
    if (!(file >> std::hex >> version) || version > 0xFFFF) return 0;
    return static_cast<std::uint16_t>(version);
}

void Signal_Event(Hid_Handle event)
{
    const std::uint64_t one = 1;
    if (event != Hid_None) (void)!write(To_Fd(event), &one, sizeof one);
}

// Reads one input report, if one is there, into bytes 1..16.
enum class Read_Outcome { Done, Nothing_Yet, Failed };

Read_Outcome Read_Input_Report(Hid_Overlapped& overlapped)
{
    Hid_Read_Record& record = *overlapped.read;
    for (;;) {
        const ssize_t got = read(To_Fd(record.file), record.buffer.data() + 1, Input_Report_Size);
        if (got > 0) {
            record.buffer[0] = 0;
            record.completed = true;
            Signal_Event(overlapped.hEvent);
            return Read_Outcome::Done;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Read_Outcome::Nothing_Yet;
        return Read_Outcome::Failed;  // ENODEV, EIO, end of file: the device is gone
    }
}

}  // namespace

void Hidraw_Set_Device_Folder(std::string folder)
{
    Device_Folder = std::move(folder);
}

Hid_Attributes Hidraw_Attributes_From_Info(const hidraw_devinfo& info)
{
    Hid_Attributes attributes;
    attributes.VendorID = static_cast<std::uint16_t>(info.vendor);
    attributes.ProductID = static_cast<std::uint16_t>(info.product);
    return attributes;
}

Hid_Device_List* Hid_Get_Device_List()
{
    struct Dir_Close {
        void operator()(DIR* dir) const { closedir(dir); }
    };
    std::unique_ptr<DIR, Dir_Close> dir{opendir(Device_Folder.c_str())};
    if (!dir) return nullptr;

    std::vector<std::pair<long, std::string>> nodes;
    while (const dirent* entry = readdir(dir.get())) {
        const long number = Hidraw_Number(entry->d_name);
        if (number >= 0) nodes.emplace_back(number, entry->d_name);
    }
    std::sort(nodes.begin(), nodes.end());

    auto list = std::make_unique<Hid_Device_List>();
    list->paths.reserve(nodes.size());
    for (const auto& node : nodes) list->paths.push_back(Device_Folder + "/" + node.second);
    return list.release();
}

Hid_Item_Result Hid_Get_Device_Interface(Hid_Device_List* list, std::uint32_t index,
                                         Hid_Interface_Data& /*data*/, Hid_Interface_Detail& detail)
{
    if (list == nullptr || index >= list->paths.size()) return Hid_Item_Result::End;
    detail.DevicePath = list->paths[index];
    return Hid_Item_Result::Found;
}

void Hid_Destroy_Device_List(Hid_Device_List* list)
{
    std::unique_ptr<Hid_Device_List> owned{list};
}

namespace {

thread_local Hid_Open_Failure Last_Open_Failure = Hid_Open_Failure::None;

Hid_Open_Failure Open_Failure_Of(int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return Hid_Open_Failure::Denied;
    case EBUSY: return Hid_Open_Failure::Busy;
    case ENOENT:
    case ENODEV:
    case ENXIO: return Hid_Open_Failure::Missing;
    default: return Hid_Open_Failure::Other;
    }
}

}  // namespace

Hid_Open_Failure Hid_Last_Open_Failure()
{
    return Last_Open_Failure;
}

Hid_Handle Hid_Open(const char* path, Hid_Access access)
{
    int flags = O_CLOEXEC;
    switch (access) {
    case Hid_Access::Probe: flags |= O_RDWR; break;
    case Hid_Access::Read: flags |= O_RDONLY | O_NONBLOCK; break;
    case Hid_Access::Write: flags |= O_WRONLY; break;
    }
    int fd;
    do {
        fd = open(path, flags);
    } while (fd < 0 && errno == EINTR);
    Last_Open_Failure = fd < 0 ? Open_Failure_Of(errno) : Hid_Open_Failure::None;
    return fd < 0 ? Hid_None : Hid_Handle{fd};
}

bool Hid_Get_Attributes(Hid_Handle probe, Hid_Attributes& attributes)
{
    hidraw_devinfo info{};
    if (probe == Hid_None || ioctl(To_Fd(probe), HIDIOCGRAWINFO, &info) < 0) return false;
    attributes = Hidraw_Attributes_From_Info(info);
    attributes.VersionNumber = Version_From_Sysfs(To_Fd(probe));
    return true;
}

bool Hid_Close(Hid_Handle handle)
{
    // A close interrupted by a signal has released the descriptor all the
    // same on Linux: it is not repeated.
    return handle != Hid_None && close(To_Fd(handle)) == 0;
}

Hid_Handle Hid_Create_Event()
{
    const int fd = eventfd(1, EFD_CLOEXEC | EFD_NONBLOCK);
    return fd < 0 ? Hid_None : Hid_Handle{fd};
}

void Hid_Reset_Event(Hid_Handle event)
{
    std::uint64_t count = 0;
    if (event != Hid_None) (void)!read(To_Fd(event), &count, sizeof count);
}

bool Hid_Write(Hid_Handle write_channel, Hid_Const_Report report)
{
    if (write_channel == Hid_None) return false;
    ssize_t written;
    do {
        written = write(To_Fd(write_channel), report.data(), report.size());
    } while (written < 0 && errno == EINTR);
    return written == static_cast<ssize_t>(report.size());
}

bool Hid_Start_Read(Hid_Handle read_channel, Hid_Overlapped& overlapped, Hid_Report buffer)
{
    if (read_channel == Hid_None) return false;
    if (!overlapped.read) overlapped.read.reset(std::make_unique<Hid_Read_Record>().release());
    *overlapped.read = Hid_Read_Record{read_channel, buffer, false};
    Hid_Reset_Event(overlapped.hEvent);
    // A report already queued completes the read at once.
    return Read_Input_Report(overlapped) != Read_Outcome::Failed;
}

Hid_Wait_Result Hid_Wait_Read(Hid_Overlapped& overlapped, std::uint32_t limit_ms)
{
    using Clock = std::chrono::steady_clock;
    if (!overlapped.read || overlapped.read->file == Hid_None) return Hid_Wait_Result::Failed;
    if (overlapped.read->completed) return Hid_Wait_Result::Completed;

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limit_ms);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return Hid_Wait_Result::Timeout;

        pollfd channel{To_Fd(overlapped.read->file), POLLIN, 0};
        const int ready = poll(&channel, 1, static_cast<int>(left.count()));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Hid_Wait_Result::Failed;
        }
        if (ready == 0) continue;  // the loop head decides whether time is up
        if (channel.revents & POLLIN) {
            switch (Read_Input_Report(overlapped)) {
            case Read_Outcome::Done: return Hid_Wait_Result::Completed;
            case Read_Outcome::Nothing_Yet: continue;
            case Read_Outcome::Failed: return Hid_Wait_Result::Failed;
            }
        }
        if (channel.revents & (POLLERR | POLLHUP | POLLNVAL)) return Hid_Wait_Result::Failed;
    }
}

void Hid_Cancel_Read(Hid_Handle /*read_channel*/, Hid_Overlapped& overlapped)
{
    // Reads are done inside the wait, so none is left in flight: forget it.
    if (overlapped.read) *overlapped.read = Hid_Read_Record{};
}

void Hid_Discard_Input(Hid_Handle read_channel)
{
    // The read channel does not block: read until nothing is queued (or the
    // channel fails, which the write after this will tell).
    std::array<std::uint8_t, Input_Report_Size> report{};
    for (;;) {
        const ssize_t got = read(To_Fd(read_channel), report.data(), report.size());
        if (got > 0) continue;
        if (got < 0 && errno == EINTR) continue;
        return;
    }
}

Hid_Lock_Result Hid_Lock_Device(const char* path, std::uint32_t limit_ms, Hid_Handle& lock)
{
    using Clock = std::chrono::steady_clock;
    constexpr auto Retry = std::chrono::milliseconds(5);
    lock = Hid_None;
    int fd;
    do {
        fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Hid_Lock_Result::Failed;

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limit_ms);
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            lock = Hid_Handle{fd};
            return Hid_Lock_Result::Acquired;
        }
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) break;
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            close(fd);
            return Hid_Lock_Result::Held;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(Retry, deadline - now));
    }
    close(fd);
    return Hid_Lock_Result::Failed;
}

void Hid_Release_Lock(Hid_Handle lock)
{
    if (lock != Hid_None) close(To_Fd(lock));
}
