// The default printer against stand-ins for lpstat and lpoptions: printers/NAME makes a
// printer, "default" holds the default's name, "answer" and "answer.rc" replace what lpstat says.
#include "ZemBaseLib/printer.h"
#include "stubtools.h"

#include "support/scratch.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

const char* const kLpstat = R"sh(
[ -e "$d/answer" ] && { cat "$d/answer"; exit "$(cat "$d/answer.rc")"; }
if [ -e "$d/default" ]; then echo "system default destination: $(cat "$d/default")"
else echo "no system default destination"; fi
)sh";

const char* const kLpoptions = R"sh(
[ "$1" = -d ] && [ -e "$d/printers/$2" ] || { echo "lpoptions: Unknown printer" >&2; exit 1; }
printf '%s' "$2" > "$d/default"
echo "copies=1 job-hold-until=no-hold"
)sh";

class PrinterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tools_.Add("lpstat", kLpstat);
        tools_.Add("lpoptions", kLpoptions);
        std::filesystem::create_directories(tools_.Folder() + "/printers");
    }
    void Write(const std::string& file, const std::string& text) const
    {
        zemtest::WriteFile(tools_.Folder() + "/" + file, text);
    }
    void Answer(const std::string& text, int exitCode) const
    {
        Write("answer", text);
        Write("answer.rc", std::to_string(exitCode));
    }

    StubTools tools_;
};

}  // namespace

TEST_F(PrinterTest, SetDefaultPrinterMakesAKnownPrinterTheDefault)
{
    Write("printers/Office_Laser", "");
    EXPECT_EQ(GetDefaultPrinterName(), "");
    EXPECT_EQ(SetDefaultPrinter("Office_Laser"), 0);
    EXPECT_EQ(GetDefaultPrinterName(), "Office_Laser");

    EXPECT_EQ(SetDefaultPrinter("Unknown"), kPrinterNotSet);
    EXPECT_EQ(GetDefaultPrinterName(), "Office_Laser");
}

TEST_F(PrinterTest, NamesCupsCannotHoldAreRefusedWithoutCallingIt)
{
    for (const std::string& name :
         {std::string(""), std::string("a b"), std::string("a/b"), std::string("a#b"),
          std::string("tab\tname"), std::string(128, 'p')})
        EXPECT_EQ(SetDefaultPrinter(name), kPrinterNotSet) << name;
    EXPECT_EQ(tools_.Calls(), "");
    Write("printers/" + std::string(127, 'p'), "");
    EXPECT_EQ(SetDefaultPrinter(std::string(127, 'p')), 0);
}

TEST_F(PrinterTest, DefaultNameIsReadFromWhatLpstatSays)
{
    const struct {
        const char* answer;
        int exitCode;
        std::string expected;
    } cases[] = {
        {"system default destination: Lab-2\n", 0, "Lab-2"},
        {"Standardziel des Systems: Lab-2\n", 0, "Lab-2"},  // in the user's language
        {"no system default destination\n", 0, ""},
        {"lpstat: Bad file descriptor\n", 0, ""},
        {"lpstat: Unable to connect to server\n", 1, ""},
    };
    for (const auto& c : cases) {
        Answer(c.answer, c.exitCode);
        EXPECT_EQ(GetDefaultPrinterName(), c.expected) << c.answer;
    }
    Answer("system default destination: " + std::string(300, 'n') + "\n", 0);
    EXPECT_EQ(GetDefaultPrinterName(), std::string(255, 'n'));
}

TEST_F(PrinterTest, WithoutCupsThereIsNoDefaultAndNoneCanBeSet)
{
    Write("printers/Office_Laser", "");
    tools_.HideSystemTools();
    EXPECT_EQ(GetDefaultPrinterName(), "");
    EXPECT_EQ(SetDefaultPrinter("Office_Laser"), kPrinterNotSet);
}
