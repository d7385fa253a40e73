#include "tools/logger_sim/eeprom.h"

#include <algorithm>

namespace sim {

namespace {
constexpr uint8_t extra_page = 250;
}

Eeprom::Eeprom()
{
    erase();
}

bool Eeprom::exists(uint32_t address)
{
    return address < 8 * page_size || (address >> 8) == extra_page;
}

bool Eeprom::read(uint32_t address, std::size_t count, std::vector<uint8_t>& out) const
{
    out.clear();
    for (std::size_t i = 0; i < count; ++i)
        if (!exists(address + static_cast<uint32_t>(i)))
            return false;
    for (std::size_t i = 0; i < count; ++i) {
        uint32_t at = address + static_cast<uint32_t>(i);
        out.push_back(pages.at(static_cast<uint8_t>(at >> 8))[at & 0xFF]);
    }
    return true;
}

bool Eeprom::write(uint32_t address, const std::vector<uint8_t>& bytes)
{
    if (write_protected)
        return false;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (!exists(address + static_cast<uint32_t>(i)))
            return false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        uint32_t at = address + static_cast<uint32_t>(i);
        if (stuck.count(at) == 0)
            pages[static_cast<uint8_t>(at >> 8)][at & 0xFF] = bytes[i];
    }
    return true;
}

Eeprom::Page Eeprom::page(uint8_t number) const
{
    auto found = pages.find(number);
    if (found == pages.end()) {
        Page erased;
        erased.fill(0xFF);
        return erased;
    }
    return found->second;
}

void Eeprom::setPage(uint8_t number, const std::vector<uint8_t>& bytes)
{
    auto found = pages.find(number);
    if (found == pages.end())
        return;
    found->second.fill(0xFF);
    std::copy_n(bytes.begin(), std::min(bytes.size(), page_size), found->second.begin());
}

void Eeprom::erase()
{
    Page erased;
    erased.fill(0xFF);
    pages.clear();
    for (uint8_t number = 0; number < 8; ++number)
        pages[number] = erased;
    pages[extra_page] = erased;
}

}  // namespace sim
