#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

// The logger's configuration EEPROM: pages 0 to 7 at addresses 0 to 2047 and
// page 250 at 0xFA00, 256 bytes each, erased to 0xFF. Other addresses do not
// exist: an access that touches one is refused whole.
namespace sim {

class Eeprom {
public:
    static constexpr std::size_t page_size = 256;
    using Page = std::array<uint8_t, page_size>;

    Eeprom();

    // False (and nothing read or written) when any address lies outside the pages.
    bool read(uint32_t address, std::size_t count, std::vector<uint8_t>& out) const;
    // Stuck cells keep their byte.
    bool write(uint32_t address, const std::vector<uint8_t>& bytes);

    // Page 0..7 or 250; other numbers give an erased page and store nothing.
    Page page(uint8_t number) const;
    void setPage(uint8_t number, const std::vector<uint8_t>& bytes);
    void erase();

    // Worn-out cells: a write to one of these addresses reports success but
    // the cell keeps its byte, so a read-back finds the difference.
    std::set<uint32_t> stuck;
    // Every write is refused (answered FAIL), nothing changes.
    bool write_protected = false;

private:
    std::map<uint8_t, Page> pages;
    static bool exists(uint32_t address);
};

}  // namespace sim
