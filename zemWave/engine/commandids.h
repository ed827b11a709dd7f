// The command ids of the controls' menus and buttons, carried out by
// MyFMODEngine::CommandHandler. Comments give the menu texts.
#pragma once

#include <cstdint>

enum EngineCommand : uint32_t {
    kCmdEnableFile = 32772,            // "Enable File" (the list control's own)
    kCmdDisableFile = 32773,           // "Disable File" (the list control's own)
    kCmdStopTransfer = 32774,          // "StopTransfer" (the list control's own)
    kCmdRefresh = 32775,               // "Refresh" (the list control's own)
    kCmdIndexSet = 32793,              // "Index setzen"
    kCmdIndexRemoveCurrent = 32794,    // "Aktuellen entfernen"
    kCmdIndexRemovePrevious = 32795,   // "Vorherigen entfernen"
    kCmdIndexRemoveNext = 32796,       // "Nächsten entfernen"
    kCmdIndexRemoveAll = 32797,        // "Alle entfernen"
    kCmdIndexBeep = 32798,             // "Signalton bei Index"
    kCmdIndexLoop = 32799,             // "Loop zwischen Indizes"
    kCmdStartPause = 32801,            // "Start/Pause"
    kCmdStop = 32802,                  // "Stop"
    kCmdLouder = 32803,                // "Lauter"
    kCmdQuieter = 32804,               // "Leiser"
    kCmdMute = 32805,                  // "Stumm"
    kCmdFaster = 32807,                // "Schneller"
    kCmdSlower = 32808,                // "Langsamer"
    kCmdNormalSpeed = 32809,           // "Normal" (speed menu)
    kCmdNormalVolume = 32810,          // "Normal" (volume menu)
    kCmdPlay = 32811,                  // "Play"
    kCmdPause = 32812,                 // "Pause"
    kCmdChannelView = 32813,           // "Kanalansicht" (the prompt control's own)
    kCmdFileView = 32814,              // "Dateiansicht" (the prompt control's own)
    kCmdSumView = 32815,               // "Summenansicht" (the prompt control's own)
    kCmdMarked = 32816,                // "Markiert"
    kCmdNoEffect = 32817,              // "Kein Effekt"
    kCmdFirstEffect = 32818,           // "Erster gültiger Effekt", slot 0
    kCmdLastEffectSlot = 32827,        // slot 9
    kCmdLastValidEffect = 32868,       // "Letzter Gültiger Effekt" (the controls' own)
    kCmdSetStartTime = 32869,          // "SetStartTime"
    kCmdSetEndTime = 32870,            // "SetEndTime"
    kCmdLockTimeRuler = 32871,         // "Lock TimeRuler"
    kCmdActive = 32872,                // "Aktiv"
    kCmdSkipSilence = 32873,           // "Skip Silence"
    kCmdSelectedSetVolume = 32875,     // "ID_SELECTEDFMODFILE_SETVOLUME"
    kCmdSelectedSetBalance = 32876,    // "ID_SELECTEDFMODFILE_SETBALANCE"
    kCmdSetSpeed = 32877,              // "ID_FMOD_SETSPEED"
    kCmdSetVolume = 32878,             // "ID_FMOD_SETVOLUME"
    kCmdForward = 32879,               // "Vorwärts"
    kCmdBack = 32880,                  // "Zurück"
    kCmdNextIndex = 32881,             // "Nächster Index"
    kCmdPreviousIndex = 32882,         // "Vorheriger Index"
    kCmdNextRecording = 32883,         // "Nächste Aufzeichnung"
    kCmdPreviousRecording = 32884,     // "Vorherige Aufzeichnung"
    kCmdUpdatePosition = 32885,        // "ID_FMOD_UPDATEPOSITION"
};
