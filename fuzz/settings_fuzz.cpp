// calyxo_start's settings file, as a technician's folder may hold it: read,
// written back, and read again. What was read must come back unchanged, entry
// by entry and byte by byte, and a second write gives the same file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "programs/start/settings.h"
#include "tests/support/recording_program.h"

namespace {

constexpr char file_name[] = "calyxo_start.cfg";

bool same_text(const Tmy_string& a, const Tmy_string& b)
{
    return a.length() == b.length() && std::memcmp(a.c_str(), b.c_str(), a.length()) == 0;
}

std::string read_bytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The settings take their folder from the working directory when they are
// built; a folder of their own keeps the fuzzer's corpus paths as they are.
struct Tfolder_settings {
    Tfolder_settings()
    {
        // Memory-backed where there is such a folder: every input writes the file three times.
        char in_memory[] = "/dev/shm/settings_fuzz_XXXXXX";
        char on_disk[] = "/tmp/settings_fuzz_XXXXXX";
        const char* folder = mkdtemp(in_memory);
        if (!folder)
            folder = mkdtemp(on_disk);
        char* previous = getcwd(nullptr, 0);
        if (!folder || !previous || chdir(folder) != 0)
            std::abort();
        first = new Tsettings;
        second = new Tsettings;
        if (chdir(previous) != 0)
            std::abort();
        std::free(previous);
        path = folder;
    }
    ~Tfolder_settings()
    {
        std::remove(first->fileName());
        delete first;
        delete second;
        rmdir(path.c_str());
    }
    std::string path;
    Tsettings* first = nullptr;
    Tsettings* second = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Tfolder_settings folder;
    Tsettings& first = *folder.first;
    Tsettings& second = *folder.second;

    first.load(file_name);  // names the file for write
    std::FILE* file = std::fopen(first.fileName(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
    first.read();
    // The program's own reads, number ranges included.
    for (const char* key : {"last_connect_device_id", "autonnect", "ttimezone"})
        first.getInt(key, 0);
    for (const char* key : {"mode", "display_mode", "data_dir"})
        first.getText(key, "", nullptr);

    if (first.write())
        std::abort();
    const std::string written = read_bytes(first.fileName());
    second.load(file_name);
    if (second.count() != first.count())
        std::abort();
    for (int i = 0; i < first.count(); ++i)
        if (!same_text(first.at(i)->name, second.at(i)->name) || !same_text(first.at(i)->value, second.at(i)->value))
            std::abort();
    if (second.write() || read_bytes(second.fileName()) != written)
        std::abort();
    recorded::clear_log();
    return 0;
}
