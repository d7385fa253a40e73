#pragma once

// The golden pages of the standard configurations (fixtures/, made by
// fixtures/make_standard_configurations.py): one line "<page>: <hex bytes>" a page.

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace start_test {

inline const char* const standard_configuration_files[5] = {
    nullptr,
    "tests/start/fixtures/standard_configuration_1_klvr_vexl.txt",
    "tests/start/fixtures/standard_configuration_2_klvr_vexl_com.txt",
    "tests/start/fixtures/standard_configuration_3_calibration.txt",
    "tests/start/fixtures/standard_configuration_4_flow.txt",
};

// Page number to its bytes; empty when the file cannot be read.
inline std::map<unsigned, std::vector<uint8_t>> golden_pages(int type)
{
    std::map<unsigned, std::vector<uint8_t>> pages;
    std::istringstream lines(read_file_bytes(source_path(standard_configuration_files[type])));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        unsigned page = 0;
        char colon = 0;
        if (!(words >> page >> colon) || colon != ':')
            continue;
        std::vector<uint8_t>& bytes = pages[page];
        std::string pair;
        while (words >> pair)
            bytes.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
    }
    return pages;
}

}  // namespace start_test
