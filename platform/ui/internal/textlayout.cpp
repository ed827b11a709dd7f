#include "ui/internal/textlayout.h"

#include "ui/gdi.h"

namespace zem::ui {
namespace {

constexpr int kTabStop = 8;  // characters

std::string ResolvePrefixes(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;  // "&x" shows x (underlined on Windows), "&&" shows "&"
        out += text[i];
    }
    return out;
}

std::string ExpandTabs(const std::string& line)
{
    std::string out;
    for (char c : line) {
        if (c == '\t')
            out.append(kTabStop - out.size() % kTabStop, ' ');
        else
            out += c;
    }
    return out;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

// Breaks between words; a word wider than the width stays whole on a line of its own.
void BreakWords(const std::string& line, int width, const std::function<int(const std::string&)>& measure,
                std::vector<TextLine>& out)
{
    std::string current;
    size_t i = 0;
    while (i < line.size()) {
        size_t wordEnd = line.find(' ', i);
        if (wordEnd == std::string::npos)
            wordEnd = line.size();
        const std::string candidate = current + line.substr(i, wordEnd - i);
        if (!current.empty() && measure(candidate) > width) {
            while (!current.empty() && current.back() == ' ')
                current.pop_back();
            out.push_back({current, measure(current)});
            current.clear();
            continue;  // the same word again, first on the new line
        }
        current = candidate;
        size_t next = wordEnd;
        while (next < line.size() && line[next] == ' ')
            ++next;
        if (next < line.size())
            current.append(next - wordEnd, ' ');
        i = next;
    }
    out.push_back({current, measure(current)});
}

}  // namespace

std::vector<TextLine> LayoutText(const std::string& text, UINT format, int width,
                                 const std::function<int(const std::string&)>& measure)
{
    std::string resolved = (format & DT_NOPREFIX) ? text : ResolvePrefixes(text);
    std::vector<std::string> lines;
    if (format & DT_SINGLELINE) {
        for (char& c : resolved)
            c = (c == '\r' || c == '\n') ? ' ' : c;
        lines.push_back(resolved);
    } else {
        lines = SplitLines(resolved);
    }
    std::vector<TextLine> out;
    for (std::string& line : lines) {
        if (format & DT_EXPANDTABS)
            line = ExpandTabs(line);
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE))
            BreakWords(line, width, measure, out);
        else
            out.push_back({line, measure(line)});
    }
    return out;
}

}  // namespace zem::ui
