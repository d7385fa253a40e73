#include "programs/start/globals.h"

#include "base/parse.h"
#include "base/paths.h"

namespace {

constexpr const char* vexl_name = "VEXL";
constexpr const char* klvr_name = "KLVR";
constexpr const char* undefined_mode_name = "XXXXXX_mode_undefined";

// Setting names; the file keeps them as they are spelt here.
constexpr const char* key_last_connect_device_id = "last_connect_device_id";
constexpr const char* key_autonnect = "autonnect";
constexpr const char* key_ttimezone = "ttimezone";
constexpr const char* key_mode = "mode";
constexpr const char* key_display_mode = "display_mode";
constexpr const char* key_data_dir = "data_dir";

}  // namespace

const char* mode_name(int mode)
{
    switch (mode) {
    case MODE_VEXL:
        return vexl_name;
    case MODE_KLVR:
        return klvr_name;
    default:
        return undefined_mode_name;
    }
}

uint8_t mode_from_name(const char* name)
{
    if (name && text_compare_nocase(name, klvr_name) == 0)
        return MODE_KLVR;
    if (name && text_compare_nocase(name, vexl_name) == 0)
        return MODE_VEXL;
    return MODE_UNDEFINED;
}

Tglobals::Tglobals() : data_dir(default_data_dir) {}

Tglobals::~Tglobals()
{
    settings.write();
}

void Tglobals::load(const char* file_name)
{
    settings.load(file_name);
    autonnect = settings.getInt(key_autonnect, 0);
    last_connect_device_id = settings.getInt(key_last_connect_device_id, 0);
    ttimezone = settings.getInt(key_ttimezone, 0);
    mode = mode_from_name(settings.getText(key_mode, "E_mode_undefined", nullptr));
    data_dir.assign(settings.getText(key_data_dir, default_data_dir, nullptr));
    // An empty folder would put the flow log at the file system's root.
    if (data_dir.length() == 0)
        data_dir.assign(default_data_dir);
    display_mode.assign(settings.getText(key_display_mode, "", nullptr));
}

bool Tglobals::save(int* error)
{
    settings.setInt(key_last_connect_device_id, last_connect_device_id);
    settings.setInt(key_autonnect, autonnect);
    settings.setInt(key_ttimezone, ttimezone);
    settings.setText(key_mode, mode_name(mode));
    settings.setText(key_display_mode, display_mode.c_str());
    settings.setText(key_data_dir, data_dir.c_str());
    return settings.write(error);
}

void Tglobals::dataFolder(Tmy_string* out) const
{
    local_path(out, data_dir.c_str());
}
