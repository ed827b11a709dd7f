// Drawn for this project as XPM art, as the controls' bitmaps are.
#include "QMFPlayer/common/programicon.h"

#include "ui/bitmap.h"

#include <cstring>
#include <mutex>

namespace {

// 128: the program icon, a play sign beside a waveform
constexpr char kProgramIcon[] =
    "/* XPM */\n"
    "static const char* icon[] = {\n"
    "\"32 32 5 1\",\n"
    "\". c None\",\n"
    "\"b c #000080\",\n"
    "\"k c #000000\",\n"
    "\"w c #FFFFFF\",\n"
    "\"y c #FFFF00\",\n"
    "\"................................\",\n"
    "\".kkkkkkkkkkkkkkkkkkkkkkkkkkkkkk.\",\n"
    "\".kbbbbbbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kbbbbbbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kbbbbbbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kbbbbbbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kbbbbbbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kbbbbbbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kbbbbwbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kbbbbwwbbbbbbbbbbbbbbybbbbbbbk.\",\n"
    "\".kbbbbwwwbbbbbbbbbbybbybbbbbbbk.\",\n"
    "\".kbbbbwwwwbbbbbbbbbybyybbybbbbk.\",\n"
    "\".kbbbbwwwwwbbbbbbbyybyyybybbbbk.\",\n"
    "\".kbbbbwwwwwwbbbbbbyyyyyybyybybk.\",\n"
    "\".kbbbbwwwwwwwbbbbyyyyyyyyyybybk.\",\n"
    "\".kbbbbwwwwwwwwbbbyyyyyyyyyyyybk.\",\n"
    "\".kbbbbwwwwwwwwbbbyyyyyyyyyyyybk.\",\n"
    "\".kbbbbwwwwwwwbbbbyyyyyyyyyyyybk.\",\n"
    "\".kbbbbwwwwwwbbbbbyyyyyyyyyybybk.\",\n"
    "\".kbbbbwwwwwbbbbbbbyyyyyybyybybk.\",\n"
    "\".kbbbbwwwwbbbbbbbbyybyyybybbbbk.\",\n"
    "\".kbbbbwwwbbbbbbbbbbybyybbybbbbk.\",\n"
    "\".kbbbbwwbbbbbbbbbbbybbybbbbbbbk.\",\n"
    "\".kbbbbwbbbbbbbbbbbbbbbybbbbbbbk.\",\n"
    "\".kbbbbbbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kbbbbbbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kbbbbbbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kbbbbbbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kbbbbbbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kbbbbbbbbbbbbbbbbbbbbbbbbbbbbk.\",\n"
    "\".kkkkkkkkkkkkkkkkkkkkkkkkkkkkkk.\",\n"
    "\"................................\",\n"
    "};\n";

}  // namespace

bool ShowProgramIcon(zem::HWND window)
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        zem::RegisterBitmapResource(IDR_MAINFRAME, reinterpret_cast<const uint8_t*>(kProgramIcon),
                                    std::strlen(kProgramIcon));
    });
    const zem::HBITMAP icon = zem::LoadBitmap(IDR_MAINFRAME);
    const bool shown = zem::SetWindowIcon(window, icon);
    zem::DeleteObject(icon);
    return shown;
}
