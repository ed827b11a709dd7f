#include "QMFPlayer/qmxplaycfg/toolresources.h"

// Bounds of the files the build embeds (embeddedtools.cpp, generated).
#define ZEM_EMBEDDED(name) extern "C" const char name##_begin[], name##_end[];
ZEM_EMBEDDED(zem_tool_regsvrex)
ZEM_EMBEDDED(zem_tool_regrgs)
ZEM_EMBEDDED(zem_tool_script)
ZEM_EMBEDDED(zem_tool_userreg)
ZEM_EMBEDDED(zem_tool_machinereg)
#undef ZEM_EMBEDDED

namespace {

// 129, the registration tool's companion library, has no counterpart here: regsvrex.exe
// registers per user by itself.
constexpr ToolResource kResources[] = {
    {130, "regsvrex.exe", true},
    {129, "regindll.dll", false},
    {131, "regrgs.exe", true},
    {132, "zemwave_hkcu.rgs", false},
    {133, "missingregentries_zemwaveocx_hkcu.reg", false},
    {134, "missingregentries_zemwaveocx_hklm.reg", false},
};

std::string_view Bytes(const char* begin, const char* end)
{
    return {begin, static_cast<size_t>(end - begin)};
}

}  // namespace

std::span<const ToolResource> ToolResources()
{
    return kResources;
}

std::string_view FindToolResource(int id)
{
    switch (id) {
    case 130: return Bytes(zem_tool_regsvrex_begin, zem_tool_regsvrex_end);
    case 131: return Bytes(zem_tool_regrgs_begin, zem_tool_regrgs_end);
    case 132: return Bytes(zem_tool_script_begin, zem_tool_script_end);
    case 133: return Bytes(zem_tool_userreg_begin, zem_tool_userreg_end);
    case 134: return Bytes(zem_tool_machinereg_begin, zem_tool_machinereg_end);
    default: return {};
    }
}
