// Text-mode output: every line feed gets a carriage return before it, however the text is
// split into writes and wherever it meets the blocks the file goes out in; a full disk is told
// by Close at the latest.
#include "QMFPlayer/qmfplay/textmodefile.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Written(const std::string& text, size_t piece)
{
    const std::string path = zemtest::NewFolder("text") + "/out.txt";
    TextModeFile file;
    EXPECT_TRUE(file.Create(path));
    for (size_t at = 0; at < text.size(); at += piece)
        EXPECT_TRUE(file.Write(text.substr(at, piece)));
    EXPECT_TRUE(file.Close());
    return zemtest::ReadFile(path);
}

TEST(TextModeFile, LineFeedsGetCarriageReturnsInAnyPieces)
{
    std::string lines;  // many lines, then one longer than a block
    for (int i = 0; i < 300000; ++i)
        lines += i % 7 == 0 || i % 1009 == 0 ? '\n' : static_cast<char>('a' + i % 26);
    lines += std::string(200000, 'z');
    for (const std::string& text : {std::string("a\nb\r\n\n"), std::string("\0\n", 2), std::string(), lines}) {
        std::string expected;
        for (const char c : text)
            expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
        for (const size_t piece : {text.size() + 1, size_t{65535}, size_t{7}, size_t{1}})
            EXPECT_TRUE(Written(text, piece) == expected) << text.size() << " bytes in pieces of " << piece;
    }
}

TEST(TextModeFile, FullDiskIsToldByWriteOrClose)
{
    TextModeFile small;
    ASSERT_TRUE(small.Create("/dev/full"));
    EXPECT_TRUE(small.Write("a line\n")) << "still in the block";
    EXPECT_FALSE(small.Close());

    TextModeFile big;
    ASSERT_TRUE(big.Create("/dev/full"));
    EXPECT_FALSE(big.Write(std::string(100000, 'x')));
    EXPECT_FALSE(big.Write("x"));
    EXPECT_FALSE(big.Close());

    TextModeFile never;
    EXPECT_FALSE(never.Create(zemtest::NewFolder("text") + "/missing/out.txt"));
    never.Write("x");
    EXPECT_FALSE(never.Close());
}

}  // namespace
