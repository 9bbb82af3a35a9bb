// hid_fake.h - an in-process stand-in for the HID operations, for tests.
//
// Scripted devices instead of hardware; every call is recorded, every open
// handle counted, and waits return at once with the limit they were given,
// so a test can check the order of steps and that nothing is left open.
#ifndef KX418_HID_FAKE_H
#define KX418_HID_FAKE_H

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "hid_backend.h"

namespace fake_hid {

using Input_Report = std::array<std::uint8_t, Hid_Report_Size - 1>;

struct Device {
    std::string path;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t version = 1;
    bool detail_unreadable = false;  // listed, but its path cannot be read
    bool refuse_probe = false;       // cannot be opened for reading and writing
    bool attributes_fail = false;
    bool refuse_read = false;   // the read channel cannot be opened
    bool refuse_write = false;  // the write channel cannot be opened
    // Why a refused open failed, as Hid_Last_Open_Failure tells it.
    Hid_Open_Failure refusal = Hid_Open_Failure::Denied;
    bool write_fails = false;
    bool read_start_fails = false;     // a read cannot be started (device gone)
    bool wait_fails = false;           // the wait ends in an error
    bool acknowledge = false;          // each written report queues a "!" reply
    bool held = false;                 // another program holds its lock past any limit
    std::deque<Input_Report> replies;  // input reports waiting to be read
};

struct Handle_Info {
    enum Kind { Channel, Event, Lock } kind = Channel;
    Hid_Access access = Hid_Access::Probe;
    std::size_t device = 0;  // index into devices
    bool signalled = false;  // events only
};

struct Written_Report {
    std::string path;
    std::array<std::uint8_t, Hid_Report_Size> bytes{};
};

struct State {
    std::deque<Device> devices;  // in walk order
    bool list_fails = false;
    bool event_fails = false;
    std::map<Hid_Handle, Handle_Info> open;  // handles open now
    std::vector<std::string> calls;  // "open Probe /dev/a", "lock /dev/a 3000", "wait 2000", ...
    std::vector<Written_Report> written;
    int lists_open = 0;
    int opens = 0;  // Hid_Open calls, whatever their outcome
    Hid_Open_Failure last_open_failure = Hid_Open_Failure::None;
    Hid_Handle next_handle = 100;
};

extern State state;

// Back to no devices, nothing open, nothing recorded.
void Reset();

// Adds a device at the end of the walk and returns it for further setup.
Device& Add_Device(std::string path, std::uint16_t vendor, std::uint16_t product,
                   std::uint16_t version = 1);

// Handles open now, of one access kind or all channels and events together
// (locks aside).
int Open_Count();
int Open_Count(Hid_Access access);
int Events_Open();
// Locks held now, and the paths they are on.
std::vector<std::string> Locked_Paths();

// Paths of the devices with a channel of this kind open now.
std::vector<std::string> Open_Paths(Hid_Access access);

Input_Report Make_Reply(std::initializer_list<std::uint8_t> first_bytes);

}  // namespace fake_hid

#endif  // KX418_HID_FAKE_H
