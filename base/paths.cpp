#include "base/paths.h"

#include <cctype>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "base/my_string.h"

namespace {

bool is_separator(char c)
{
    return c == '/' || c == '\\';
}

}  // namespace

int path_join(char* buf, int size, const char* dir, const char* name)
{
    if (!buf || !dir || !name)
        return 0;
    const size_t dir_len = std::strlen(dir);
    const size_t name_len = std::strlen(name);
    if (size <= 0 || dir_len + name_len + 2 >= static_cast<size_t>(size))
        return 0;
    std::string joined(dir);
    if (dir_len == 0) {
        joined = name;
    } else {
        const bool dir_slash = is_separator(dir[dir_len - 1]);
        const bool name_slash = name_len > 0 && is_separator(name[0]);
        if (dir_slash && name_slash)
            joined.append(name + 1);
        else if (dir_slash || name_slash)
            joined.append(name);
        else
            joined.append("/").append(name);
    }
    std::memcpy(buf, joined.c_str(), joined.size() + 1);
    return static_cast<int>(joined.size());
}

bool make_dir_path(const char* path)
{
    if (!path || !*path)
        return true;
    std::string prefix;
    const char* p = path;
    if (is_separator(*p)) {
        prefix = "/";
        while (is_separator(*p))
            ++p;
    }
    while (*p) {
        const char* part = p;
        while (*p && !is_separator(*p))
            ++p;
        if (p > part) {
            if (!prefix.empty() && prefix.back() != '/')
                prefix += '/';
            prefix.append(part, static_cast<size_t>(p - part));
            struct stat info;
            if (stat(prefix.c_str(), &info) != 0) {
                if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
                    return true;
            } else if (!S_ISDIR(info.st_mode)) {
                return true;
            }
        }
        while (is_separator(*p))
            ++p;
    }
    return false;
}

bool is_absolute_path(const char* path)
{
    if (!path || std::strlen(path) < 2)
        return false;
    return path[1] == ':' || path[0] == '/' || path[0] == '\\';
}

void local_path(Tmy_string* out, const char* path)
{
    if (!out)
        return;
    out->clear();
    if (!path)
        return;
    const bool drive = std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
    if (drive) {
        path += 2;
        while (is_separator(*path))
            ++path;
        const char* home = std::getenv("HOME");
        if (home && *home) {
            out->append(home);
            if (*path && !is_separator(out->c_str()[out->length() - 1]))
                out->append("/");
        }
    }
    for (const char* p = path; *p; ++p)
        out->append(*p == '\\' ? "/" : p, 1);
}

void get_current_dir(Tmy_string* out)
{
    if (!out)
        return;
    out->clear();
    char* dir = getcwd(nullptr, 0);  // sized by the system: no fixed limit
    if (dir) {
        out->append(dir);
        std::free(dir);
    }
}

int file_size(FILE* stream)
{
    if (!stream)
        return 0;
    const long here = std::ftell(stream);
    if (here < 0 || std::fseek(stream, 0, SEEK_END) != 0)
        return 0;
    const long end = std::ftell(stream);
    std::fseek(stream, here, SEEK_SET);
    return end < 0 ? 0 : static_cast<int>(end);
}

namespace {

// Names tried after the wanted one before placing gives up.
constexpr int max_free_name_tries = 1000;

// "<stem>_<n><extension>" of wanted, the extension being what follows the last
// '.' of the file name.
std::string numbered_name(const std::string& wanted, int n)
{
    const std::size_t separator = wanted.find_last_of("/\\");
    const std::size_t name_start = separator == std::string::npos ? 0 : separator + 1;
    std::size_t dot = wanted.rfind('.');
    if (dot == std::string::npos || dot <= name_start)
        dot = wanted.size();
    return wanted.substr(0, dot) + "_" + std::to_string(n) + wanted.substr(dot);
}

// Moves temporary to candidate unless a file of that name exists: 0 done,
// EEXIST taken, else the error.
int move_unless_taken(const char* temporary, const char* candidate)
{
    // A hard link fails on an existing name, so that no other writer slips in
    // between the test and the move.
    if (link(temporary, candidate) == 0) {
        unlink(temporary);
        return 0;
    }
    const int error = errno;
    if (error == EEXIST)
        return EEXIST;
    // A file system without hard links: look, then rename.
    struct stat info;
    if (lstat(candidate, &info) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return std::rename(temporary, candidate) == 0 ? 0 : errno;
}

}  // namespace

bool place_file(const char* temporary, const char* wanted, char* placed, int size)
{
    if (placed && size > 0)
        placed[0] = '\0';
    if (!temporary || !wanted || !*wanted)
        return true;
    for (int n = 1; n <= max_free_name_tries; ++n) {
        const std::string candidate = n == 1 ? std::string(wanted) : numbered_name(wanted, n);
        const int result = move_unless_taken(temporary, candidate.c_str());
        if (result == EEXIST)
            continue;
        if (result != 0)
            return true;
        if (placed && size > 0 && candidate.size() < static_cast<std::size_t>(size))
            std::memcpy(placed, candidate.c_str(), candidate.size() + 1);
        return false;
    }
    return true;
}

std::string free_file_name(const char* wanted)
{
    const std::string name = wanted ? wanted : "";
    struct stat info;
    if (lstat(name.c_str(), &info) != 0)
        return name;
    for (int n = 2; n <= max_free_name_tries; ++n) {
        const std::string candidate = numbered_name(name, n);
        if (lstat(candidate.c_str(), &info) != 0)
            return candidate;
    }
    return name;
}

namespace {

// Names tried for a temporary file before giving up.
constexpr int max_temporary_tries = 100;

// A new file "<path>.<process>.<n>.tmp": O_EXCL replaces no file and follows
// no link of that name. The descriptor, or -1 with errno set.
int create_temporary_beside(const char* path, std::string* temporary)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < max_temporary_tries; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp", static_cast<long>(getpid()), counter++);
        *temporary = std::string(path) + suffix;
        const int fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

int write_file_replacing(const char* path, const void* bytes, std::size_t size)
{
    if (!path || !*path || (!bytes && size > 0))
        return EINVAL;
    std::string temporary;
    const int fd = create_temporary_beside(path, &temporary);
    if (fd < 0)
        return errno;
    int error = 0;
    const char* next = static_cast<const char*>(bytes);
    std::size_t left = size;
    while (left > 0 && error == 0) {
        const ssize_t written = write(fd, next, left);
        if (written > 0) {
            next += written;
            left -= static_cast<std::size_t>(written);
        } else if (written < 0 && errno != EINTR) {
            error = errno;
        } else if (written == 0) {
            error = EIO;
        }
    }
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && std::rename(temporary.c_str(), path) != 0)
        error = errno;
    if (error != 0)
        unlink(temporary.c_str());
    return error;
}

void sleep_ms(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int path_file_name(char* buf, int size, const char* path)
{
    if (!buf || size <= 0)
        return 0;
    buf[0] = '\0';
    if (!path)
        return 0;
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (is_separator(*p) || *p == ':')
            name = p + 1;
    const size_t length = std::strlen(name);
    if (length <= static_cast<size_t>(size) - 1) {
        std::memcpy(buf, name, length + 1);
        return static_cast<int>(length);
    }
    std::memcpy(buf, name, static_cast<size_t>(size) - 1);
    buf[size - 1] = '\0';
    return 0;
}

int path_directory(char* buf, int size, const char* path)
{
    if (!buf || size <= 0)
        return 0;
    buf[0] = '\0';
    if (!path || std::strlen(path) > static_cast<size_t>(size) - 1)
        return 0;
    size_t keep = 0;
    for (size_t i = 0; path[i]; ++i)
        if (is_separator(path[i]))
            keep = i + 1;
    std::memcpy(buf, path, keep);
    buf[keep] = '\0';
    return static_cast<int>(keep);
}

void path_strip_trailing_separators(char* path)
{
    if (!path)
        return;
    size_t length = std::strlen(path);
    while (length >= 2 && is_separator(path[length - 1]))
        path[--length] = '\0';
}
