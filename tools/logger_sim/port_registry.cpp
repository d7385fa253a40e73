#include "tools/logger_sim/port_registry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sim {

namespace {

constexpr int max_com = 255;

std::string link_target(const std::string& path)
{
    std::vector<char> buffer(4096);
    ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size() - 1);
    return length < 0 ? std::string() : std::string(buffer.data(), static_cast<std::size_t>(length));
}

// A link whose device is gone was left by a logger that did not stop cleanly.
bool is_stale_link(const std::string& path)
{
    struct stat link_info {};
    struct stat target_info {};
    return lstat(path.c_str(), &link_info) == 0 && S_ISLNK(link_info.st_mode) &&
           stat(path.c_str(), &target_info) != 0;
}

}  // namespace

std::string default_ports_dir()
{
    const char* dir = std::getenv("CALYXO_PORTS_DIR");
    if (dir && *dir)
        return dir;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/calyxo/ports";
}

bool PortRegistry::claim(const std::string& path, const std::string& device)
{
    if (symlink(device.c_str(), path.c_str()) == 0)
        return true;
    if (errno != EEXIST || !is_stale_link(path))
        return false;
    unlink(path.c_str());
    return symlink(device.c_str(), path.c_str()) == 0;
}

bool PortRegistry::add(const std::string& dir, int com, const std::string& device)
{
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    for (int candidate = com == 0 ? 1 : com; candidate <= (com == 0 ? max_com : com); ++candidate) {
        std::string path = dir + "/com" + std::to_string(candidate);
        if (claim(path, device)) {
            number = candidate;
            link = path;
            target = device;
            return true;
        }
    }
    failure = com == 0 ? "no free COM number in " + dir
                       : "cannot register " + dir + "/com" + std::to_string(com) + ": " + std::strerror(errno);
    return false;
}

bool PortRegistry::repoint(const std::string& device)
{
    if (link.empty())
        return false;
    std::string temporary = link + ".new" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(device.c_str(), temporary.c_str()) != 0 || rename(temporary.c_str(), link.c_str()) != 0) {
        failure = "cannot repoint " + link + ": " + std::strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    target = device;
    return true;
}

void PortRegistry::remove()
{
    if (!link.empty() && link_target(link) == target)
        unlink(link.c_str());
    link.clear();
    target.clear();
    number = 0;
}

}  // namespace sim
