// The configuration compiler over arbitrary XML text, read both as a setup
// document and as one STATION in each byte-code dialect: no page may hold a
// byte beyond its usable size and the result holds only the two result bits.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/xml.h"
#include "data/eeprom_configurer.h"
#include "data/setup.h"
#include "tests/support/recording_program.h"

namespace {

const unsigned pages[] = {0, 1, 2, 3, 4, 5, 6, 7, 250};

void check(const Teeprom_configurer& image, int result)
{
    if (result < 0 || result > (eeprom_result_error | eeprom_result_overflow))
        std::abort();
    for (unsigned page : pages) {
        const unsigned usable = page == 7 ? eeprom_usable_size_page7 : eeprom_usable_size;
        for (unsigned offset = usable; offset < eeprom_page_size; ++offset)
            if (image.isWritten(page, offset))
                std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The log is recorded: kept from input to input, it would grow for the whole run.
    recorded::clear_log();
    const std::string text(reinterpret_cast<const char*>(data), size);
    Tsetup setup;
    const int result = setup.readText(text.c_str());
    for (int i = 0; i < setup.stations.count(); ++i)
        check(setup.stations.at(i)->configuration, result);

    myXMLdocument doc;
    Txml_element station = xml_ParseText(text.c_str(), &doc);
    for (bool layout_32 : {false, true}) {
        Teeprom_configurer image;
        check(image, image.parseStation(station, 1, "1234", layout_32));
    }
    return 0;
}
