// Reading registration scripts: what each form turns into, and the error a bad one gives.
#include "tools/regtools/rgsscript.h"

#include <gtest/gtest.h>

namespace {

using namespace zem;

TEST(RgsScript, FormsBecomeRegistryEdits)
{
    struct Case {
        const char* script;
        const char* edits;  // the register text without its REGEDIT4 header, "\r\n" as "|"
    };
    const Case cases[] = {
        {"HKCU { Plain = s 'text' }", "|[HKEY_CURRENT_USER\\Plain]|@=\"text\"|"},
        {"HKEY_LOCAL_MACHINE { NoRemove A { val V = d '0x10' val W = s 'it''s' } }",
         "|[HKEY_LOCAL_MACHINE\\A]|\"V\"=dword:00000010|\"W\"=\"it's\"|"},
        {"HKCR { ForceRemove {6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E01} = s 'x' { Sub } }",
         "|[-HKEY_CLASSES_ROOT\\{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E01}]||"
         "[HKEY_CLASSES_ROOT\\{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E01}]|@=\"x\"||"
         "[HKEY_CLASSES_ROOT\\{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E01}\\Sub]|"},
        {"hkcu { Delete Old }", "|[-HKEY_CURRENT_USER\\Old]|"},
        {"HKCU {\n // a comment\n 'Two words' = s '%DIR%\\a.ocx' }",
         "|[HKEY_CURRENT_USER\\Two words]|@=\"C:\\\\x\\\\a.ocx\"|"},
        {"HKCU { P = s '100%%' }", "|[HKEY_CURRENT_USER\\P]|@=\"100%\"|"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto script = ParseRgsScript(c.script, {{"dir", "C:\\x"}}, &error);
        ASSERT_TRUE(script) << c.script << ": " << error;
        std::string text = RgsRegisterText(*script).substr(10);
        for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
            text.replace(at, 2, "|");
        EXPECT_EQ(text, c.edits) << c.script;
    }
}

TEST(RgsScript, BadScriptsNameTheLine)
{
    struct Case {
        const char* script;
        const char* error;
    };
    const Case cases[] = {
        {"HKXX { A }", "line 1: unknown root key \"HKXX\""},
        {"HKCU {\n A = s 'x'\n", "line 3: a block without its closing }"},
        {"HKCU {\n A = q 'x' }", "line 2: unknown value type \"q\" (s or d)"},
        {"HKCU {\n\n A { val D = d 'ten' } }", "line 3: \"ten\" is not a 32-bit number"},
        {"HKCU { A = s 'open\n}", "line 1: a quoted text without its closing '"},
        {"HKCU {\n A = s '%NOPE%' }", "line 2: no value given for %NOPE%"},
        {"HKCU { val X = s 'y' }", "line 1: a root key holds no values"},
        {"HKCU { 'A\\B' }", "line 1: a key name with a back slash; nest the keys instead"},
        {"HKCU A", "line 1: \"{\" expected"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseRgsScript(c.script, {}, &error)) << c.script;
        EXPECT_EQ(error, c.error) << c.script;
    }
}

}  // namespace
