// Whole download files through the conversion, with the radio decoders installed,
// as data that end at the logger's write pointer and as data that end before it
// (the last time step left out); every output must be well-formed XML.
#include <pugixml.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/flash_parser.h"
#include "data/flash_parser_hooks.h"
#include "data/flash_radio_hooks.h"
#include "tests/support/recording_program.h"
#include "tests/support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Ttemp_dir dir;
    static Tflash_radio_hooks hooks;
    flash_parser_hooks_install(&hooks);
    const std::string input = dir.file("download.bin");
    if (!write_file_bytes(input, std::string(reinterpret_cast<const char*>(data), size)))
        return 0;
    for (const bool end_early : {false, true}) {
        char path[512];
        Tflash_parser parser;
        parser.setDataEndBeforeLoggerEnd(end_early);
        parser.convertToXml(dir.file("xml").c_str(), input.c_str(), path, sizeof path);
        if (!path[0])
            continue;
        pugi::xml_document document;
        const pugi::xml_parse_result loaded = document.load_file(path);
        // A file that was written must be well-formed.
        if (!loaded && loaded.status != pugi::status_file_not_found)
            std::abort();
        std::remove(path);
    }
    recorded::clear_log();
    return 0;
}
