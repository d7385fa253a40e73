// The firmware file check over arbitrary texts: a file it passes must give
// every memory line as 16 bytes, and the same bytes as the hex digits say.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/parse.h"
#include "base/xml.h"
#include "link/firmware_file.h"
#include "tests/support/recording_program.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The log is recorded: kept from input to input, it would grow for the whole run.
    recorded::clear_log();
    const std::string text(reinterpret_cast<const char*>(data), size);
    myXMLdocument doc;
    if (!xml_ParseText(text.c_str(), &doc) || firmware_file_check(&doc, nullptr))
        return 0;
    for (const char* path : {"/RFU/DATA", "/FIRMWARE/DATA"}) {
        for (Txml_element line = xml_FirstChildEntity(xml_FindDocumentPath(&doc, path)); line;
             line = xml_NextEntity(line)) {
            uint8_t bytes[firmware_line_bytes];
            firmware_line_data(line, bytes);
            const char* hex = xml_GetAttributeString(line, "data");
            for (unsigned i = 0; i < firmware_line_bytes; ++i) {
                unsigned value = 0;
                if (parse_hex_unsigned(hex + 2 * i, &value, 2) || value != bytes[i])
                    std::abort();
            }
        }
    }
    return 0;
}
