// kx418_devices.cpp - the present devices and the open of a chosen module,
// for the command-line tool, on the library's own walk and match: what the
// survey numbers is what the open selects.
#include "kx418_devices.h"

#include <algorithm>

#include "kx418_logic.h"

namespace {

// The module as KX418_Open looks for it, the wanted index aside.
Device_Match Module_Match(std::int32_t wanted_index)
{
    return Make_Device_Match(wanted_index, KX418_Vendor_ID, KX418_Product_ID, KX418_Version_Number,
                             KX418_Match_Flags);
}

Device_Attributes Attributes_Of(const Hid_Attributes& attributes)
{
    return {attributes.VendorID, attributes.ProductID, attributes.VersionNumber};
}

Open_Refusal Refusal_Of(Hid_Open_Failure failure)
{
    switch (failure) {
    case Hid_Open_Failure::Denied: return Open_Refusal::Denied;
    case Hid_Open_Failure::Busy: return Open_Refusal::Busy;
    case Hid_Open_Failure::Missing: return Open_Refusal::Missing;
    case Hid_Open_Failure::None:
    case Hid_Open_Failure::Other: break;
    }
    return Open_Refusal::Other;
}

struct Survey {
    // Never selects: the wanted index is one the count cannot reach, so
    // the match looks at every device, counts the modules and locks none.
    Device_Match match = Module_Match(-1);
    std::vector<Present_Device> devices;
};

int Survey_Visitor(const Hid_Interface_Data& data, const Hid_Interface_Detail& detail,
                   void* context)
{
    Survey& survey = *static_cast<Survey*>(context);
    const std::int32_t modules_before = survey.match.matches_passed;
    Match_Device(data, detail, survey.match);
    const Device_Look& look = survey.match.look;

    Present_Device& device = survey.devices.emplace_back();
    device.path = detail.DevicePath;
    device.opened = look.opened;
    if (!look.opened) device.refusal = Refusal_Of(look.failure);
    device.attributes_read = look.attributes_read;
    if (look.attributes_read) device.attributes = Attributes_Of(look.attributes);
    device.module = look.matches;
    if (device.module) {
        device.index = modules_before;
        device.busy = Device_Held(device.path.c_str());
    }
    return 1;
}

// The first module of the walk from `wanted_index` on, as Open_Device
// selects it.
int Open_By_Walk(std::int32_t wanted_index, Module_Failure& failure)
{
    const Device_Match match = Module_Match(wanted_index);
    if (Open_Device(wanted_index, match.vendor_id, match.product_id, match.version_number,
                    match.match_flags))
        return 1;
    if (Last_Open_Failure() == Open_Failure::Held) {
        failure.why = Module_Failure::Why::Held;
        failure.path = Last_Held_Path();
    } else {
        failure.why = Module_Failure::Why::Not_Found;
    }
    return 0;
}

// The device at `path`, by the same match as a device of the walk.
int Open_By_Path(const std::string& path, Module_Failure& failure)
{
    Close_Device();
    Device_Match match = Module_Match(0);
    if (Match_Device(Hid_Interface_Data{}, Hid_Interface_Detail{path}, match) == 0) {
        // The probe channel is not reused; the lock is the open's now.
        Hid_Close(match.device_handle);
        Lock_Handle = match.lock_handle;
        if (Open_Channels(path.c_str())) return 1;
        // The channel that would not open says why; a read event that
        // could not be made leaves nothing to say.
        const Hid_Open_Failure channel = Hid_Last_Open_Failure();
        failure.why = channel == Hid_Open_Failure::None ? Module_Failure::Why::Not_Found
                                                        : Module_Failure::Why::Cannot_Open;
        failure.refusal = Refusal_Of(channel);
        return 0;
    }

    const Device_Look& look = match.look;
    failure.why = Module_Failure::Why::Not_Found;
    if (match.held_passed > 0) {
        failure.why = Module_Failure::Why::Held;
        failure.path = match.held_path;
    } else if (look.path_fits && !look.opened) {
        failure.why = Module_Failure::Why::Cannot_Open;
        failure.refusal = Refusal_Of(look.failure);
    } else if (look.attributes_read && !look.matches) {
        failure.why = Module_Failure::Why::Not_Module;
        failure.attributes = Attributes_Of(look.attributes);
    }
    return 0;
}

}  // namespace

std::vector<Present_Device> Survey_Devices()
{
    Survey survey;
    Enum_HID_Devices(Survey_Visitor, &survey);
    return std::move(survey.devices);
}

int Open_Module(const Module_Choice& choice, Module_Failure& failure)
{
    failure = Module_Failure{};
    int opened = 0;
    switch (choice.by) {
    case Module_Choice::By::First: opened = Open_By_Walk(0, failure); break;
    case Module_Choice::By::Index: {
        const std::vector<Present_Device> devices = Survey_Devices();
        const auto numbered = std::find_if(devices.begin(), devices.end(),
                                           [&](const auto& d) { return d.index == choice.index; });
        // A module plugged in after the survey may still be the one.
        opened = numbered != devices.end() ? Open_By_Path(numbered->path, failure)
                                           : Open_By_Walk(choice.index, failure);
        break;
    }
    case Module_Choice::By::Path: opened = Open_By_Path(choice.path, failure); break;
    }
    if (opened) return 1;
    Close_Device();
    return 0;
}
