#include "zemWave/promptmenu.h"

#include "zemWave/engine/commandids.h"
#include "zemWave/filterpairs.h"
#include "zemWave/modulemenus.h"
#include "zemWave/promptrows.h"

#include "KelFrame/kelmessages.h"


using namespace zem;

namespace {

UINT Checked(bool on)
{
    return MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED);
}

UINT Grayed(bool gray)
{
    return MF_BYCOMMAND | (gray ? MF_GRAYED : MF_ENABLED);
}

void AppendSubmenu(HMENU popup, HMENU submenu, const char* text)
{
    AppendMenu(popup, MF_POPUP, reinterpret_cast<uintptr_t>(submenu), text);
    AppendMenu(popup, MF_SEPARATOR, 0);
}

// The pair that fits the group stays, the other is grayed.
void GrayFilterPairs(HMENU filters, const FilterPairs& pairs)
{
    const auto pair = [filters](uint32_t first, bool on) {
        EnableMenuItem(filters, first, Grayed(!on));
        EnableMenuItem(filters, first + 1, Grayed(!on));
    };
    const uint32_t line = kCmdFirstEffect + kLineFilterSlot;
    const uint32_t centre = kCmdFirstEffect + kCentreFilterSlot;
    if (pairs.line) {
        pair(line, true);
        pair(centre, false);
    }
    if (pairs.centre) {
        pair(centre, true);
        pair(line, false);
    }
}

// False when the submenu could not be made: the menu then ends here.
bool AppendFilterMenu(HMENU popup, const _FMODEngine& engine, const ZemWaveSettings& settings, FileHandle file)
{
    HMENU filters = CreatePopupMenu();
    if (!filters)
        return false;
    const _FMODFile* record = file ? engine.FindFile(file) : nullptr;
    const int slot = record ? record->GetEffect() : -1;
    AppendMenu(filters, MF_STRING | (file && slot < 0 ? MF_CHECKED : 0), kCmdNoEffect, "Kein Filter");
    for (int i = 0; i < _FMODEngine::kEffectSlots; ++i) {
        const auto effect = engine.GetEffect(i);
        if (effect && !effect->name.empty())
            AppendMenu(filters, MF_STRING | (file && slot == i ? MF_CHECKED : 0), kCmdFirstEffect + i, effect->name);
    }
    if (settings.SaveGroupSettings) {
        for (uint32_t id = kCmdFirstEffect; id < kCmdFirstEffect + 4; ++id)
            EnableMenuItem(filters, id, Grayed(true));
    }
    if (file)
        GrayFilterPairs(filters, FilterPairsOfGroup(engine.GetFileGroup(file)));
    AppendSubmenu(popup, filters, "UICF Frequenzfilter");
    return true;
}

}  // namespace

void AppendPromptMenu(HMENU popup, const _FMODEngine& engine, const ZemWaveSettings& settings, int viewMode,
                      FileHandle file)
{
    if (viewMode == kFileView || viewMode == kChannelView) {
        HMENU recording = LoadMenu(kRecordingMenuId);
        CheckMenuItem(recording, kCmdActive, Checked(engine.GetFileEnabled(file)));
        CheckMenuItem(recording, kCmdMarked, Checked(engine.IsFileMarked(file)));
        AppendSubmenu(popup, recording, viewMode == kFileView ? "Aufzeichnung" : "Kanal");
    }

    HMENU view = LoadMenu(kViewMenuId);
    if (engine.GetFileCount() > kMaxFilesForFileView)
        EnableMenuItem(view, kCmdFileView, Grayed(true));
    CheckMenuItem(view, kCmdSumView, Checked(viewMode == kSumView));
    CheckMenuItem(view, kCmdFileView, Checked(viewMode == kFileView));
    CheckMenuItem(view, kCmdChannelView, Checked(viewMode == kChannelView));
    AppendSubmenu(popup, view, "Ansicht");

    if (settings.UICEnabled && !AppendFilterMenu(popup, engine, settings, file))
        return;

    AppendMenu(popup, MF_STRING, kCmdStartPause, "Play/Pause");
    AppendMenu(popup, MF_STRING, kCmdStop, "Stop");
    AppendMenu(popup, MF_SEPARATOR, 0);
    AppendMenu(popup, MF_STRING, kCmdSetStartTime, "SetStartTime");
    AppendMenu(popup, MF_STRING, kCmdSetEndTime, "SetEndTime");
    AppendMenu(popup, MF_STRING | (engine.IsTimeRulerLocked() ? MF_CHECKED : 0), kCmdLockTimeRuler, "LockTimeRuler");
    AppendMenu(popup, MF_SEPARATOR, 0);

    HMENU index = LoadMenu(kIndexMenuId);
    CheckMenuItem(index, kCmdIndexBeep, Checked(engine.GetIndexBeep() != 0));
    CheckMenuItem(index, kCmdIndexLoop, Checked(engine.GetIndexLoop()));
    AppendSubmenu(popup, index, "Indizes");
    AppendSubmenu(popup, LoadMenu(kVolumeMenuId), "Lautst\xE4rke");
    AppendSubmenu(popup, LoadMenu(kSpeedMenuId), "Geschwindigkeit");
}

PromptCommand ClassifyPromptCommand(uint32_t id, uint32_t notifyCode, size_t fileCount)
{
    if (notifyCode != 0 || id == ID_KFE_OVERLAY)
        return PromptCommand::PassOn;
    switch (id) {
    case kCmdSumView:
        return PromptCommand::SumView;
    case kCmdFileView:
        return fileCount <= kMaxFilesForFileView ? PromptCommand::FileView : PromptCommand::Engine;
    case kCmdChannelView:
        return PromptCommand::ChannelView;
    case kCmdMarked:
    case kCmdActive:
    case kCmdNoEffect:
        return PromptCommand::RowFile;
    default:
        return id >= kCmdFirstEffect && id <= kCmdFirstEffect + 10 ? PromptCommand::RowFile : PromptCommand::Engine;
    }
}
