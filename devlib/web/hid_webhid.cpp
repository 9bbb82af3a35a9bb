// hid_webhid.cpp - the HID operations in a web page, through WebHID.
//
// The walk lists the devices this page may use (navigator.hid.getDevices());
// where it may use none and the user has just pressed something (a send),
// the browser's chooser is asked for the module first, and the browser
// remembers what the user picks. A device has no path in WebHID: each one
// the page meets gets a number for the life of the page, and its path is
// "webhid:<number>". Where the browser has no WebHID, the walk finds
// nothing.
//
// A channel is a number naming one use of a device; the device itself is
// opened by its first channel and closed with its last. A read channel
// queues the input reports that arrive ("inputreport" events) from its
// open on; a read takes the oldest, waiting for one at most the limit,
// and a "disconnect" of the device ends a pending wait at once. Writes are
// sendReport(0, bytes 1..16): the module has no numbered reports. The
// read event is a number too: nothing waits on it, the wait is the read's
// own promise.
//
// The module lock is a Web Lock named after the device's vendor, product
// and name, so that two tabs (and two windows) of the page take turns on a
// module; the browser gives it up when the page that holds it goes. Two
// modules alike share one lock: they take turns as well, which is safe.
//
// Every call that waits on the browser (the walk, open, close, write, the
// read's wait, the lock) is an asynchronous import: the program's stack is
// put aside (ASYNCIFY) until its promise settles, so the logic above sees
// the same blocking calls as on every platform.
#include <emscripten.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "hid_backend.h"

struct Hid_Device_List {
    int count = 0;  // devices present when the list was taken
};

// The read in flight: the report is taken inside the wait, so this is the
// channel and the buffer it goes to.
struct Hid_Read_Record {
    Hid_Handle channel = Hid_None;
    std::span<std::uint8_t> buffer;
};

void Hid_Read_Record_Release::operator()(Hid_Read_Record* record) const
{
    std::unique_ptr<Hid_Read_Record> owned{record};
}

// clang-format off

// The page's side: the devices met, the channels, events and locks.
EM_JS(void, Hid_Web_Start, (), {
    if (Module.kx418Hid) return;
    const hid = {
        devices: [],              // by number
        handles: new Map(),       // handle -> { kind, device, ... }
        next: 1,
        failure: 0,               // why the last open failed (Hid_Open_Failure)
    };
    hid.number = (device) => {
        let number = hid.devices.indexOf(device);
        if (number < 0) number = hid.devices.push(device) - 1;
        return number;
    };
    hid.device = (path) => {
        const prefix = 'webhid:';
        const number = path.startsWith(prefix) ? Number(path.slice(prefix.length)) : NaN;
        return Number.isInteger(number) ? hid.devices[number] : undefined;
    };
    hid.users = (device) => {
        let users = 0;
        for (const h of hid.handles.values()) if (h.kind === 'channel' && h.device === device) ++users;
        return users;
    };
    hid.add = (record) => { const handle = hid.next++; hid.handles.set(handle, record); return handle; };
    if (navigator.hid) {
        navigator.hid.addEventListener('disconnect', (event) => {
            for (const h of hid.handles.values()) {
                if (h.kind !== 'channel' || h.device !== event.device) continue;
                h.gone = true;
                if (h.wake) h.wake();
            }
        });
    }
    Module.kx418Hid = hid;
});

// The number of devices found, or -1 when the list cannot be had.
EM_ASYNC_JS(int, Hid_Web_List, (), {
    const hid = Module.kx418Hid;
    if (!navigator.hid) return 0;
    let devices = [];
    try {
        devices = await navigator.hid.getDevices();
        // The chooser needs the user's gesture; it lists the module only.
        if (devices.length === 0 && navigator.userActivation && navigator.userActivation.isActive)
            devices = await navigator.hid.requestDevice(
                {filters: [{vendorId: 0x2B5D, productId: 0x0418}]});
    } catch (error) {
        if (devices.length === 0) return 0;
    }
    hid.list = devices;
    return devices.length;
});

EM_JS(int, Hid_Web_List_Number, (int index), {
    return Module.kx418Hid.number(Module.kx418Hid.list[index]);
});

// A channel handle, or -1 and why in Hid_Web_Last_Failure (a Hid_Open_Failure).
EM_ASYNC_JS(int, Hid_Web_Open, (const char* path, int reading), {
    const hid = Module.kx418Hid;
    const device = hid.device(UTF8ToString(path));
    if (!device) { hid.failure = 3; return -1; }
    if (!device.opened) {
        try {
            await device.open();
        } catch (error) {
            // NotAllowedError: the system keeps the user from the device
            // (on Linux, a node without the package's access rule).
            hid.failure = error && error.name === 'NotAllowedError' ? 1
                         : error && error.name === 'NotFoundError' ? 3 : 4;
            // The page says, outside the panel, how to allow it.
            const note = error && error.name === 'NotAllowedError' &&
                         typeof document !== 'undefined' &&
                         document.getElementById('kx418-not-allowed');
            if (note) note.hidden = false;
            return -1;
        }
    }
    const record = {kind: 'channel', device, gone: false, queue: [], wake: null};
    if (reading) {
        record.listener = (event) => {
            record.queue.push(new Uint8Array(event.data.buffer, event.data.byteOffset,
                                             event.data.byteLength).slice());
            if (record.wake) record.wake();
        };
        device.addEventListener('inputreport', record.listener);
    }
    hid.failure = 0;
    return hid.add(record);
});

EM_JS(int, Hid_Web_Last_Failure, (), {
    return Module.kx418Hid.failure;
});

// 1 with the vendor and product in `ids` (two 16-bit numbers), else 0.
EM_JS(int, Hid_Web_Ids, (int handle, std::uint16_t* ids), {
    const h = Module.kx418Hid.handles.get(handle);
    if (!h || h.kind !== 'channel') return 0;
    HEAPU16[ids >> 1] = h.device.vendorId;
    HEAPU16[(ids >> 1) + 1] = h.device.productId;
    return 1;
});

EM_ASYNC_JS(int, Hid_Web_Close, (int handle), {
    const hid = Module.kx418Hid;
    const h = hid.handles.get(handle);
    if (!h) return 0;
    hid.handles.delete(handle);
    if (h.kind !== 'channel') return 1;
    if (h.listener) h.device.removeEventListener('inputreport', h.listener);
    if (h.wake) h.wake();
    if (hid.users(h.device) === 0 && h.device.opened && !h.gone) {
        try { await h.device.close(); } catch (error) { return 0; }
    }
    return 1;
});

EM_JS(int, Hid_Web_New_Event, (), {
    return Module.kx418Hid.add({kind: 'event'});
});

EM_JS(int, Hid_Web_Is_Channel, (int handle), {
    Hid_Web_Start();
    const h = Module.kx418Hid.handles.get(handle);
    return h && h.kind === 'channel' && !h.gone ? 1 : 0;
});

// Sends bytes 1..16 of the report as report 0; 1 when the browser says
// they went out. A device that has gone fails at once: a sendReport after
// its disconnect would never settle.
EM_ASYNC_JS(int, Hid_Web_Write, (int handle, const std::uint8_t* report), {
    const h = Module.kx418Hid.handles.get(handle);
    if (!h || h.kind !== 'channel' || h.gone) return 0;
    const bytes = HEAPU8.slice(report + 1, report + 17);
    let gone;
    const disconnected = new Promise((resolve) => { gone = resolve; });
    const wake = h.wake;
    h.wake = () => { gone(false); if (wake) wake(); };
    try {
        return await Promise.race([h.device.sendReport(0, bytes).then(() => true), disconnected])
            ? 1 : 0;
    } catch (error) {
        return 0;
    } finally {
        h.wake = wake;
    }
});

// Takes the oldest queued report into bytes 1..16 of `buffer` (byte 0 the
// report ID 0), waiting for one at most `limit_ms`. 0 done, 1 time is up,
// 2 the channel failed (the device has gone).
EM_ASYNC_JS(int, Hid_Web_Read, (int handle, std::uint8_t* buffer, int limit_ms), {
    const h = Module.kx418Hid.handles.get(handle);
    if (!h || h.kind !== 'channel') return 2;
    if (h.queue.length === 0 && !h.gone) {
        let timer;
        await new Promise((resolve) => {
            h.wake = resolve;
            timer = setTimeout(resolve, limit_ms);
        });
        clearTimeout(timer);
        h.wake = null;
    }
    if (h.queue.length > 0) {
        const report = h.queue.shift();
        HEAPU8.fill(0, buffer, buffer + 17);
        HEAPU8.set(report.subarray(0, 16), buffer + 1);
        return 0;
    }
    return h.gone ? 2 : 1;
});

EM_JS(void, Hid_Web_Discard, (int handle), {
    const h = Module.kx418Hid.handles.get(handle);
    if (h && h.queue) h.queue.length = 0;
});

// A lock handle, or -1 when held past the limit, -2 when no lock can be had.
EM_ASYNC_JS(int, Hid_Web_Lock, (const char* path, int limit_ms), {
    const hid = Module.kx418Hid;
    const device = hid.device(UTF8ToString(path));
    if (!device || !navigator.locks) return -2;
    const name = 'hid:' + device.vendorId + ':' + device.productId + ':' + device.productName;
    let release;
    const held = new Promise((resolve) => { release = resolve; });
    const controller = new AbortController();
    const options = limit_ms === 0 ? {ifAvailable: true} : {signal: controller.signal};
    const timer = limit_ms === 0 ? null : setTimeout(() => controller.abort(), limit_ms);
    try {
        const got = await new Promise((resolve, reject) => {
            navigator.locks.request(name, options, (lock) => {
                resolve(lock !== null);
                return lock === null ? undefined : held;
            }).catch(reject);
        });
        if (!got) return -1;
    } catch (error) {
        return error && error.name === 'AbortError' ? -1 : -2;
    } finally {
        if (timer !== null) clearTimeout(timer);
    }
    return hid.add({kind: 'lock', release});
});

EM_JS(void, Hid_Web_Unlock, (int handle), {
    const hid = Module.kx418Hid;
    const h = hid && hid.handles.get(handle);
    if (!h || h.kind !== 'lock') return;
    hid.handles.delete(handle);
    h.release();
});

// clang-format on

Hid_Device_List* Hid_Get_Device_List()
{
    Hid_Web_Start();
    const int count = Hid_Web_List();
    if (count < 0) return nullptr;
    auto list = std::make_unique<Hid_Device_List>();
    list->count = count;
    return list.release();
}

Hid_Item_Result Hid_Get_Device_Interface(Hid_Device_List* list, std::uint32_t index,
                                         Hid_Interface_Data& /*data*/, Hid_Interface_Detail& detail)
{
    if (list == nullptr || index >= static_cast<std::uint32_t>(list->count))
        return Hid_Item_Result::End;
    detail.DevicePath = "webhid:" + std::to_string(Hid_Web_List_Number(static_cast<int>(index)));
    return Hid_Item_Result::Found;
}

void Hid_Destroy_Device_List(Hid_Device_List* list)
{
    std::unique_ptr<Hid_Device_List> owned{list};
}

Hid_Open_Failure Hid_Last_Open_Failure()
{
    Hid_Web_Start();
    switch (Hid_Web_Last_Failure()) {
    case 0: return Hid_Open_Failure::None;
    case 1: return Hid_Open_Failure::Denied;
    case 2: return Hid_Open_Failure::Busy;
    case 3: return Hid_Open_Failure::Missing;
    default: return Hid_Open_Failure::Other;
    }
}

Hid_Handle Hid_Open(const char* path, Hid_Access access)
{
    Hid_Web_Start();
    if (path == nullptr) return Hid_None;
    const int handle = Hid_Web_Open(path, access == Hid_Access::Read ? 1 : 0);
    return handle < 0 ? Hid_None : Hid_Handle{handle};
}

bool Hid_Get_Attributes(Hid_Handle probe, Hid_Attributes& attributes)
{
    std::array<std::uint16_t, 2> ids{};
    if (probe == Hid_None || !Hid_Web_Ids(static_cast<int>(probe), ids.data())) return false;
    attributes.VendorID = ids[0];
    attributes.ProductID = ids[1];
    // WebHID tells no release number. 0 stands for it, as the hidraw backend
    // does where sysfs has none: the module is matched by vendor and
    // product alone, whatever its version, so nothing is lost.
    attributes.VersionNumber = 0;
    return true;
}

bool Hid_Close(Hid_Handle handle)
{
    return handle != Hid_None && Hid_Web_Close(static_cast<int>(handle)) != 0;
}

Hid_Handle Hid_Create_Event()
{
    Hid_Web_Start();
    return Hid_Handle{Hid_Web_New_Event()};
}

void Hid_Reset_Event(Hid_Handle /*event*/)
{
    // Nothing waits on the event: the read's own wait is its promise.
}

bool Hid_Write(Hid_Handle write_channel, Hid_Const_Report report)
{
    return write_channel != Hid_None &&
           Hid_Web_Write(static_cast<int>(write_channel), report.data()) != 0;
}

bool Hid_Start_Read(Hid_Handle read_channel, Hid_Overlapped& overlapped, Hid_Report buffer)
{
    if (read_channel == Hid_None || !Hid_Web_Is_Channel(static_cast<int>(read_channel)))
        return false;
    if (!overlapped.read) overlapped.read.reset(std::make_unique<Hid_Read_Record>().release());
    *overlapped.read = Hid_Read_Record{read_channel, buffer};
    return true;
}

Hid_Wait_Result Hid_Wait_Read(Hid_Overlapped& overlapped, std::uint32_t limit_ms)
{
    if (!overlapped.read || overlapped.read->channel == Hid_None) return Hid_Wait_Result::Failed;
    const Hid_Read_Record& record = *overlapped.read;
    const int limit = static_cast<int>(std::min<std::uint32_t>(limit_ms, 0x7FFFFFFF));
    switch (Hid_Web_Read(static_cast<int>(record.channel), record.buffer.data(), limit)) {
    case 0: return Hid_Wait_Result::Completed;
    case 1: return Hid_Wait_Result::Timeout;
    default: return Hid_Wait_Result::Failed;
    }
}

void Hid_Cancel_Read(Hid_Handle /*read_channel*/, Hid_Overlapped& overlapped)
{
    // Reports are taken inside the wait, so none is left in flight: forget it.
    if (overlapped.read) *overlapped.read = Hid_Read_Record{};
}

void Hid_Discard_Input(Hid_Handle read_channel)
{
    if (read_channel != Hid_None) Hid_Web_Discard(static_cast<int>(read_channel));
}

Hid_Lock_Result Hid_Lock_Device(const char* path, std::uint32_t limit_ms, Hid_Handle& lock)
{
    Hid_Web_Start();
    lock = Hid_None;
    if (path == nullptr) return Hid_Lock_Result::Failed;
    const int limit = static_cast<int>(std::min<std::uint32_t>(limit_ms, 0x7FFFFFFF));
    const int result = Hid_Web_Lock(path, limit);
    if (result == -1) return Hid_Lock_Result::Held;
    if (result < 0) return Hid_Lock_Result::Failed;
    lock = Hid_Handle{result};
    return Hid_Lock_Result::Acquired;
}

void Hid_Release_Lock(Hid_Handle lock)
{
    if (lock != Hid_None) Hid_Web_Unlock(static_cast<int>(lock));
}
