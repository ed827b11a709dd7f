// The button and slider-thumb images of the controls, drawn for this project as XPM art and
// registered as bitmap resources under the ids the controls name.
#include "KelFrame/kelbitmaps.h"

#include "ui/bitmap.h"

#include <cstring>

namespace zem {
namespace {

// 207: nextindex
constexpr char kNextindex[] =
    "/* XPM */\n"
    "static const char* nextindex[] = {\n"
    "\"16 16 3 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"k c #000000\",\n"
    "\"r c #FF0000\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"..rrrrrrr.......\",\n"
    "\"..rrrrrrr.......\",\n"
    "\"...rrrrr........\",\n"
    "\"...rrrrr.k......\",\n"
    "\"....rrr..kkk....\",\n"
    "\"....rrr..kkkkk..\",\n"
    "\".....r...kkkkkk.\",\n"
    "\".........kkkkk..\",\n"
    "\".........kkk....\",\n"
    "\".........k......\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "};\n";

// 208: pause
constexpr char kPause[] =
    "/* XPM */\n"
    "static const char* pause[] = {\n"
    "\"42 23 4 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"b c #000080\",\n"
    "\"d c #808080\",\n"
    "\"w c #FFFFFF\",\n"
    "\"wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwd\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w..............bbbb....bbbb..............d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"wddddddddddddddddddddddddddddddddddddddddd\",\n"
    "};\n";

// 210: stop
constexpr char kStop[] =
    "/* XPM */\n"
    "static const char* stop[] = {\n"
    "\"42 23 4 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"d c #808080\",\n"
    "\"k c #000000\",\n"
    "\"w c #FFFFFF\",\n"
    "\"wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwd\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w..............kkkkkkkkkkkk..............d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"wddddddddddddddddddddddddddddddddddddddddd\",\n"
    "};\n";

// 212: prevfile
constexpr char kPrevfile[] =
    "/* XPM */\n"
    "static const char* prevfile[] = {\n"
    "\"16 16 2 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"k c #000000\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"...kk...........\",\n"
    "\"...kk...........\",\n"
    "\"...kk.....kk....\",\n"
    "\"...kk...kkkk....\",\n"
    "\"...kk.kkkkkk....\",\n"
    "\"...kkkkkkkkk....\",\n"
    "\"...kk.kkkkkk....\",\n"
    "\"...kk...kkkk....\",\n"
    "\"...kk.....kk....\",\n"
    "\"...kk...........\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "};\n";

// 213: nextfile
constexpr char kNextfile[] =
    "/* XPM */\n"
    "static const char* nextfile[] = {\n"
    "\"16 16 2 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"k c #000000\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"...........kk...\",\n"
    "\"...........kk...\",\n"
    "\"....kk.....kk...\",\n"
    "\"....kkkk...kk...\",\n"
    "\"....kkkkkk.kk...\",\n"
    "\"....kkkkkkkkk...\",\n"
    "\"....kkkkkk.kk...\",\n"
    "\"....kkkk...kk...\",\n"
    "\"....kk.....kk...\",\n"
    "\"...........kk...\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "};\n";

// 214: setindex
constexpr char kSetindex[] =
    "/* XPM */\n"
    "static const char* setindex[] = {\n"
    "\"42 23 5 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"d c #808080\",\n"
    "\"k c #000000\",\n"
    "\"r c #FF0000\",\n"
    "\"w c #FFFFFF\",\n"
    "\"wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwd\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w...............rrrrrrrrr................d\",\n"
    "\"w...............rrrrrrrrr................d\",\n"
    "\"w................rrrrrrr.................d\",\n"
    "\"w................rrrrrrr.................d\",\n"
    "\"w.................rrrrr..................d\",\n"
    "\"w.................rrrrr..................d\",\n"
    "\"w..................rrr...................d\",\n"
    "\"w..................rrr...................d\",\n"
    "\"w...................r....................d\",\n"
    "\"w........................................d\",\n"
    "\"w.............kkkkkkkkkkkkk..............d\",\n"
    "\"w.............kkkkkkkkkkkkk..............d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"wddddddddddddddddddddddddddddddddddddddddd\",\n"
    "};\n";

// 215: previndex
constexpr char kPrevindex[] =
    "/* XPM */\n"
    "static const char* previndex[] = {\n"
    "\"16 16 3 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"k c #000000\",\n"
    "\"r c #FF0000\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\".......rrrrrrr..\",\n"
    "\".......rrrrrrr..\",\n"
    "\"........rrrrr...\",\n"
    "\"......k.rrrrr...\",\n"
    "\"....kkk..rrr....\",\n"
    "\"..kkkkk..rrr....\",\n"
    "\".kkkkkk...r.....\",\n"
    "\"..kkkkk.........\",\n"
    "\"....kkk.........\",\n"
    "\"......k.........\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "};\n";

// 216: play
constexpr char kPlay[] =
    "/* XPM */\n"
    "static const char* play[] = {\n"
    "\"42 23 4 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"d c #808080\",\n"
    "\"g c #008000\",\n"
    "\"w c #FFFFFF\",\n"
    "\"wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwd\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w...............gg.......................d\",\n"
    "\"w...............gggg.....................d\",\n"
    "\"w...............gggggg...................d\",\n"
    "\"w...............gggggggg.................d\",\n"
    "\"w...............gggggggggg...............d\",\n"
    "\"w...............ggggggggggg..............d\",\n"
    "\"w...............gggggggggg...............d\",\n"
    "\"w...............gggggggg.................d\",\n"
    "\"w...............gggggg...................d\",\n"
    "\"w...............gggg.....................d\",\n"
    "\"w...............gg.......................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"w........................................d\",\n"
    "\"wddddddddddddddddddddddddddddddddddddddddd\",\n"
    "};\n";

// 217: forward
constexpr char kForward[] =
    "/* XPM */\n"
    "static const char* forward[] = {\n"
    "\"16 16 2 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"k c #000000\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"..k.....k.......\",\n"
    "\"..kkk...kkk.....\",\n"
    "\"..kkkkk.kkkkk...\",\n"
    "\"..kkkkkkkkkkkk..\",\n"
    "\"..kkkkk.kkkkk...\",\n"
    "\"..kkk...kkk.....\",\n"
    "\"..k.....k.......\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "};\n";

// 218: rewind
constexpr char kRewind[] =
    "/* XPM */\n"
    "static const char* rewind[] = {\n"
    "\"16 16 2 1\",\n"
    "\". c #C0C0C0\",\n"
    "\"k c #000000\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\".......k.....k..\",\n"
    "\".....kkk...kkk..\",\n"
    "\"...kkkkk.kkkkk..\",\n"
    "\"..kkkkkkkkkkkk..\",\n"
    "\"...kkkkk.kkkkk..\",\n"
    "\".....kkk...kkk..\",\n"
    "\".......k.....k..\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "\"................\",\n"
    "};\n";

// 237: balancethumb
constexpr char kBalancethumb[] =
    "/* XPM */\n"
    "static const char* balancethumb[] = {\n"
    "\"32 16 4 1\",\n"
    "\"b c #000080\",\n"
    "\"k c #000000\",\n"
    "\"n c #404040\",\n"
    "\"w c #FFFFFF\",\n"
    "\"wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwn\",\n"
    "\"wbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbkkbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbkkbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbkkbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbkkbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbkkbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbkkbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbkkbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbkkbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbkkbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbkkbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbkkbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbkkbbbbbbbbbbbbbbn\",\n"
    "\"wbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbn\",\n"
    "\"wnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn\",\n"
    "};\n";

// 238: speedthumb
constexpr char kSpeedthumb[] =
    "/* XPM */\n"
    "static const char* speedthumb[] = {\n"
    "\"32 16 4 1\",\n"
    "\"k c #000000\",\n"
    "\"n c #404040\",\n"
    "\"w c #FFFFFF\",\n"
    "\"y c #FFFF00\",\n"
    "\"wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwn\",\n"
    "\"wyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyykkyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyykkyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyykkyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyykkyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyykkyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyykkyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyykkyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyykkyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyykkyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyykkyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyykkyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyykkyyyyyyyyyyyyyyn\",\n"
    "\"wyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyn\",\n"
    "\"wnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn\",\n"
    "};\n";

// 239: volumethumb
constexpr char kVolumethumb[] =
    "/* XPM */\n"
    "static const char* volumethumb[] = {\n"
    "\"32 16 3 1\",\n"
    "\"k c #000000\",\n"
    "\"n c #404040\",\n"
    "\"w c #FFFFFF\",\n"
    "\"wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwkkwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwkkwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwkkwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwkkwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwkkwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwkkwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwkkwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwkkwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwkkwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwkkwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwkkwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwkkwwwwwwwwwwwwwwn\",\n"
    "\"wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwn\",\n"
    "\"wnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn\",\n"
    "};\n";

struct Resource {
    uint32_t id;
    const char* xpm;
};

constexpr Resource kResources[] = {
    {207, kNextindex},
    {208, kPause},
    {210, kStop},
    {212, kPrevfile},
    {213, kNextfile},
    {214, kSetindex},
    {215, kPrevindex},
    {216, kPlay},
    {217, kForward},
    {218, kRewind},
    {237, kBalancethumb},
    {238, kSpeedthumb},
    {239, kVolumethumb},
};

}  // namespace

void RegisterKelBitmaps()
{
    for (const Resource& resource : kResources)
        RegisterBitmapResource(resource.id, reinterpret_cast<const uint8_t*>(resource.xpm), std::strlen(resource.xpm));
}

}  // namespace zem
