// Under a decimal-comma locale, as Qt sets it from the user's environment,
// the numbers of a setup that the program writes stay in C's notation once
// the program has put LC_NUMERIC back, so the setup compiles to the same bytes.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/event.h"
#include "base/xml.h"
#include "data/eeprom_configurer.h"
#include "link/calyxo_master.h"
#include "link/module_resource.h"
#include "platform/widgets/program_start.h"
#include "programs/basic/basic_program.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr unsigned pulse_page = 3;
const char* const comma_locale = "de_DE.UTF-8";

// A decimal-comma locale of our own, compiled into a temporary folder, so that
// the test does not depend on the machine's installed locales.
class Tcomma_locale {
public:
    Tcomma_locale()
    {
        const std::string target = folder.file(comma_locale);
        // localedef may end with a warning status and still have built it.
        std::system(("localedef -i de_DE -f UTF-8 '" + target + "' >/dev/null 2>&1").c_str());
        made = std::system(("test -f '" + target + "/LC_NUMERIC'").c_str()) == 0;
        setenv("LOCPATH", folder.path().c_str(), 1);
    }
    ~Tcomma_locale()
    {
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }
    Tcomma_locale(const Tcomma_locale&) = delete;
    Tcomma_locale& operator=(const Tcomma_locale&) = delete;

    bool made = false;

private:
    Ttemp_dir folder;
};

std::string page_bytes(const Teeprom_configurer& image, unsigned page)
{
    std::string bytes;
    for (unsigned i = 0; i < image.getPageLength(page); ++i)
        bytes += static_cast<char>(image.byteAt(page, i));
    return bytes;
}

TEST(CommaLocale, PulseMeterSetupWrittenByTheProgramCompilesToTheCBytes)
{
    // The reference, compiled in the C locale.
    Teeprom_configurer reference;
    {
        myXMLdocument document;
        Txml_element station = xml_ParseText(
            "<STATION><CONFIGURATION value=\"3\"><CONST_WEIGHT value_float=\"0.10\"/>"
            "<CONST_SNR value_int=\"1234\"/><CONST_CONFIG value_int=\"21\"/></CONFIGURATION></STATION>",
            &document);
        ASSERT_EQ(reference.parseStation(station, 0, "", false), 0);
    }

    Tcomma_locale locale;
    ASSERT_TRUE(locale.made) << "localedef could not build " << comma_locale;
    // What Qt's application object does with LANG=de_DE.UTF-8.
    ASSERT_NE(std::setlocale(LC_ALL, comma_locale), nullptr);
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", 0.1);
    ASSERT_EQ(std::string(text), "0,10");

    numbers_in_c_locale();
    std::snprintf(text, sizeof text, "%.2f", 0.1);
    EXPECT_EQ(std::string(text), "0.10");

    // The master writes the meter's constants as a setup and compiles it.
    Tcalyxo_master master;
    Tmodule_resource module;
    master.module = &module;
    master.link_state = Tcalyxo_master::LINK_CONNECTED;
    ASSERT_FALSE(master.start_macro_write(1234, 0.1f, 2.0));
    EXPECT_EQ(page_bytes(module.eeprom, pulse_page), page_bytes(reference, pulse_page));

    // And the image written back out as setup text compiles to it again.
    Tmy_string setup;
    module.eeprom.writeSetupXml(&setup);
    myXMLdocument document;
    Txml_element station = xml_FindPath(xml_ParseText(setup.c_str(), &document), "STATIONS/STATION");
    ASSERT_NE(station, nullptr);
    Teeprom_configurer again;
    EXPECT_EQ(again.parseStation(station, 0, "", false), 0);
    EXPECT_EQ(page_bytes(again, pulse_page), page_bytes(reference, pulse_page));
    event_remove_resource(&master);
    master.module = nullptr;
}

}  // namespace
