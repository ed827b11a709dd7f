// Text from system values: sizes, numbers, error texts.
#include "ZemBaseLib/formatting.h"
#include "ZemBaseLib/numberformat.h"

#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// The C locale: no grouping, "." and two decimals, whatever the machine's user has.
class FormattingTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("LC_ALL", "C", 1); }
    void TearDown() override { unsetenv("LC_ALL"); }
};

}  // namespace

TEST_F(FormattingTest, SizeTextSwitchesUnitsAtTheLimits)
{
    const struct {
        uint32_t bytes;
        const char* text;
    } cases[] = {
        {0, "0.00 Bytes"},
        {1023, "1023.00 Bytes"},
        {1024, "1.00 KB"},
        {1536, "1.50 KB"},
        {1048575, "1024.00 KB"},          // 1023.999 KB rounds up but stays in KB
        {1048576, "1.00 MB"},
        {1073741824, "1024.00 MB"},       // exactly 1024 MB stays in megabytes
        {1073741825, "1.00 GB"},
        {4294967295u, "4.00 GB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
}

TEST_F(FormattingTest, SizeText64UsesWholeBytesAndKilobytesThenTwoDecimals)
{
    const struct {
        int64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 Bytes"},
        {1023, "1023 Bytes"},
        {1024, "1 KB"},
        {2047, "1 KB"},                   // truncated, not rounded
        {1048575, "1023 KB"},
        {1048576, "1.00 MB"},
        {1073741823, "1024.00 MB"},
        {1073741824, "1.00 GB"},
        {0x7fffffffLL, "2.00 GB"},
        {4294967296LL, "4.00 GB"},
        {5368709120LL, "5.00 GB"},
        {-1, "-0.00 GB"},                 // a non-zero high half always takes the GB form
    };
    for (const auto& c : cases)
        EXPECT_EQ(SizeText64(c.bytes), c.text) << c.bytes;
}

TEST(FormatNumber, GroupsRoundsAndRejectsWhatIsNotANumber)
{
    const NumberFormat english{2, "\3", ",", "."};
    const NumberFormat german{2, "\3", ".", ","};
    const NumberFormat indian{2, "\3\2", ",", "."};
    const NumberFormat once{2, std::string("\3") + char(CHAR_MAX), ",", "."};
    const NumberFormat whole{0, "\3", ",", "."};
    const struct {
        const NumberFormat& format;
        const char* in;
        const char* out;
    } cases[] = {
        {english, "1234567.891", "1,234,567.89"},
        {english, "999.995", "1,000.00"},
        {english, "999", "999.00"},
        {english, "0001000", "1,000.00"},
        {english, "-1234.5", "-1,234.50"},
        {english, "-0.004", "0.00"},
        {english, "-.5", "-0.50"},
        {english, "12.", "12.00"},
        {german, "1234.5", "1.234,50"},
        {indian, "12345678", "1,23,45,678.00"},
        {once, "1234567", "1234,567.00"},
        {whole, "2.5", "3"},
        {whole, "99.5", "100"},
        {english, "", ""},
        {english, ".", ""},
        {english, "-", ""},
        {english, "+1", ""},
        {english, "1e5", ""},
        {english, "1,000", ""},
        {english, "1.2.3", ""},
        {english, " 1", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatNumber(c.in, c.format), c.out) << c.in;
}

TEST_F(FormattingTest, NumberTextTrimsAndUsesTheUserFormat)
{
    EXPECT_EQ(NumberText("  1234.567 \t"), "1234.57");
    EXPECT_EQ(NumberText("   "), "");
    EXPECT_EQ(NumberText("12 34"), "");
}

TEST(Formatting, SmallTextsAndErrorMessages)
{
    EXPECT_EQ(IntText(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(IntText(42), "42");
    EXPECT_EQ(Spaces(3), "   ");
    EXPECT_EQ(Spaces(0), "");
    EXPECT_EQ(Spaces(-5), "");

    const std::string missing = LastErrorText(2);
    EXPECT_FALSE(missing.empty());
    EXPECT_EQ(missing.find('\n'), std::string::npos);
    EXPECT_EQ(LastErrorText(99999), "");
    errno = ENOENT;
    EXPECT_EQ(LastErrorText(0), missing);

    const std::string name = ComputerName();
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find('.'), std::string::npos);
}

TEST_F(FormattingTest, DateAndTimeOfOneMomentInTheLocaleFormat)
{
    setenv("TZ", "UTC", 1);
    tzset();
    const std::time_t moment = 1058270400;  // 2003-07-15 12:00:00 UTC
    EXPECT_EQ(DateText(&moment), "07/15/03");
    EXPECT_EQ(TimeText(&moment), "12:00:00");
    EXPECT_EQ(DateTimeText(&moment), "07/15/03 12:00:00");
    unsetenv("TZ");
    tzset();
}
