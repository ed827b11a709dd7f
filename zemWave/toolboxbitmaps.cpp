// The 16 x 15 toolbox images of the three controls, drawn for this project as XPM art.
#include "zemWave/toolboxbitmaps.h"

#include <cstring>

namespace zemwave {
namespace {

// 1: the Player, a play sign beside a volume bar.
constexpr char kPlayer[] =
    "/* XPM */\n"
    "static const char* player[] = {\n"
    "\"16 15 4 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"k c #000000\",\n"
    "\"g c #008000\",\n"
    "\"y c #FFFF00\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"..g.........k...\",\n"
    "\"..gg........k...\",\n"
    "\"..ggg.......k...\",\n"
    "\"..gggg.....yyy..\",\n"
    "\"..ggggg....yyy..\",\n"
    "\"..gggggg...yyy..\",\n"
    "\"..ggggg.....k...\",\n"
    "\"..gggg......k...\",\n"
    "\"..ggg.......k...\",\n"
    "\"..gg........k...\",\n"
    "\"..g.........k...\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "};\n";

// 2: the Prompt, a waveform on a dark lane.
constexpr char kPrompt[] =
    "/* XPM */\n"
    "static const char* prompt[] = {\n"
    "\"16 15 3 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"k c #000000\",\n"
    "\"g c #00FF00\",\n"
    "\"................\",\n"
    "\".kkkkkkkkkkkkkk.\",\n"
    "\".kkkkkkkgkkkkkk.\",\n"
    "\".kkkgkkkgkkkkkk.\",\n"
    "\".kkkgkkkgkgkkkk.\",\n"
    "\".kkkgkgkgkgkkgk.\",\n"
    "\".kgkgkgkgkgkkgk.\",\n"
    "\".gggggggggggggg.\",\n"
    "\".kgkgkgkgkgkkgk.\",\n"
    "\".kkkgkgkgkgkkgk.\",\n"
    "\".kkkgkkkgkgkkkk.\",\n"
    "\".kkkgkkkgkkkkkk.\",\n"
    "\".kkkkkkkgkkkkkk.\",\n"
    "\".kkkkkkkkkkkkkk.\",\n"
    "\"................\",\n"
    "};\n";

// 204: the PlayList, rows of a list with their check boxes.
constexpr char kPlayList[] =
    "/* XPM */\n"
    "static const char* playlist[] = {\n"
    "\"16 15 4 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"k c #000000\",\n"
    "\"w c #FFFFFF\",\n"
    "\"b c #000080\",\n"
    "\"................\",\n"
    "\".kkkkkkkkkkkkkk.\",\n"
    "\".kwwwwwwwwwwwwk.\",\n"
    "\".kwkkwbbbbbbwwk.\",\n"
    "\".kwkkwwwwwwwwwk.\",\n"
    "\".kwwwwwwwwwwwwk.\",\n"
    "\".kwkkwbbbbbwwwk.\",\n"
    "\".kwkkwwwwwwwwwk.\",\n"
    "\".kwwwwwwwwwwwwk.\",\n"
    "\".kwkkwbbbbbbbwk.\",\n"
    "\".kwkkwwwwwwwwwk.\",\n"
    "\".kwwwwwwwwwwwwk.\",\n"
    "\".kkkkkkkkkkkkkk.\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "};\n";

struct Image {
    uint32_t id;
    const char* xpm;
};

constexpr Image kImages[] = {{kToolboxPlayer, kPlayer}, {kToolboxPrompt, kPrompt}, {kToolboxPlayList, kPlayList}};

}  // namespace

std::string_view ToolboxBitmap(uint32_t id)
{
    for (const Image& image : kImages) {
        if (image.id == id)
            return std::string_view(image.xpm, std::strlen(image.xpm));
    }
    return {};
}

}  // namespace zemwave
