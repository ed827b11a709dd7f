// Names and texts the player takes from outside: base names of chunk files, JavaScript
// strings, the archive chosen beside the program and the command line.
#include "QMFPlayer/qmfplay/archivechoice.h"
#include "QMFPlayer/qmfplay/jsescape.h"
#include "QMFPlayer/qmfplay/playercommandline.h"
#include "QMFPlayer/qmfplay/safename.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayerNames, SafeBaseName)
{
    const std::pair<std::string, std::string> cases[] = {
        {"REC1", "REC1"}, {"../x", "x"}, {"..\\..\\y", "y"}, {"/etc", "etc"}, {"a/..", ""},
        {"..", ""}, {".", ""}, {"", ""}, {std::string("ab\0/c", 5), "ab"}, {"....", "...."},
        {"x/", ""}, {"note v2.txt", "note v2.txt"},
    };
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(SafeBaseName(name), safe) << name;
}

TEST(PlayerNames, JsEscapeLeavesPlainTextAlone)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Line 7 / 2024-05-01 C:/x <b> \xFC\xE4", "Line 7 / 2024-05-01 C:/x <b> \xFC\xE4"},
        {"a\"b'c\\d", "a\\\"b\\'c\\\\d"},
        {"x\ny\r\t\x01\x7F", "x\\x0Ay\\x0D\\x09\\x01\\x7F"},
        {"</script>", "<\\/script>"},
        {"/</", "/<\\/"},
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(JsEscape(text), escaped) << text;
}

TEST(PlayerNames, ArchiveBesideTheProgramByLanguage)
{
    const struct {
        std::string program, language, archive;
    } cases[] = {
        {"/opt/zem/qmxplay", "English", "/opt/zem/qmxplay_eng.dll"},
        {"/opt/zem/qmxplay", "ENG", "/opt/zem/qmxplay_eng.dll"},
        {"/opt/zem/qmxplay", "Deu", "/opt/zem/qmxplay.dll"},
        {"/opt/zem/qmxplay", "en", "/opt/zem/qmxplay.dll"},
        {"/opt/zem/qmxplay", "", "/opt/zem/qmxplay.dll"},
        {"/opt/zem/qmxplay.exe", "", "/opt/zem/qmxplay.dll"},
        {"/opt/zem/Player.EXE", "eng", "/opt/zem/Player_eng.dll"},
        {"/opt/zem.d/qmx.exe.bin", "", "/opt/zem.d/qmx.exe.bin.dll"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArchivePath(c.program, c.language), c.archive) << c.program << " " << c.language;
}

TEST(PlayerNames, CommandLineKeepsThePathsCase)
{
    const struct {
        std::vector<std::string> arguments;
        bool useControl, registerMode;
        std::string file;
    } cases[] = {
        {{"-NoZemWaveOcx", "/Calls/A.qmf"}, false, false, "/Calls/A.qmf"},
        {{"/Calls/My", "Call.QMF", "-REGISTER"}, true, true, "/Calls/My Call.QMF"},
        {{"-register-x", "/c/-Register.qmf"}, true, false, "-register-x /c/-Register.qmf"},
        {{}, true, false, ""},
    };
    for (const auto& c : cases) {
        const PlayerCommandLine line = ParsePlayerCommandLine(c.arguments);
        EXPECT_EQ(line.useControl, c.useControl);
        EXPECT_EQ(line.registerMode, c.registerMode);
        EXPECT_EQ(line.recordingFile, c.file);
    }
}

}  // namespace
