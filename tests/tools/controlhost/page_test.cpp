// Reading pages: the controls they name and their scripts with the lines they start on.
#include "tools/controlhost/page.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

namespace {

using namespace zem;

TEST(Page, ObjectsAndScriptsInDocumentOrder)
{
    const std::string folder = zemtest::NewFolder("page");
    zemtest::WriteFile(folder + "/data.js", "<!--\nvar a = 1;\n  -->  \n");
    const std::string text =
        "<html><head><TITLE> Anruf 4711 </title></head>\n<!-- <object classid=\"clsid:ignored\"> -->\n"
        "<OBJECT ID=player CLASSID=\"clsid:D2757807-2588-4C05-9D6B-982A190F4DB5\" width='320' height=\"60\">\n"
        "<param name=x value=y><PARAM NAME=\"_Version\" VALUE=\"65536\"><param value=nameless></OBJECT>\n"
        "<param name=outside value=1>\n"
        "<object id=\"p2\" classid=\"ZEMWAVE.PromptCtrl.1\" width=50%></object>\n"
        "<script src=\"data.js\"></script>\n"
        "<script type=\"text/javascript\">\n  player.Play();\n</script>\n";
    std::string error;
    const auto page = ParsePage(folder + "/start.html", text, &error);
    ASSERT_TRUE(page) << error;
    EXPECT_EQ(page->title, "Anruf 4711");
    ASSERT_EQ(page->objects.size(), 2u);
    EXPECT_EQ(page->objects[0].id, "player");
    EXPECT_EQ(page->objects[0].classId, "{D2757807-2588-4C05-9D6B-982A190F4DB5}");
    EXPECT_EQ(page->objects[0].width, 320);
    EXPECT_EQ(page->objects[0].height, 60);
    EXPECT_EQ(page->objects[0].line, 3);
    using Params = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(page->objects[0].params, (Params{{"x", "y"}, {"_Version", "65536"}}));
    EXPECT_TRUE(page->objects[1].params.empty());
    EXPECT_EQ(page->objects[1].classId, "ZEMWAVE.PromptCtrl.1");
    EXPECT_EQ(page->objects[1].width, 50);
    EXPECT_EQ(page->objects[1].height, 0) << "not given";
    ASSERT_EQ(page->scripts.size(), 2u);
    EXPECT_EQ(page->scripts[0].fileName, folder + "/data.js");
    EXPECT_EQ(page->scripts[0].text, "    \nvar a = 1;\n       \n");
    EXPECT_EQ(page->scripts[0].firstLine, 1);
    EXPECT_EQ(page->scripts[1].fileName, folder + "/start.html");
    EXPECT_EQ(page->scripts[1].text, "\n  player.Play();\n");
    EXPECT_EQ(page->scripts[1].firstLine, 8);
}

TEST(Page, FaultsNameFileAndLine)
{
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"<p>\n<object id=x width=5></object>", "/p.html:2: an <object> without classid"},
        {"\n\n<script src=\"gone.js\"></script>", "/p.html:3: cannot read the script \"gone.js\""},
    };
    const std::string folder = zemtest::NewFolder("page");
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParsePage(folder + "/p.html", c.text, &error));
        EXPECT_EQ(error, folder + c.error);
    }
    std::string error;
    EXPECT_FALSE(LoadPage(folder + "/none.html", &error));
    EXPECT_EQ(error, "cannot read the page \"" + folder + "/none.html\"");
}

}  // namespace
