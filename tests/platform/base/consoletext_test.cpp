#include "base/consoletext.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

TEST(ConsoleText, LatinOneBecomesUtf8OnlyUnderAUtf8Locale)
{
    struct Case {
        const char* lcAll;
        const char* lcCtype;
        const char* lang;
        bool utf8;
    };
    const Case cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", true},
        {nullptr, nullptr, "en_US.utf8", true},
        {nullptr, "C.UTF-8", "de_DE.ISO-8859-1", true},
        {"C", "C.UTF-8", "de_DE.UTF-8", false},  // LC_ALL decides
        {"", "", "de_DE.UTF-8@euro", true},      // empty values count as unset
        {nullptr, nullptr, "de_DE@euro", false},
        {nullptr, nullptr, nullptr, false},
    };
    const auto saved = [](const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const std::optional<std::string> before[] = {saved("LC_ALL"), saved("LC_CTYPE"), saved("LANG")};
    for (const Case& c : cases) {
        const auto set = [](const char* name, const char* value) {
            value ? setenv(name, value, 1) : unsetenv(name);
        };
        set("LC_ALL", c.lcAll);
        set("LC_CTYPE", c.lcCtype);
        set("LANG", c.lang);
        EXPECT_EQ(zem::ConsoleIsUtf8(), c.utf8) << (c.lang ? c.lang : "-");
        EXPECT_EQ(zem::ConsoleText("Anh\xE4nge \xFC\xDF!"), c.utf8 ? "Anh\xC3\xA4nge \xC3\xBC\xC3\x9F!" : "Anh\xE4nge \xFC\xDF!");
    }
    const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    for (int i = 0; i < 3; ++i)
        before[i] ? setenv(names[i], before[i]->c_str(), 1) : unsetenv(names[i]);
}

}  // namespace
