#include "programs/confview/configuration_block.h"

namespace {

// The count byte of the command cannot say more than 255.
constexpr unsigned max_count = 255;

}  // namespace

Tconfiguration_block configuration_block(const Teeprom_configurer& image, unsigned page)
{
    Tconfiguration_block block;
    block.length = image.getPageLength(page);
    if (block.length > eeprom_page_size)
        block.length = eeprom_page_size;
    if (block.length > 0) {
        unsigned char bytes[eeprom_page_size];
        unsigned sum = 0;
        for (unsigned i = 0; i < block.length; ++i) {
            bytes[i] = image.byteAt(page, i);
            sum += bytes[i];
        }
        block.count = block.length + 1 > max_count ? max_count : block.length + 1;
        block.checksum = static_cast<unsigned char>(sum & 0xFF);
        block.command.printf("7F%02X%02X", block.count, page);
        block.command.appendHex(bytes, block.length);
    }
    block.size_text.printf("%d bytes", static_cast<int>(block.count));
    block.checksum_text.printf("%d (x%02x)", block.checksum, block.checksum);
    return block;
}
