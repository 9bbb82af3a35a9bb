// hidraw_nodes.cpp - the nodes' answers to the kernel's FUSE requests.
#include "hidraw_nodes.h"

#include <linux/hidraw.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

namespace virtual_module {

namespace {

// The report descriptor the nodes hand out: one vendor-defined collection
// with a 16-byte input and a 16-byte output report, no report IDs.
constexpr std::array<std::uint8_t, 28> Report_Descriptor{
    0x06, 0x00, 0xFF,  // usage page (vendor defined 0xFF00)
    0x09, 0x01,        // usage (1)
    0xA1, 0x01,        // collection (application)
    0x15, 0x00,        //   logical minimum (0)
    0x26, 0xFF, 0x00,  //   logical maximum (255)
    0x75, 0x08,        //   report size (8)
    0x95, 0x10,        //   report count (16)
    0x09, 0x01,        //   usage (1)
    0x81, 0x02,        //   input (data, variable, absolute)
    0x95, 0x10,        //   report count (16)
    0x09, 0x01,        //   usage (1)
    0x91, 0x02,        //   output (data, variable, absolute)
    0xC0,              // end collection
};

constexpr std::string_view Device_Name = "Virtual KX418 module";

// Zero-timeout entries and attributes: a removed node must vanish from the
// next lookup, not linger in the kernel's cache.
constexpr double No_Caching = 0.0;

Hidraw_Nodes& Self(fuse_req_t request)
{
    return *static_cast<Hidraw_Nodes*>(fuse_req_userdata(request));
}

}  // namespace

std::uint8_t Report_Checksum(std::span<const std::uint8_t> bytes)
{
    std::uint8_t crc = 0xDE;
    for (std::uint8_t data : bytes) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = ((data ^ crc) & 0x01) != 0;
            crc = static_cast<std::uint8_t>(crc >> 1);
            if (mix) crc ^= 0x8C;
            data = static_cast<std::uint8_t>(data >> 1);
        }
    }
    return crc;
}

Hidraw_Nodes::Hidraw_Nodes(std::vector<Node_Config> nodes, Report_Log log) : log_(std::move(log))
{
    for (Node_Config& config : nodes) nodes_.push_back(Node{std::move(config)});
    clock_gettime(CLOCK_REALTIME, &started_);
}

Hidraw_Nodes::~Hidraw_Nodes()
{
    Shut_Down();
}

const fuse_lowlevel_ops& Hidraw_Nodes::Operations()
{
    static const fuse_lowlevel_ops operations = [] {
        fuse_lowlevel_ops ops{};
        ops.lookup = [](fuse_req_t req, fuse_ino_t parent, const char* name) {
            Self(req).Lookup(req, parent, name);
        };
        ops.getattr = [](fuse_req_t req, fuse_ino_t ino, fuse_file_info*) {
            Self(req).Get_Attributes(req, ino);
        };
        ops.readdir = [](fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, fuse_file_info*) {
            Self(req).Read_Folder(req, ino, size, off);
        };
        ops.open = [](fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
            Self(req).Open(req, ino, fi);
        };
        ops.release = [](fuse_req_t req, fuse_ino_t, fuse_file_info* fi) {
            Self(req).Release(req, fi);
        };
        ops.read = [](fuse_req_t req, fuse_ino_t, size_t size, off_t, fuse_file_info* fi) {
            Self(req).Read(req, size, fi);
        };
        ops.write = [](fuse_req_t req, fuse_ino_t, const char* buf, size_t size, off_t,
                       fuse_file_info* fi) {
            Self(req).Write(req, {reinterpret_cast<const std::uint8_t*>(buf), size}, fi);
        };
        ops.poll = [](fuse_req_t req, fuse_ino_t, fuse_file_info* fi, fuse_pollhandle* ph) {
            Self(req).Poll(req, fi, ph);
        };
        ops.ioctl = [](fuse_req_t req, fuse_ino_t, unsigned int cmd, void*, fuse_file_info* fi,
                       unsigned flags, const void*, size_t,
                       size_t out_bufsz) { Self(req).Ioctl(req, cmd, fi, flags, out_bufsz); };
        return ops;
    }();
    return operations;
}

// ---------------------------------------------------------------------------
// The folder
// ---------------------------------------------------------------------------

std::optional<std::size_t> Hidraw_Nodes::Node_Of_Inode(fuse_ino_t inode) const
{
    if (inode < 2 || inode - 2 >= nodes_.size()) return std::nullopt;
    return inode - 2;
}

struct stat Hidraw_Nodes::Attributes_Of(fuse_ino_t inode) const
{
    struct stat attributes {};
    attributes.st_ino = inode;
    attributes.st_uid = getuid();
    attributes.st_gid = getgid();
    attributes.st_atim = attributes.st_mtim = attributes.st_ctim = started_;
    if (inode == FUSE_ROOT_ID) {
        attributes.st_mode = S_IFDIR | 0755;
        attributes.st_nlink = 2;
    } else {
        // Regular files: a FUSE mount does not let device nodes through.
        attributes.st_mode = S_IFREG | 0660;
        const auto node = Node_Of_Inode(inode);
        attributes.st_nlink = node && !nodes_[*node].removed ? 1 : 0;
    }
    return attributes;
}

void Hidraw_Nodes::Lookup(fuse_req_t request, fuse_ino_t parent, const char* name)
{
    if (parent == FUSE_ROOT_ID) {
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            if (nodes_[i].removed || nodes_[i].config.name != name) continue;
            fuse_entry_param entry{};
            entry.ino = Node_Inode(i);
            entry.generation = 1;
            entry.attr = Attributes_Of(entry.ino);
            entry.attr_timeout = No_Caching;
            entry.entry_timeout = No_Caching;
            fuse_reply_entry(request, &entry);
            return;
        }
    }
    fuse_reply_err(request, ENOENT);
}

void Hidraw_Nodes::Get_Attributes(fuse_req_t request, fuse_ino_t inode)
{
    if (inode != FUSE_ROOT_ID && !Node_Of_Inode(inode)) {
        fuse_reply_err(request, ENOENT);
        return;
    }
    const struct stat attributes = Attributes_Of(inode);
    fuse_reply_attr(request, &attributes, No_Caching);
}

void Hidraw_Nodes::Read_Folder(fuse_req_t request, fuse_ino_t inode, std::size_t size, off_t offset)
{
    if (inode != FUSE_ROOT_ID) {
        fuse_reply_err(request, ENOTDIR);
        return;
    }
    struct Entry {
        std::string_view name;
        fuse_ino_t inode;
    };
    std::vector<Entry> entries{{".", FUSE_ROOT_ID}, {"..", FUSE_ROOT_ID}};
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (!nodes_[i].removed) entries.push_back({nodes_[i].config.name, Node_Inode(i)});

    std::vector<char> buffer(size);
    std::size_t used = 0;
    for (std::size_t i = static_cast<std::size_t>(std::max<off_t>(offset, 0)); i < entries.size();
         ++i) {
        struct stat attributes {};
        attributes.st_ino = entries[i].inode;
        attributes.st_mode = entries[i].inode == FUSE_ROOT_ID ? S_IFDIR : S_IFREG;
        const std::string name(entries[i].name);
        const std::size_t needed =
            fuse_add_direntry(request, buffer.data() + used, size - used, name.c_str(), &attributes,
                              static_cast<off_t>(i + 1));
        if (needed > size - used) break;
        used += needed;
    }
    fuse_reply_buf(request, buffer.data(), used);
}

// ---------------------------------------------------------------------------
// Open files
// ---------------------------------------------------------------------------

Hidraw_Nodes::Open_File* Hidraw_Nodes::File_Of(const fuse_file_info* info)
{
    const auto found = files_.find(info->fh);
    return found == files_.end() ? nullptr : &found->second;
}

void Hidraw_Nodes::Open(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info)
{
    const auto node = Node_Of_Inode(inode);
    if (!node) {
        fuse_reply_err(request, inode == FUSE_ROOT_ID ? EISDIR : ENOENT);
        return;
    }
    if (nodes_[*node].removed) {
        fuse_reply_err(request, ENODEV);
        return;
    }
    if (nodes_[*node].config.refuse_open != 0) {
        fuse_reply_err(request, nodes_[*node].config.refuse_open);
        return;
    }
    const std::uint64_t handle = next_file_++;
    Open_File& file = files_.emplace(handle, Open_File{*node, {}, {}, nullptr}).first->second;
    // An answer of old that this open finds waiting.
    if (nodes_[*node].config.queued_at_open) file.queue.push_back(Input_Report{'!'});
    info->fh = handle;
    // Every read and write reaches the node with its own size, and there is
    // no file position to seek.
    info->direct_io = 1;
    info->nonseekable = 1;
    if (fuse_reply_open(request, info) != 0) files_.erase(handle);
}

void Hidraw_Nodes::Release(fuse_req_t request, fuse_file_info* info)
{
    if (Open_File* file = File_Of(info)) {
        for (const Waiting_Read& read : file->waiting_reads) fuse_reply_err(read.request, EIO);
        files_.erase(info->fh);
    }
    fuse_reply_err(request, 0);
}

void Hidraw_Nodes::Read(fuse_req_t request, std::size_t size, fuse_file_info* info)
{
    Open_File* file = File_Of(info);
    if (file == nullptr) {
        fuse_reply_err(request, EBADF);
        return;
    }
    if (!file->queue.empty()) {
        // A shorter read takes the front of the report; the rest is lost.
        const Input_Report report = file->queue.front();
        file->queue.pop_front();
        fuse_reply_buf(request, reinterpret_cast<const char*>(report.data()),
                       std::min(size, report.size()));
        return;
    }
    if (nodes_[file->node].removed) {
        fuse_reply_err(request, EIO);
        return;
    }
    if (info->flags & O_NONBLOCK) {
        fuse_reply_err(request, EAGAIN);
        return;
    }
    // A blocking read waits for the next report; a signal ends the wait.
    file->waiting_reads.push_back({request, size});
    fuse_req_interrupt_func(
        request,
        [](fuse_req_t req, void* nodes) { static_cast<Hidraw_Nodes*>(nodes)->Interrupt(req); },
        this);
}

void Hidraw_Nodes::Interrupt(fuse_req_t request)
{
    for (auto& [handle, file] : files_) {
        auto& reads = file.waiting_reads;
        const auto found = std::find_if(reads.begin(), reads.end(), [&](const Waiting_Read& read) {
            return read.request == request;
        });
        if (found == reads.end()) continue;
        reads.erase(found);
        fuse_reply_err(request, EINTR);
        return;
    }
}

void Hidraw_Nodes::Write(fuse_req_t request, std::span<const std::uint8_t> bytes,
                         fuse_file_info* info)
{
    Open_File* file = File_Of(info);
    if (file == nullptr) {
        fuse_reply_err(request, EBADF);
        return;
    }
    const std::size_t node = file->node;
    if (nodes_[node].removed) {
        fuse_reply_err(request, ENODEV);
        return;
    }
    // The device takes exactly its one output report, after report ID 0.
    if (bytes.size() != Output_Report_Size || bytes[0] != 0) {
        log_.Rejected(nodes_[node].config.name,
                      bytes.first(std::min<std::size_t>(bytes.size(), 64)));
        fuse_reply_err(request, EINVAL);
        return;
    }
    std::array<std::uint8_t, Output_Report_Size> report{};
    std::copy(bytes.begin(), bytes.end(), report.begin());
    fuse_reply_write(request, bytes.size());
    Receive_Report(node, report);
}

void Hidraw_Nodes::Poll(fuse_req_t request, fuse_file_info* info, fuse_pollhandle* handle)
{
    Poll_Handle owned{handle};
    Open_File* file = File_Of(info);
    if (file == nullptr) {
        fuse_reply_err(request, EBADF);
        return;
    }
    // Always writable, like hidraw; readable while a report is queued.
    unsigned revents = POLLOUT | POLLWRNORM;
    if (!file->queue.empty()) revents |= POLLIN | POLLRDNORM;
    if (nodes_[file->node].removed) revents |= POLLERR | POLLHUP;
    if (owned) file->poll_handle = std::move(owned);  // the newest poller replaces the old
    fuse_reply_poll(request, revents);
}

void Hidraw_Nodes::Ioctl(fuse_req_t request, unsigned int command, fuse_file_info* info,
                         unsigned flags, std::size_t out_size)
{
    Open_File* file = File_Of(info);
    if (file == nullptr) {
        fuse_reply_err(request, EBADF);
        return;
    }
    if (flags & FUSE_IOCTL_COMPAT) {
        fuse_reply_err(request, ENOSYS);
        return;
    }
    const Node& node = nodes_[file->node];
    if (node.removed) {
        fuse_reply_err(request, ENODEV);
        return;
    }

    if (command == HIDIOCGRAWINFO) {
        if (node.config.attributes_fail) {
            fuse_reply_err(request, EIO);
            return;
        }
        hidraw_devinfo info_record{};
        info_record.bustype = BUS_USB;
        info_record.vendor = static_cast<__s16>(node.config.vendor);
        info_record.product = static_cast<__s16>(node.config.product);
        fuse_reply_ioctl(request, 0, &info_record, sizeof info_record);
    } else if (command == HIDIOCGRDESCSIZE) {
        const int size = static_cast<int>(Report_Descriptor.size());
        fuse_reply_ioctl(request, 0, &size, sizeof size);
    } else if (command == HIDIOCGRDESC) {
        auto descriptor = std::make_unique<hidraw_report_descriptor>();
        descriptor->size = static_cast<__u32>(Report_Descriptor.size());
        std::copy(Report_Descriptor.begin(), Report_Descriptor.end(), descriptor->value);
        fuse_reply_ioctl(request, 0, descriptor.get(), sizeof *descriptor);
    } else if (_IOC_TYPE(command) == 'H' && _IOC_NR(command) == _IOC_NR(HIDIOCGRAWNAME(0)) &&
               _IOC_DIR(command) == _IOC_READ) {
        // The name, zero-terminated, cut to the caller's buffer; the result
        // is the length handed over, as hidraw does.
        std::string name(Device_Name);
        name += '\0';
        const std::size_t length =
            std::min(name.size(), std::min<std::size_t>(out_size, _IOC_SIZE(command)));
        fuse_reply_ioctl(request, static_cast<int>(length), name.data(), length);
    } else {
        fuse_reply_err(request, ENOTTY);
    }
}

// ---------------------------------------------------------------------------
// Reports and answers
// ---------------------------------------------------------------------------

void Hidraw_Nodes::Receive_Report(std::size_t index,
                                  std::span<const std::uint8_t, Output_Report_Size> report)
{
    Node& node = nodes_[index];
    node.reports += 1;
    const bool checksum_ok = Report_Checksum(report.subspan<2, 10>()) == report[1];
    log_.Report(node.config.name, node.reports, report, checksum_ok);

    if (node.config.remove_after != 0 && node.reports >= node.config.remove_after) {
        Remove(index);
        return;
    }
    if (node.config.silent) return;
    if (node.config.answer_first && node.reports > 1) return;

    Input_Report answer{};
    if (node.config.wrong_answer) {
        answer[1] = '!';
    } else {
        // The acknowledgement, an echo of the checksum, function, setting
        // and times, and a tail that is not zero.
        answer[0] = checksum_ok ? '!' : '?';
        std::copy(report.begin() + 1, report.begin() + 12, answer.begin() + 1);
        std::fill(answer.begin() + 12, answer.end(), std::uint8_t{0xFF});
    }
    const Scheduled_Answer scheduled{index, node.reports, answer};
    for (int copy = node.config.answer_twice ? 2 : 1; copy > 0; --copy) {
        if (node.config.answer_delay_ms == 0) {
            Answer(scheduled);
        } else {
            const auto due = Clock::now() + std::chrono::milliseconds(node.config.answer_delay_ms);
            scheduled_.emplace(due, scheduled);
        }
    }
}

void Hidraw_Nodes::Answer(const Scheduled_Answer& answer)
{
    log_.Answered(nodes_[answer.node].config.name, answer.number);
    Deliver(answer.node, answer.report);
}

void Hidraw_Nodes::Deliver(std::size_t node, const Input_Report& report)
{
    for (auto& [handle, file] : files_) {
        if (file.node != node) continue;
        if (!file.waiting_reads.empty()) {
            const Waiting_Read read = file.waiting_reads.front();
            file.waiting_reads.pop_front();
            fuse_reply_buf(read.request, reinterpret_cast<const char*>(report.data()),
                           std::min(read.size, report.size()));
            continue;
        }
        // A full queue drops the new report, as hidraw does.
        if (file.queue.size() < Queue_Limit) file.queue.push_back(report);
        Wake_Poller(file);
    }
}

void Hidraw_Nodes::Remove(std::size_t index)
{
    Node& node = nodes_[index];
    if (node.removed) return;
    node.removed = true;
    log_.Removed(node.config.name);
    std::erase_if(scheduled_, [&](const auto& entry) { return entry.second.node == index; });
    for (auto& [handle, file] : files_) {
        if (file.node != index) continue;
        for (const Waiting_Read& read : file.waiting_reads) fuse_reply_err(read.request, EIO);
        file.waiting_reads.clear();
        Wake_Poller(file);
    }
}

void Hidraw_Nodes::Wake_Poller(Open_File& file)
{
    if (!file.poll_handle) return;
    fuse_lowlevel_notify_poll(file.poll_handle.get());
    file.poll_handle.reset();
}

std::optional<Clock::time_point> Hidraw_Nodes::Next_Answer_Due() const
{
    if (scheduled_.empty()) return std::nullopt;
    return scheduled_.begin()->first;
}

void Hidraw_Nodes::Deliver_Due_Answers(Clock::time_point now)
{
    while (!scheduled_.empty() && scheduled_.begin()->first <= now) {
        const Scheduled_Answer answer = scheduled_.begin()->second;
        scheduled_.erase(scheduled_.begin());
        Answer(answer);
    }
}

void Hidraw_Nodes::Shut_Down()
{
    for (auto& [handle, file] : files_) {
        for (const Waiting_Read& read : file.waiting_reads) fuse_reply_err(read.request, EIO);
        file.waiting_reads.clear();
        file.poll_handle.reset();
    }
    scheduled_.clear();
}

}  // namespace virtual_module
