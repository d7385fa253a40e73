// The EEPROM readers, the dump, the setup writer and the generator's merge over
// arbitrary pages, as a logger could return them: the setup text must always be
// well-formed XML that the compiler takes, and a merged page must keep its end
// mark within the usable size.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/xml.h"
#include "data/eeprom_configurer.h"
#include "data/eeprom_generator.h"
#include "tests/support/recording_program.h"

namespace {

constexpr unsigned page = 1;

void read_every_tag(const Teeprom_configurer& image)
{
    unsigned char buffer[eeprom_page_size];
    for (unsigned tag = 0; tag < 256; ++tag) {
        const unsigned char t = static_cast<unsigned char>(tag);
        unsigned value = 0;
        Tmy_string text;
        unsigned char byte = 0;
        image.getValue(&value, page, t);
        image.getValueAsText(&text, page, t);
        if (image.getBytes(buffer, sizeof buffer, page, t) > sizeof buffer)
            std::abort();
        image.getString(&text, page, t);
        image.getByteAndString(&text, &byte, page, t);
        image.findValue(t, &value);
    }
    for (unsigned n = 0; n < 70; ++n) {
        unsigned entry = 0;
        image.getSnrListEntry(&entry, page, n);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    unsigned char bytes[eeprom_page_size];
    std::memset(bytes, 0xFF, sizeof bytes);
    std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);

    Teeprom_configurer image;
    image.loadPage(page, bytes, eeprom_page_size);
    read_every_tag(image);
    image.dump();
    recorded::clear_log();

    Tmy_string text;
    image.writeSetupXml(&text);
    myXMLdocument document;
    Txml_element station = xml_FindPath(xml_ParseText(text.c_str(), &document), "STATIONS/STATION");
    if (!station)
        std::abort();
    Teeprom_configurer compiled;
    compiled.parseStation(station, 499, "", true);
    recorded::clear_log();

    Teeprom_generator generator;
    generator.mergePage(eeprom_page_size, bytes, 250);
    recorded::clear_log();
    if (generator.getLength() == 0 || generator.getLength() > eeprom_usable_size ||
        generator.getBuffer()[generator.getLength() - 1] != eeprom_end_mark)
        std::abort();
    return 0;
}
