#include "base/parse.h"
#include "data/eeprom_configurer.h"
#include "data/eeprom_record_writer.h"

namespace {

constexpr unsigned setup_pages = 7;  // pages 0 to 6; 7 and 250 hold no setup

void append_comment(Tmy_string* text, const char* indent, unsigned pluses, const char* end)
{
    text->append(indent);
    text->append("<!-- ");
    for (unsigned i = 0; i < pluses; ++i)
        text->append("+", 1);
    text->append(end);
}

// The records of a page, walked from offset 0 on a copy of the page, so that no
// length byte can lead a read beyond it.
void append_page_elements(Tmy_string* text, const Teeprom_configurer& image, unsigned page)
{
    if (!image.isWritten(page, 0))
        return;
    unsigned char bytes[eeprom_page_size];
    for (unsigned i = 0; i < eeprom_page_size; ++i)
        bytes[i] = image.byteAt(page, i);
    unsigned offset = 0;
    while (offset < eeprom_page_size) {
        const unsigned char tag = bytes[offset];
        if (tag == 0x00 || tag >= 0xC0)
            break;
        const bool block = tag <= 0x7F;
        const unsigned data_offset = offset + (block ? 2 : 1);
        unsigned length = 4;
        if (block)
            length = offset + 1 < eeprom_page_size ? bytes[offset + 1] : 0;
        const unsigned available = data_offset < eeprom_page_size ? eeprom_page_size - data_offset : 0;
        if (data_offset > eeprom_page_size || length > available) {
            // Cut by the page end: the bytes there are, in the generic form.
            eeprom::write_block_record(text, tag, bytes + eeprom_page_size - available, available, true);
            break;
        }
        if (tag >= 0x80)
            eeprom::write_value_record(text, tag, read_be32(bytes + data_offset));
        else
            eeprom::write_block_record(text, tag, bytes + data_offset, length, false);
        offset = data_offset + length;
    }
}

}  // namespace

void Teeprom_configurer::writeSetupXml(Tmy_string* text) const
{
    if (!text)
        return;
    text->clear();
    text->append("<?xml version='1.0' encoding='utf-8' ?>\n");
    text->append("<SETUP>\n");
    text->append("\t<PATH_DATA_BIN   path=\"c:\\vornhal\\data_bin\"/>\n");
    text->append("\t<PATH_DATA_XML   path=\"c:\\vornhal\\data_xml\"/>\n");
    text->append("\t<PATH_STATUS_LOG path=\"c:\\vornhal\\calyxo_basicstatus_log\"/>\n");
    text->append("\t<STATIONS>\n");
    append_comment(text, "\t\t", 64, " -->\n");
    text->append("\t\t<STATION id=\"499\" version=\"klvr32\">\n");
    for (unsigned page = 0; page < setup_pages; ++page) {
        append_comment(text, "\t\t\t", 45, " --> \n");
        text->appendf("\t\t\t<CONFIGURATION value=\"%d\">\n", page);
        append_page_elements(text, *this, page);
        text->append("\t\t\t</CONFIGURATION>\n");
    }
    text->append("\t\t</STATION>\n");
    append_comment(text, "\t\t", 64, " -->\n");
    text->append("\t</STATIONS>\n");
    text->append("</SETUP>\n");
}
