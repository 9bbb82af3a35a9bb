// The configuration report: its checksum and its bytes as written.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "hid_fake.h"
#include "kx418.h"
#include "kx418_logic.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Ascii(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

struct Crc_Case {
    const char* name;
    Bytes bytes;
    std::uint8_t from_0xDE;
};

TEST(Checksum, KnownValues)
{
    const std::vector<Crc_Case> cases = {
        {"empty", {}, 0xDE},
        {"function 1, 1000 ms", {0x01, 0x00, 0xE8, 0x03, 0, 0, 0, 0, 0, 0}, 0x57},
        {"ten zero bytes", Bytes(10, 0), 0x87},
        {"function 3, setting 1, 5000 and 2500 ms",
         {0x03, 0x01, 0x88, 0x13, 0x00, 0x00, 0xC4, 0x09, 0x00, 0x00},
         0xD5},
        {"abc", Ascii("abc"), 0xAF},
        {"digits 1 to 9", Ascii("123456789"), 0xC2},
    };
    for (const Crc_Case& c : cases) EXPECT_EQ(Crc8_Block(c.bytes), c.from_0xDE) << c.name;
}

TEST(Checksum, DigitsFromZeroGiveTheCatalogueCheckValue)
{
    std::uint8_t crc = 0x00;
    for (std::uint8_t byte : Ascii("123456789")) Crc8_Byte(byte, crc);
    EXPECT_EQ(crc, 0xA1);
}

// A module that is open and answers nothing: each test reads the report it
// wrote from the fake.
class Report : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_hid::Reset();
        Report_Buffer.fill(0);
        fake_hid::Add_Device("/dev/hidraw0", 0x2B5D, 0x0418);
        ASSERT_EQ(KX418_Open(), 1);
    }
    void TearDown() override { KX418_Close(); }

    std::array<std::uint8_t, 17> Send(std::uint32_t function, std::uint32_t setting,
                                      std::uint32_t time1, std::uint32_t time2)
    {
        EXPECT_EQ(KX418_Send_Cfg(function, setting, time1, time2), 1);
        return fake_hid::state.written.back().bytes;
    }
};

TEST_F(Report, WorkedExampleAsAllSeventeenBytes)
{
    const std::array<std::uint8_t, 17> expected = {0x00, 0x57, 0x01, 0x00, 0xE8, 0x03,
                                                   0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                   0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(Send(1, 0, 1000, 0), expected);
}

TEST_F(Report, FieldsAndTheirByteOrder)
{
    // Only the low 8 bits of function number and setting reach the report.
    auto report = Send(0x105, 0x2FF, 1000, 256);
    EXPECT_EQ(report[2], 0x05);
    EXPECT_EQ(report[3], 0xFF);
    EXPECT_EQ((std::array<std::uint8_t, 4>{report[4], report[5], report[6], report[7]}),
              (std::array<std::uint8_t, 4>{0xE8, 0x03, 0x00, 0x00}));
    EXPECT_EQ((std::array<std::uint8_t, 4>{report[8], report[9], report[10], report[11]}),
              (std::array<std::uint8_t, 4>{0x00, 0x01, 0x00, 0x00}));

    report = Send(255, 255, 0xFFFFFFFF, 0x12345678);
    for (int i = 4; i < 8; ++i) EXPECT_EQ(report[i], 0xFF) << "byte " << i;
    EXPECT_EQ((std::array<std::uint8_t, 4>{report[8], report[9], report[10], report[11]}),
              (std::array<std::uint8_t, 4>{0x78, 0x56, 0x34, 0x12}));
}

TEST_F(Report, ChecksumCoversBytesTwoToElevenOnly)
{
    const auto base = Send(3, 1, 5000, 2500);
    ASSERT_EQ(base[1], 0xD5);
    // Flip each field bit that lands in one byte of 2..11 in turn: the
    // checksum must change with every one of those bytes.
    struct Variant {
        std::uint32_t function, setting, time1, time2;
    };
    const std::vector<Variant> variants = {
        {2, 1, 5000, 2500},           {3, 0, 5000, 2500},
        {3, 1, 5001, 2500},           {3, 1, 5000 + 0x100, 2500},
        {3, 1, 5000 + 0x10000, 2500}, {3, 1, 5000 + 0x1000000, 2500},
        {3, 1, 5000, 2501},           {3, 1, 5000, 2500 + 0x100},
        {3, 1, 5000, 2500 + 0x10000}, {3, 1, 5000, 2500 + 0x1000000},
    };
    for (std::size_t i = 0; i < variants.size(); ++i) {
        const Variant& v = variants[i];
        const auto report = Send(v.function, v.setting, v.time1, v.time2);
        EXPECT_NE(report[2 + i], base[2 + i]) << "variant " << i << " changes byte " << 2 + i;
        EXPECT_NE(report[1], base[1]) << "checksum blind to byte " << 2 + i;
        EXPECT_EQ(report[1], Crc8_Block(std::span(report).subspan(2, 10)));
    }
}

TEST_F(Report, TailOfTheLastReplyNeverTravels)
{
    // A reply with bytes in 12..16 lies in the shared buffer; the next
    // report still carries zero there, and byte 0 is the report ID 0.
    fake_hid::state.devices[0].replies.push_back(
        fake_hid::Make_Reply({'!', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    ASSERT_EQ(KX418_Get_Reply(), 1);
    ASSERT_NE(Report_Buffer[12], 0);

    const auto report = Send(1, 0, 1000, 0);
    EXPECT_EQ(report[0], 0);
    for (int i = 12; i < 17; ++i) EXPECT_EQ(report[i], 0) << "byte " << i;
    EXPECT_EQ(report[1], 0x57);
}

}  // namespace
