#include "platform/port_list.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <iterator>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

namespace {

std::vector<std::string> folder_entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = folder.empty() ? nullptr : opendir(folder.c_str());
    if (!dir) {
        return names;
    }
    while (const dirent* entry = readdir(dir)) {
        names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// The path with every link followed, or the path itself when it does not resolve.
std::string canonical_path(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

bool is_character_device(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

bool exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// The index of "<family><digits>", or -1.
long family_index(const std::string& name, const char* family) {
    const std::size_t length = std::strlen(family);
    if (name.compare(0, length, family) != 0 || name.size() == length ||
        name.find_first_not_of("0123456789", length) != std::string::npos) {
        return -1;
    }
    return std::strtol(name.c_str() + length, nullptr, 10);
}

struct Ttty_device {
    int family;
    long index;
    std::string name;

    bool operator<(const Ttty_device& other) const {
        return family != other.family ? family < other.family : index < other.index;
    }
};

constexpr const char* tty_families[] = {"ttyACM", "ttyUSB", "ttyS"};
constexpr int uart_family = 2;

}  // namespace

Tport_folders Tport_folders::system() {
    Tport_folders where;
    const char* ports = std::getenv("CALYXO_PORTS_DIR");
    const char* home = std::getenv("HOME");
    if (ports && *ports) {
        where.ports = ports;
    } else if (home && *home) {
        where.ports = std::string(home) + "/.config/calyxo/ports";
    }
    where.sysfs_tty = "/sys/class/tty";
    where.dev = "/dev";
    return where;
}

int port_list_com_number(const char* name) {
    if (!name || strncasecmp(name, "com", 3) != 0 || name[3] < '1' || name[3] > '9') {
        return 0;
    }
    int number = 0;
    for (const char* digit = name + 3; *digit; ++digit) {
        if (*digit < '0' || *digit > '9') {
            return 0;
        }
        number = number * 10 + (*digit - '0');
        if (number > Tport_list::max_number) {
            return 0;
        }
    }
    return number;
}

void Tport_list::scan() {
    for (std::string& device : devices) {
        device.clear();
    }
    scanLinks();
    scanTtyClass();
}

const std::string& Tport_list::devicePath(int number) const {
    static const std::string none;
    return number >= 1 && number <= max_number ? devices[number] : none;
}

std::string Tport_list::resolve(const char* port_path) {
    if (!port_path) {
        return {};
    }
    const char* name = std::strncmp(port_path, "\\\\.\\", 4) == 0 ? port_path + 4 : port_path;
    const int number = port_list_com_number(name);
    if (number == 0) {
        return port_path;
    }
    scan();
    return devices[number];
}

void Tport_list::scanLinks() {
    for (const std::string& name : folder_entries(folders.ports)) {
        const int number = port_list_com_number(name.c_str());
        const std::string device = canonical_path(folders.ports + "/" + name);
        if (number != 0 && devices[number].empty() && is_character_device(device)) {
            devices[number] = device;
        }
    }
}

void Tport_list::scanTtyClass() {
    std::vector<Ttty_device> found;
    for (const std::string& name : folder_entries(folders.sysfs_tty)) {
        for (int family = 0; family < static_cast<int>(std::size(tty_families)); ++family) {
            const long index = family_index(name, tty_families[family]);
            if (index >= 0 && (family != uart_family || hasUart(name))) {
                found.push_back({family, index, name});
            }
        }
    }
    std::sort(found.begin(), found.end());
    for (const Ttty_device& tty : found) {
        const std::string device = canonical_path(folders.dev + "/" + tty.name);
        if (!isLinked(device)) {
            assignLowestFree(device);
        }
    }
}

bool Tport_list::isLinked(const std::string& device) const {
    return std::find(std::begin(devices), std::end(devices), device) != std::end(devices);
}

bool Tport_list::hasUart(const std::string& tty_name) const {
    const std::string folder = folders.sysfs_tty + "/" + tty_name;
    if (!exists(folder + "/device/driver")) {
        return false;
    }
    // The port type is 0 for a line the driver reserves without a UART; a
    // folder without a readable type cannot tell and counts.
    FILE* file = std::fopen((folder + "/type").c_str(), "r");
    if (!file) {
        return true;
    }
    char text[16] = {};
    const bool known_type = !std::fgets(text, sizeof text, file) || std::strtol(text, nullptr, 10) != 0;
    std::fclose(file);
    return known_type;
}

void Tport_list::assignLowestFree(const std::string& device) {
    for (int number = 1; number <= max_number; ++number) {
        if (devices[number].empty()) {
            devices[number] = device;
            return;
        }
    }
}
