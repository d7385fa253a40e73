// Whole download files through the conversion, with the radio decoders installed;
// every output must be well-formed XML.
#include <tinyxml2.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/flash_parser.h"
#include "data/flash_parser_hooks.h"
#include "data/mbus_records.h"
#include "data/wm_bus.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

namespace {

class Tdecoder_hooks : public Tflash_parser_hooks {
public:
    void wm_bus_to_xml(Tmy_string* text, uint32_t last_time, const uint8_t* telegram, unsigned count,
                       bool c1) override
    {
        ::wm_bus_to_xml(text, last_time, telegram, count, c1);
    }
    void mbus_decode_records(mbus_data* set, const uint8_t* bytes, unsigned count) override
    {
        ::mbus_decode_records(set, bytes, count);
    }
    void mbus_records_to_xml(Tmy_string* text, const mbus_data* set) override { ::mbus_records_to_xml(text, set); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Ttemp_dir dir;
    static Tdecoder_hooks hooks;
    flash_parser_hooks_install(&hooks);
    const std::string input = dir.file("download.bin");
    if (!write_file_bytes(input, std::string(reinterpret_cast<const char*>(data), size)))
        return 0;
    char path[512];
    Tflash_parser parser;
    parser.convertToXml(dir.file("xml").c_str(), input.c_str(), path, sizeof path);
    if (path[0]) {
        tinyxml2::XMLDocument document;
        const tinyxml2::XMLError loaded = document.LoadFile(path);
        // A file that was written must be well-formed.
        if (loaded != tinyxml2::XML_SUCCESS && loaded != tinyxml2::XML_ERROR_FILE_NOT_FOUND)
            std::abort();
        std::remove(path);
    }
    recorded::clear_log();
    return 0;
}
