#include "zemWave/typelibrary.h"

#include "zemWave/toolboxbitmaps.h"

namespace zemwave {

using namespace zem;

namespace {

constexpr GUID kLibid = GuidOf("{6AB7EC5F-D037-444F-899C-2642642E10B7}");

constexpr CLSID kPlayerClsid = GuidOf("{D2757807-2588-4C05-9D6B-982A190F4DB5}");
constexpr CLSID kPromptClsid = GuidOf("{22B4CDEA-79AD-4A4D-BEAC-5E9FB0681E2B}");
constexpr CLSID kPlayListClsid = GuidOf("{DF57DD90-27C2-490E-9094-8A6BF882BDD0}");
constexpr CLSID kPlayerPageClsid = GuidOf("{C2474479-2CA2-4832-88C5-964C71830AA1}");
constexpr CLSID kPromptPageClsid = GuidOf("{ADAE25E4-4642-4E91-AF3B-19401AB71EA9}");
constexpr CLSID kPlayListPageClsid = GuidOf("{E885E963-C5B2-4F91-BC26-F356756989FB}");

constexpr IID kPlayerIid = GuidOf("{CB0EC020-7991-4171-A613-A9E581DEAC1E}");
constexpr IID kPlayerEventsIid = GuidOf("{A9C795DA-F3A0-481E-9011-B1DE0A9F8522}");
constexpr IID kPromptIid = GuidOf("{0CFC4CB8-B8FB-477B-913E-41CE750FA511}");
constexpr IID kPromptEventsIid = GuidOf("{1C37B120-E568-4D68-944F-D710AFCF855B}");
constexpr IID kPlayListIid = GuidOf("{657A2847-94BF-4824-B9FA-EB63005342E1}");
constexpr IID kPlayListEventsIid = GuidOf("{97C17AF4-B5A0-4AB8-9FE6-3C47A04C4595}");

constexpr auto Method = MemberKind::Method;
constexpr auto Property = MemberKind::Property;

// Number 5 is not used: hosts bound to the published numbers rely on 6-18.
constexpr DispatchMember kPlayerMembers[] = {
    {1, "Balance", Property, VT_I2},
    {2, "Volume", Property, VT_I2},
    {3, "IndexBeep", Property, VT_BOOL},
    {4, "IndexLoop", Property, VT_BOOL},
    {6, "AddFile", Method, VT_I4, {{"FileName", VT_BSTR}}},
    {7, "Play", Method, VT_EMPTY},
    {8, "Pause", Method, VT_EMPTY},
    {9, "Forward", Method, VT_EMPTY, {{"msec", VT_I4}}},
    {10, "Rewind", Method, VT_EMPTY, {{"msec", VT_I4}}},
    {11, "NextIndex", Method, VT_EMPTY},
    {12, "PrevIndex", Method, VT_EMPTY},
    {13, "SetFileEnabled", Method, VT_BOOL, {{"FileHandle", VT_I4}, {"Enabled", VT_I2}}},
    {14, "GetHandle", Method, VT_I4},
    {15, "NextFile", Method, VT_EMPTY},
    {16, "PrevFile", Method, VT_EMPTY},
    {17, "SetFileInfo", Method, VT_EMPTY, {{"FileHandle", VT_I4}, {"InfoXMLStr", VT_BSTR}}},
    {18, "Stop", Method, VT_EMPTY},
};

constexpr DispatchMember kPromptMembers[] = {
    {1, "ViewMode", Property, VT_I2},
    {2, "AddFile", Method, VT_I4, {{"FileName", VT_BSTR}}},
    {3, "Redraw", Method, VT_EMPTY},
    {4, "RemoveAllFiles", Method, VT_EMPTY},
    {5, "RemoveFile", Method, VT_EMPTY, {{"FileHandle", VT_I4}}},
    {6, "GetFileCount", Method, VT_I2},
    {7, "GetFileHandle", Method, VT_I4, {{"index", VT_I2}}},
    {8, "AddFilesFromControl", Method, VT_EMPTY, {{"CtrlHandle", VT_I4}}},
};

constexpr DispatchMember kPlayListMembers[] = {
    {1, "AddFile", Method, VT_I4, {{"FileName", VT_BSTR}}},
};

constexpr DispatchInterface kPlayer{"_DPlayer", kPlayerIid, kPlayerMembers};
constexpr DispatchInterface kPlayerEvents{"_DPlayerEvents", kPlayerEventsIid, {}};
constexpr DispatchInterface kPrompt{"_DPrompt", kPromptIid, kPromptMembers};
constexpr DispatchInterface kPromptEvents{"_DPromptEvents", kPromptEventsIid, {}};
constexpr DispatchInterface kPlayList{"_DPlayList", kPlayListIid, kPlayListMembers};
constexpr DispatchInterface kPlayListEvents{"_DPlayListEvents", kPlayListEventsIid, {}};

constexpr uint32_t kHiddenDispatch = TYPEFLAG_FDISPATCHABLE | TYPEFLAG_FHIDDEN;
constexpr uint32_t kControlCoClass = TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL;
constexpr auto Dispatch = TypeKind::Dispatch;
constexpr auto CoClass = TypeKind::CoClass;

// The nine type descriptions in library order; texts are Latin-1.
constexpr TypeEntry kEntries[] = {
    {Dispatch, "_DPlayer", kPlayerIid, kHiddenDispatch,
     "Dispatch-Schnittstelle f\xFCr zemWave.Player Control", &kPlayer},
    {Dispatch, "_DPlayerEvents", kPlayerEventsIid, TYPEFLAG_FDISPATCHABLE,
     "Ereignisschnittstelle f\xFCr zemWave.Player Control", &kPlayerEvents},
    {CoClass, "Player", kPlayerClsid, kControlCoClass, "zemWave.Player Control", nullptr, 0, 1},
    {Dispatch, "_DPrompt", kPromptIid, kHiddenDispatch,
     "Dispatch-Schnittstelle f\xFCr zemWave.Prompt Control", &kPrompt},
    {Dispatch, "_DPromptEvents", kPromptEventsIid, TYPEFLAG_FDISPATCHABLE,
     "Ereignisschnittstelle f\xFCr zemWave.Prompt Control", &kPromptEvents},
    {CoClass, "Prompt", kPromptClsid, kControlCoClass, "zemWave.Prompt Control", nullptr, 3, 4},
    {Dispatch, "_DPlayList", kPlayListIid, kHiddenDispatch,
     "Dispatch-Schnittstelle f\xFCr zemWave.PlayList Control", &kPlayList},
    {Dispatch, "_DPlayListEvents", kPlayListEventsIid, TYPEFLAG_FDISPATCHABLE,
     "Ereignisschnittstelle f\xFCr zemWave.PlayList Control", &kPlayListEvents},
    {CoClass, "PlayList", kPlayListClsid, kControlCoClass, "zemWave.PlayList Control", nullptr, 6, 7},
};

constexpr TypeLibrary kLibrary{kLibid, "ZEMWAVELib", 1, 0, 0x409,
                               "zemWave ActiveX-Steuerelement-Modul", "zemWave.hlp", kEntries};

constexpr ClassRegistration Control(CLSID clsid, const char* progId, const char* name, int bitmap)
{
    return {clsid, progId, name, true, bitmap, kControlMiscStatus};
}

constexpr ClassRegistration Page(CLSID clsid, const char* progId, const char* name)
{
    return {clsid, progId, name, false, 0, 0};
}

constexpr ModuleClass kClasses[] = {
    {ClassId::PlayerCtrl, 1, Control(kPlayerClsid, "ZEMWAVE.PlayerCtrl.1", "zemWave.Player Control", kToolboxPlayer)},
    {ClassId::PromptCtrl, 3, Control(kPromptClsid, "ZEMWAVE.PromptCtrl.1", "zemWave.Prompt Control", kToolboxPrompt)},
    {ClassId::PlayListCtrl, 5,
     Control(kPlayListClsid, "ZEMWAVE.PlayListCtrl.1", "zemWave.PlayList Control", kToolboxPlayList)},
    {ClassId::PlayerPropPage, 2, Page(kPlayerPageClsid, "ZEMWAVE.PlayerPropPage.1", "Player Property Page")},
    {ClassId::PromptPropPage, 4, Page(kPromptPageClsid, "ZEMWAVE.PromptPropPage.1", "Prompt Property Page")},
    {ClassId::PlayListPropPage, 6,
     Page(kPlayListPageClsid, "ZEMWAVE.PlayListPropPage.1", "PlayList Property Page")},
};

}  // namespace

std::span<const ModuleClass> ModuleClasses()
{
    return kClasses;
}

const ModuleClass* FindModuleClass(const CLSID& clsid)
{
    for (const ModuleClass& entry : kClasses) {
        if (entry.registration.clsid == clsid)
            return &entry;
    }
    return nullptr;
}

const ModuleClass& ModuleClassOf(ClassId id)
{
    return kClasses[static_cast<size_t>(id)];
}

const TypeLibrary& ZemWaveTypeLibrary()
{
    return kLibrary;
}

const DispatchInterface& PlayerInterface()
{
    return kPlayer;
}

const DispatchInterface& PromptInterface()
{
    return kPrompt;
}

const DispatchInterface& PlayListInterface()
{
    return kPlayList;
}

}  // namespace zemwave
