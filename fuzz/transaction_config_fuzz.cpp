// The transactions folder's "__config.txt" as the key-and-MAC programming reads
// it: the host it names goes into a JSON record that must stay valid JSON and
// into a file name that must stay inside the folder; the record written is the
// record built.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/my_string.h"
#include "base/paths.h"
#include "base/time_calendar.h"
#include "link/transaction_file.h"
#include "tests/link/json_check.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr uint32_t fixed_time = 1700000000;
uint32_t fixed_clock()
{
    return fixed_time;
}

const uint8_t mac[8] = {0x00, 0x11, 0x22, 0xFF, 0xFE, 0x33, 0x44, 0x55};
const uint8_t key[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                         0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

// The folder under a home of this process, made once.
const std::string& transactions_folder()
{
    static Ttemp_dir home;
    static const std::string folder = [] {
        setenv("HOME", home.path().c_str(), 1);
        Tmy_string path;
        transaction_folder(&path);
        if (make_dir_path(path.c_str()))
            std::abort();
        return std::string(path.c_str());
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& folder = transactions_folder();
    if (!write_file_bytes(folder + "/__config.txt", std::string(reinterpret_cast<const char*>(data), size)))
        return 0;
    time_set_clock(fixed_clock);
    transaction_reset_counter();

    Tmy_string host;
    transaction_read_host(&host);
    Tmy_string json;
    transaction_build_key_json(&json, host.c_str(), -12, fixed_time, mac, key);
    Tjson_check check;
    if (!check.parse(json.c_str()) || check.strings["transaction.content.KEY"] != "0123456789ABCDEFFEDCBA9876543210")
        std::abort();
    // An ASCII host reads back from the record as it stands in the file.
    const std::string host_text = host.c_str();
    bool ascii = true;
    for (const char c : host_text)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii && check.strings["transaction.host"] != host_text)
        std::abort();

    Tmy_string written;
    if (!transaction_write_key(-12, mac, key, &written)) {
        const std::string path = written.c_str();
        // The host must not lead the file out of the folder.
        if (path.compare(0, folder.size() + 1, folder + "/") != 0 ||
            path.find('/', folder.size() + 1) != std::string::npos)
            std::abort();
        Tmy_string content;
        if (content.loadFile(path.c_str()) || std::string(content.c_str()) != json.c_str())
            std::abort();
        std::remove(path.c_str());
    }
    time_set_clock(nullptr);
    return 0;
}
