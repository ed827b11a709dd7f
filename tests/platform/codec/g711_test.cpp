#include "codec/g711.h"

#include <gtest/gtest.h>

using namespace zem::codec;

TEST(G711, KnownCodes)
{
    struct Case {
        const char* what;
        int16_t (*expand)(uint8_t);
        uint8_t (*compress)(int16_t);
        uint8_t code;
        int16_t linear;
    };
    const Case cases[] = {
        {"A-law smallest positive", ALawToLinear, LinearToALaw, 0xD5, 8},
        {"A-law smallest negative", ALawToLinear, LinearToALaw, 0x55, -8},
        {"A-law largest", ALawToLinear, LinearToALaw, 0xAA, 32256},
        {"A-law most negative", ALawToLinear, LinearToALaw, 0x2A, -32256},
        {"mu-law zero", MuLawToLinear, LinearToMuLaw, 0xFF, 0},
        {"mu-law largest", MuLawToLinear, LinearToMuLaw, 0x80, 32124},
        {"mu-law most negative", MuLawToLinear, LinearToMuLaw, 0x00, -32124},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expand(c.code), c.linear) << c.what;
        EXPECT_EQ(c.compress(c.linear), c.code) << c.what;
    }
    EXPECT_EQ(LinearToALaw(32767), 0xAA) << "clips";
    EXPECT_EQ(LinearToALaw(-32768), 0x2A) << "clips";
    EXPECT_EQ(LinearToMuLaw(32767), 0x80) << "clips";
    EXPECT_EQ(LinearToMuLaw(-32768), 0x00) << "clips";
}

// Every code expands to a value that compresses back to a code of the same value, and
// expansion grows with the code inside each sign.
TEST(G711, EveryCodeSurvivesARoundTrip)
{
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<uint8_t>(code);
        EXPECT_EQ(ALawToLinear(LinearToALaw(ALawToLinear(c))), ALawToLinear(c)) << code;
        EXPECT_EQ(MuLawToLinear(LinearToMuLaw(MuLawToLinear(c))), MuLawToLinear(c)) << code;
    }
    for (int code = 0x80; code < 0xFF; ++code) {
        EXPECT_GT(MuLawToLinear(static_cast<uint8_t>(code)),
                  MuLawToLinear(static_cast<uint8_t>(code + 1)))
            << code;
    }
}
