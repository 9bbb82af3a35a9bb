// hid_settle.cpp - waits until wine's device manager has brought up the HID
// devices a session should have:
//
//   kx418_hid_settle VID:PID [VID:PID...]
//
// Each VID:PID (hex) must be present, as often as it is named. Devices come
// up one by one after a session starts; a test that walks them at once may
// see only some. Exits 0 when all are there, 1 after 20 s with what was
// seen.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <utility>

#include "win32_support.h"

namespace {

using Ids = std::map<std::pair<unsigned, unsigned>, int>;

Ids Present()
{
    Ids ids;
    for (const Seen_Device& device : Present_Devices())
        if (device.probed) ++ids[{device.attributes.VendorID, device.attributes.ProductID}];
    return ids;
}

bool All_There(const Ids& wanted, const Ids& present)
{
    for (const auto& [id, count] : wanted) {
        const auto found = present.find(id);
        if (found == present.end() || found->second < count) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Ids wanted;
    for (int i = 1; i < argc; ++i) {
        unsigned vendor = 0, product = 0;
        if (std::sscanf(argv[i], "%x:%x", &vendor, &product) != 2) {
            std::fprintf(stderr, "kx418_hid_settle: not VID:PID: %s\n", argv[i]);
            return 2;
        }
        ++wanted[{vendor, product}];
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    Ids present = Present();
    while (!All_There(wanted, present)) {
        if (std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "kx418_hid_settle: after 20 s these HID devices are present:");
            for (const auto& [id, count] : present)
                std::fprintf(stderr, " %04X:%04X x%d", id.first, id.second, count);
            std::fprintf(stderr, "\n");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        present = Present();
    }
    return 0;
}
