#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "data/crc16_modbus.h"

namespace {

const uint8_t* bytes_of(const char* text)
{
    return reinterpret_cast<const uint8_t*>(text);
}

TEST(Crc16Modbus, CatalogueCheckValueAndEmptyInput)
{
    EXPECT_EQ(crc16_modbus(bytes_of("123456789"), 9), 0x4B37);
    EXPECT_EQ(crc16_modbus(bytes_of(""), 0), 0xFFFF);
    EXPECT_EQ(crc16_modbus(nullptr, 5), 0xFFFF);
}

TEST(Crc16Modbus, PiecesGiveTheSameSumAsTheWhole)
{
    const uint8_t* text = bytes_of("123456789");
    for (std::size_t split = 0; split <= 9; ++split)
        EXPECT_EQ(crc16_modbus_update(crc16_modbus(text, split), text + split, 9 - split), 0x4B37) << split;
}

TEST(Crc16Modbus, FrameWithItsCrcLowByteFirstLeavesNoRemainder)
{
    std::vector<uint8_t> frame = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
    const uint16_t crc = crc16_modbus(frame.data(), frame.size());
    EXPECT_EQ(crc, 0xCDC5);  // the classic read-holding-registers request
    frame.push_back(static_cast<uint8_t>(crc));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    EXPECT_EQ(crc16_modbus(frame.data(), frame.size()), 0);
}

}  // namespace
