#include "base/log.h"
#include "data/eeprom_configurer.h"

void Teeprom_configurer::dump() const
{
    static const unsigned pages[] = {0, 1, 2, 3, 4, 5, 6, 7, eeprom_high_page};
    for (unsigned page : pages) {
        const unsigned n = getPageLength(page);
        log_printf("EEPROM dump - Page %d : %d bytes --------", page, n);
        unsigned char bytes[eeprom_page_size];
        for (unsigned i = 0; i < n; ++i)
            bytes[i] = byteAt(page, i);
        log_hex_dump(bytes, n, 16);
        if (n > 0) {
            const unsigned checksum = pageChecksum(page);
            log_printf("Checksum = %d (x%02x)", checksum, checksum);
        }
    }
}
