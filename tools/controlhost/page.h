// A page for the control host: the controls its <object> elements name and its scripts,
// inline or from files, in document order. Only as much HTML as the pages use is read.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zem {

struct PageObject {
    std::string id;
    std::string classId;  // a ProgID or "{CLSID}"
    int width = 0;        // 0: not given, the control's own size
    int height = 0;
    int line = 0;  // where the element starts in the page
    // The <param name=.. value=..> tags inside the element, in page order.
    std::vector<std::pair<std::string, std::string>> params;
};

struct PageScript {
    std::string fileName;  // the page for an inline script, else the script file
    std::string text;      // Latin-1 bytes, with classic "<!--" and "-->" lines blanked
    int firstLine = 1;     // line of fileName where text begins
};

struct Page {
    std::string path;
    std::string title;  // of the <title> element, blanks around it dropped
    std::vector<PageObject> objects;
    std::vector<PageScript> scripts;
};

// Reads the page and the script files it names (relative to the page's folder). On failure
// error says which file and why.
std::optional<Page> LoadPage(const std::string& path, std::string* error);

// Parses page text; script files named by src are read relative to the page's folder.
std::optional<Page> ParsePage(const std::string& path, const std::string& text,
                              std::string* error);

// Blanks lines that begin with "<!--" or "-->", which classic scripts treat as comments.
std::string BlankHtmlCommentLines(std::string text);

}  // namespace zem
