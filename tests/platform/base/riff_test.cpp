#include "base/littleendian.h"
#include "base/riff.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zem::RiffReader;

std::string Le32(uint32_t v)
{
    std::string s;
    zem::AppendLe32(s, v);
    return s;
}

struct Walked {
    std::vector<std::string> ids;
    std::vector<uint64_t> offsets;
    RiffReader::Step last;
};

Walked Walk(const std::string& bytes, zem::RiffPad pad)
{
    RiffReader riff = RiffReader::OverBytes(bytes.data(), bytes.size(), pad);
    zem::RiffHead head;
    EXPECT_EQ(riff.ReadHead(head), 12u);
    Walked w;
    zem::RiffChunk chunk;
    while ((w.last = riff.Next(chunk)) == RiffReader::Step::Chunk) {
        w.ids.emplace_back(chunk.id.data(), 4);
        w.offsets.push_back(chunk.offset);
    }
    if (w.last == RiffReader::Step::Cut)
        w.ids.emplace_back(chunk.id.data(), 4);
    return w;
}

TEST(Riff, ReaderStepsOverChunksByThePadRuleAsked)
{
    const std::string head = "RIFF" + Le32(0) + "WAVE";
    const std::string odd = "abc " + Le32(3) + "xyz";
    struct Case {
        const char* name;
        std::string bytes;
        zem::RiffPad pad;
        std::vector<std::string> ids;
        std::vector<uint64_t> offsets;
        RiffReader::Step last;
    };
    const Case cases[] = {
        {"odd chunk, no pad", head + odd + "data" + Le32(0), zem::RiffPad::Never, {"abc ", "data"}, {20, 31},
         RiffReader::Step::End},
        {"odd chunk, pad followed", head + odd + '\0' + "data" + Le32(0), zem::RiffPad::Always,
         {"abc ", "data"}, {20, 32}, RiffReader::Step::End},
        {"pad found: a chunk id after it, none before", head + odd + '\0' + "data" + Le32(0), zem::RiffPad::WhereFound,
         {"abc ", "data"}, {20, 32}, RiffReader::Step::End},
        {"no pad written", head + odd + "data" + Le32(0), zem::RiffPad::WhereFound, {"abc ", "data"}, {20, 31},
         RiffReader::Step::End},
        {"neither place holds an id", head + odd + "\1\2\3\4\5\6\7\x08", zem::RiffPad::WhereFound,
         {"abc ", "\1\2\3\4"}, {20, 31}, RiffReader::Step::End},
        {"id without its size", head + odd + "da", zem::RiffPad::Never, {"abc "}, {20},
         RiffReader::Step::End},
        {"size cut short", head + odd + "data" + "\1\0", zem::RiffPad::Never, {"abc ", "data"}, {20},
         RiffReader::Step::Cut},
        {"size past the end", head + "data" + Le32(0xFFFFFFFF) + "abcdefgh", zem::RiffPad::Never,
         {"data"}, {20}, RiffReader::Step::End},
    };
    for (const Case& c : cases) {
        const Walked w = Walk(c.bytes, c.pad);
        EXPECT_EQ(w.ids, c.ids) << c.name;
        EXPECT_EQ(w.offsets, c.offsets) << c.name;
        EXPECT_EQ(w.last, c.last) << c.name;
    }
}

TEST(Riff, HeadReportsHowMuchOfItIsThere)
{
    const std::string bytes = "RIFF" + Le32(77) + "WA";
    RiffReader riff = RiffReader::OverBytes(bytes.data(), bytes.size(), zem::RiffPad::Never);
    zem::RiffHead head;
    EXPECT_EQ(riff.ReadHead(head), 10u);
    EXPECT_EQ(head.length, 77u);
}

TEST(Riff, WriterKeepsBothLengthConventions)
{
    for (const auto convention : {zem::RiffLength::WholeFile, zem::RiffLength::Standard}) {
        zem::RiffWriter riff(convention);
        riff.Chunk("fmt ", std::string(16, 'f'));
        riff.ChunkHead("data", 100);
        const std::string bytes = riff.Bytes(100);
        ASSERT_EQ(bytes.size(), 44u);
        const uint32_t whole = 44 + 100;
        EXPECT_EQ(zem::ReadLe32(bytes.data() + 4), convention == zem::RiffLength::WholeFile ? whole : whole - 8);
        EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(zem::ReadLe32(bytes.data() + 16), 16u);
        EXPECT_EQ(bytes.substr(36, 4), "data");
        EXPECT_EQ(zem::ReadLe32(bytes.data() + 40), 100u);
    }
}

TEST(Riff, LittleEndianRoundTrip)
{
    uint8_t bytes[4];
    zem::WriteLe32(bytes, 0x12345678);
    EXPECT_EQ(bytes[0], 0x78);
    EXPECT_EQ(bytes[3], 0x12);
    EXPECT_EQ(zem::ReadLe16(bytes + 2), 0x1234);
    zem::WriteLe16(bytes, 0xFFFE);
    EXPECT_EQ(zem::ReadLe32(bytes), 0x1234FFFEu);
}

}  // namespace
