// hid_fake.cpp - the HID operations over scripted devices (see hid_fake.h).
#include "hid_fake.h"

#include <algorithm>
#include <memory>

struct Hid_Device_List {
    std::size_t count = 0;  // devices present when the list was taken
};

struct Hid_Read_Record {
    Hid_Handle file = Hid_None;
    std::span<std::uint8_t> buffer;
};

void Hid_Read_Record_Release::operator()(Hid_Read_Record* record) const
{
    std::unique_ptr<Hid_Read_Record> owned{record};
}

namespace fake_hid {

State state;

void Reset()
{
    state = State{};
}

Device& Add_Device(std::string path, std::uint16_t vendor, std::uint16_t product,
                   std::uint16_t version)
{
    Device& device = state.devices.emplace_back();
    device.path = std::move(path);
    device.vendor = vendor;
    device.product = product;
    device.version = version;
    return device;
}

int Open_Count()
{
    return static_cast<int>(std::count_if(state.open.begin(), state.open.end(), [](auto& h) {
        return h.second.kind != Handle_Info::Lock;
    }));
}

int Open_Count(Hid_Access access)
{
    return static_cast<int>(std::count_if(state.open.begin(), state.open.end(), [&](auto& h) {
        return h.second.kind == Handle_Info::Channel && h.second.access == access;
    }));
}

int Events_Open()
{
    return static_cast<int>(std::count_if(state.open.begin(), state.open.end(), [](auto& h) {
        return h.second.kind == Handle_Info::Event;
    }));
}

std::vector<std::string> Open_Paths(Hid_Access access)
{
    std::vector<std::string> paths;
    for (const auto& [handle, info] : state.open)
        if (info.kind == Handle_Info::Channel && info.access == access)
            paths.push_back(state.devices[info.device].path);
    return paths;
}

std::vector<std::string> Locked_Paths()
{
    std::vector<std::string> paths;
    for (const auto& [handle, info] : state.open)
        if (info.kind == Handle_Info::Lock) paths.push_back(state.devices[info.device].path);
    return paths;
}

Input_Report Make_Reply(std::initializer_list<std::uint8_t> first_bytes)
{
    Input_Report report{};
    std::copy(first_bytes.begin(), first_bytes.end(), report.begin());
    return report;
}

}  // namespace fake_hid

using namespace fake_hid;

namespace {

const char* Access_Name(Hid_Access access)
{
    switch (access) {
    case Hid_Access::Probe: return "Probe";
    case Hid_Access::Read: return "Read";
    case Hid_Access::Write: return "Write";
    }
    return "?";
}

Handle_Info* Find(Hid_Handle handle)
{
    auto it = state.open.find(handle);
    return it == state.open.end() ? nullptr : &it->second;
}

Device* Device_Of(Hid_Handle handle)
{
    Handle_Info* info = Find(handle);
    return info && info->kind == Handle_Info::Channel ? &state.devices[info->device] : nullptr;
}

Hid_Handle New_Handle(Handle_Info info)
{
    const Hid_Handle handle = state.next_handle++;
    state.open.emplace(handle, info);
    return handle;
}

}  // namespace

Hid_Device_List* Hid_Get_Device_List()
{
    state.calls.push_back("list");
    if (state.list_fails) return nullptr;
    ++state.lists_open;
    return std::make_unique<Hid_Device_List>(Hid_Device_List{state.devices.size()}).release();
}

Hid_Item_Result Hid_Get_Device_Interface(Hid_Device_List* list, std::uint32_t index,
                                         Hid_Interface_Data& /*data*/, Hid_Interface_Detail& detail)
{
    if (list == nullptr || index >= list->count) return Hid_Item_Result::End;
    const Device& device = state.devices[index];
    if (device.detail_unreadable) return Hid_Item_Result::Unreadable;
    detail.DevicePath = device.path;
    return Hid_Item_Result::Found;
}

void Hid_Destroy_Device_List(Hid_Device_List* list)
{
    state.calls.push_back("list released");
    --state.lists_open;
    std::unique_ptr<Hid_Device_List> owned{list};
}

Hid_Handle Hid_Open(const char* path, Hid_Access access)
{
    state.calls.push_back(std::string("open ") + Access_Name(access) + " " + path);
    ++state.opens;
    auto it = std::find_if(state.devices.begin(), state.devices.end(),
                           [&](const Device& d) { return d.path == path; });
    if (it == state.devices.end()) {
        state.last_open_failure = Hid_Open_Failure::Missing;
        return Hid_None;
    }
    const bool refused = (access == Hid_Access::Probe && it->refuse_probe) ||
                         (access == Hid_Access::Read && it->refuse_read) ||
                         (access == Hid_Access::Write && it->refuse_write);
    if (refused) {
        state.last_open_failure = it->refusal;
        return Hid_None;
    }
    state.last_open_failure = Hid_Open_Failure::None;
    return New_Handle({Handle_Info::Channel, access,
                       static_cast<std::size_t>(it - state.devices.begin()), false});
}

Hid_Open_Failure Hid_Last_Open_Failure()
{
    return state.last_open_failure;
}

bool Hid_Get_Attributes(Hid_Handle probe, Hid_Attributes& attributes)
{
    state.calls.push_back("attributes");
    Device* device = Device_Of(probe);
    if (device == nullptr || device->attributes_fail) return false;
    attributes = {device->vendor, device->product, device->version};
    return true;
}

bool Hid_Close(Hid_Handle handle)
{
    Handle_Info* info = Find(handle);
    if (info == nullptr) {
        state.calls.push_back("close (not open)");
        return false;
    }
    state.calls.push_back(info->kind == Handle_Info::Event
                              ? std::string("close Event")
                              : std::string("close ") + Access_Name(info->access) + " " +
                                    state.devices[info->device].path);
    state.open.erase(handle);
    return true;
}

Hid_Handle Hid_Create_Event()
{
    state.calls.push_back("create event");
    if (state.event_fails) return Hid_None;
    return New_Handle({Handle_Info::Event, Hid_Access::Probe, 0, true});
}

void Hid_Reset_Event(Hid_Handle event)
{
    state.calls.push_back("reset event");
    if (Handle_Info* info = Find(event)) info->signalled = false;
}

bool Hid_Write(Hid_Handle write_channel, Hid_Const_Report report)
{
    state.calls.push_back("write");
    Device* device = Device_Of(write_channel);
    if (device == nullptr || device->write_fails) return false;
    Written_Report& written = state.written.emplace_back();
    written.path = device->path;
    std::copy(report.begin(), report.end(), written.bytes.begin());
    if (device->acknowledge) device->replies.push_back(Make_Reply({'!'}));
    return true;
}

bool Hid_Start_Read(Hid_Handle read_channel, Hid_Overlapped& overlapped, Hid_Report buffer)
{
    state.calls.push_back("start read");
    Device* device = Device_Of(read_channel);
    if (device == nullptr || device->read_start_fails) return false;
    if (!overlapped.read) overlapped.read.reset(std::make_unique<Hid_Read_Record>().release());
    *overlapped.read = Hid_Read_Record{read_channel, buffer};
    if (Handle_Info* event = Find(overlapped.hEvent)) event->signalled = false;
    return true;
}

Hid_Wait_Result Hid_Wait_Read(Hid_Overlapped& overlapped, std::uint32_t limit_ms)
{
    state.calls.push_back("wait " + std::to_string(limit_ms));
    Device* device = overlapped.read ? Device_Of(overlapped.read->file) : nullptr;
    if (device == nullptr || device->wait_fails) return Hid_Wait_Result::Failed;
    if (device->replies.empty()) return Hid_Wait_Result::Timeout;
    const Input_Report reply = device->replies.front();
    device->replies.pop_front();
    std::span<std::uint8_t> buffer = overlapped.read->buffer;
    buffer[0] = 0;
    std::copy(reply.begin(), reply.end(), buffer.begin() + 1);
    if (Handle_Info* event = Find(overlapped.hEvent)) event->signalled = true;
    return Hid_Wait_Result::Completed;
}

void Hid_Cancel_Read(Hid_Handle read_channel, Hid_Overlapped& overlapped)
{
    state.calls.push_back("cancel read");
    (void)read_channel;
    if (overlapped.read) *overlapped.read = Hid_Read_Record{};
}

void Hid_Discard_Input(Hid_Handle read_channel)
{
    state.calls.push_back("discard input");
    if (Device* device = Device_Of(read_channel)) device->replies.clear();
}

Hid_Lock_Result Hid_Lock_Device(const char* path, std::uint32_t limit_ms, Hid_Handle& lock)
{
    state.calls.push_back(std::string("lock ") + path + " " + std::to_string(limit_ms));
    lock = Hid_None;
    auto it = std::find_if(state.devices.begin(), state.devices.end(),
                           [&](const Device& d) { return d.path == path; });
    if (it == state.devices.end()) return Hid_Lock_Result::Failed;
    if (it->held) return Hid_Lock_Result::Held;
    for (const auto& [handle, info] : state.open)
        if (info.kind == Handle_Info::Lock && state.devices[info.device].path == path)
            return Hid_Lock_Result::Held;
    lock = New_Handle({Handle_Info::Lock, Hid_Access::Probe,
                       static_cast<std::size_t>(it - state.devices.begin()), false});
    return Hid_Lock_Result::Acquired;
}

void Hid_Release_Lock(Hid_Handle lock)
{
    Handle_Info* info = Find(lock);
    if (info == nullptr || info->kind != Handle_Info::Lock) {
        state.calls.push_back("unlock (not held)");
        return;
    }
    state.calls.push_back("unlock " + state.devices[info->device].path);
    state.open.erase(lock);
}
