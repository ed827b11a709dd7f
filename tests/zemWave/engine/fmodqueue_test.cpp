// The engine's queue without playback: handles, the refusals of AddFile, per-file settings and
// their notifications, groups and the time ruler.
#include "enginerig.h"

#include <cstdio>

namespace {

using enginetest::At;
using enginetest::EngineRig;
using enginetest::Event;
using enginetest::WriteTone;

TEST(EngineQueue, HandlesAreDistinctNonZeroIdsAndUnknownOnesReadAsEmpty)
{
    EngineRig rig;
    const FileHandle first = rig.Add(WriteTone(rig.Path("a.wav"), 440, 200), At(0));
    const FileHandle second = rig.Add(WriteTone(rig.Path("b.wav"), 440, 200), At(0));
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(rig.File(second).GetHandle(), second);
    EXPECT_EQ(rig.engine().FindFileByName(rig.Path("B.WAV")), &rig.File(second));
    EXPECT_EQ(rig.engine().GetFileVolume(first), 255u);
    EXPECT_EQ(rig.engine().GetFileBalance(first), 128u);
    EXPECT_NE(rig.File(first).GetWave()->GetPrompt(), nullptr) << "a loaded recording gets its overview";
    rig.File(first).SetInfo("CallId", "4711");
    rig.File(first).SetInfo("group", "Left");
    EXPECT_EQ(rig.File(first).GetInfo("CALLID"), "4711");
    EXPECT_EQ(rig.File(first).GetInfo("group"), "") << "only the call id is kept";
    for (const FileHandle unknown : {0u, second + 1}) {
        EXPECT_EQ(rig.engine().FindFile(unknown), nullptr);
        EXPECT_EQ(rig.engine().GetFileVolume(unknown), 0u);
        EXPECT_EQ(rig.engine().GetFileBalance(unknown), 0u);
        EXPECT_FALSE(rig.engine().GetFileEnabled(unknown));
    }
}

TEST(EngineQueue, AddFileRefusalsLeaveTheirTextInTheLastError)
{
    struct Case {
        const char* what;
        std::function<FileHandle(EngineRig&, std::string& name)> act;  // the last AddFile
        bool handle;       // it gives a handle
        const char* text;  // the last error, %s = the name it was given
    };
    const Case cases[] = {
        {"a name differing only in case", [](EngineRig& rig, std::string& name) {
             rig.Add(WriteTone(rig.Path("Rec.wav"), 440, 200), At(0));
             name = rig.Path("REC.WAV");
             return rig.engine().AddFile(name, At(0));
         }, false, "AddFile %s failed. File is already in queue!"},
        {"while playing", [](EngineRig& rig, std::string& name) {
             rig.Add(WriteTone(rig.Path("a.wav"), 440, 2000), At(0));
             rig.StartPlaying();
             name = WriteTone(rig.Path("b.wav"), 440, 200);
             return rig.engine().AddFile(name, At(0));
         }, false, "AddFile %s failed. Function allowed in playing-state!"},
        {"a recording that cannot be opened", [](EngineRig& rig, std::string& name) {
             name = rig.Path("missing.wav");
             return rig.engine().AddFile(name, At(0));
         }, true, "AddFile %s failed. Error initializing file! Opening file %s failed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineRig rig;
        std::string name;
        const FileHandle handle = c.act(rig, name);
        rig.Settle();
        char expected[1024];
        std::snprintf(expected, sizeof expected, c.text, name.c_str(), name.c_str());
        EXPECT_EQ(rig.engine().GetLastError(), expected);
        EXPECT_EQ(handle != 0, c.handle);
        if (handle) {
            EXPECT_NE(rig.engine().FindFile(handle), nullptr) << "a file that cannot be opened stays queued";
        }
    }
}

TEST(EngineQueue, SettersNotifyInTheOrderOfTheCallsAndOnlyWhenTheyShould)
{
    EngineRig rig;
    const FileHandle f = rig.Add(WriteTone(rig.Path("a.wav"), 440, 1000), At(0));
    const FileHandle g = rig.Add(WriteTone(rig.Path("b.wav"), 440, 1000), At(0));
    rig.Settle();
    EXPECT_EQ(rig.log.Take(), (std::vector<Event>{{'F', 3, f}, {'E', 1}, {'F', 3, g}, {'E', 1}}))
        << "loaded, then added, per file";

    _FMODEngine& e = rig.engine();
    struct Step {
        const char* what;
        std::function<void()> act;
        std::vector<Event> events;
    };
    const Step steps[] = {
        {"mark", [&] { e.SetFileMarked(f, true); }, {{'F', 2, f}}},
        {"mark again", [&] { e.SetFileMarked(f, true); }, {}},
        {"volume", [&] { e.SetFileVolume(f, 100); }, {{'F', 5, f}}},
        {"the same volume", [&] { e.SetFileVolume(f, 100); }, {{'F', 5, f}}},
        {"balance", [&] { e.SetFileBalance(f, 0); }, {{'F', 6, f}}},
        {"effect", [&] { e.SetFileEffect(f, 2); }, {{'F', 7, f}}},
        {"the same effect", [&] { e.SetFileEffect(f, 2); }, {}},
        {"group", [&] { e.SetFileGroup(f, "Left"); }, {}},
        {"disable with notify", [&] { e.SetFileEnabled(f, false, true); }, {{'F', 1, f}, {'E', 2}}},
        {"enable without notify", [&] { e.SetFileEnabled(f, true, false); }, {}},
        {"every file", [&] { e.SetFileEnabled(0, true, true); }, {{'F', 1, f}, {'F', 1, g}, {'E', 2}}},
        {"unknown handle", [&] { e.SetFileVolume(g + 100, 1); e.SetFileMarked(g + 100, true); }, {}},
        {"speed", [&] { e.SetSpeed(1.5); }, {{'E', 5}}},
        {"the same speed", [&] { e.SetSpeed(1.5); }, {}},
        {"master volume while stopped", [&] { e.SetVolume(100); }, {{'E', 4}}},
        {"the same master volume while stopped", [&] { e.SetVolume(100); }, {}},
        {"ruler start", [&] { e.SetStartTime(At(0)); }, {{'E', 2}}},
        {"file start", [&] { e.SetFileStartTime(g, At(500)); }, {{'E', 2}}},
        {"position", [&] { e.SetPosition(0); }, {{'E', 0}}},
        {"skip silence", [&] { e.SetSkipSilence(false); }, {{'E', 8}}},
        {"index loop", [&] { e.SetIndexLoop(true); }, {{'E', 6}}},
        {"index beep", [&] { e.SetIndexBeep(1); }, {{'E', 7}}},
        {"play", [&] { e.Play(); }, {{'E', 4}}},
        {"master volume while playing", [&] { e.SetVolume(90); }, {{'E', 4}}},
        {"pause", [&] { e.Pause(); }, {{'E', 0}}},
        {"stop", [&] { e.Stop(); }, {{'E', 0}}},
        {"a file that cannot be opened", [&] { e.AddFile(rig.Path("missing.wav"), At(0)); }, {{'F', 8, g + 1}}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        rig.Settle();
        EXPECT_EQ(rig.log.Take(), s.events);
    }
    EXPECT_EQ(e.GetFileVolume(f), 100u);
    EXPECT_EQ(e.GetFileBalance(f), 0u);
    EXPECT_EQ(e.FindFile(f)->GetEffect(), 2);
    EXPECT_EQ(e.GetFileGroup(f), "Left");
    EXPECT_TRUE(e.IsFileMarked(f));
    EXPECT_EQ(e.GetVolume(), 90u);
}

TEST(EngineQueue, GroupNamesDifferingInCaseAreTwoGroups)
{
    EngineRig rig;
    const char* groups[] = {"A", "a", "A"};
    std::vector<_FMODFile*> files;
    for (int i = 0; i < 3; ++i) {
        const FileHandle h = rig.Add(WriteTone(rig.Path("f" + std::to_string(i) + ".wav"), 440, 200), At(0));
        rig.engine().SetFileGroup(h, groups[i]);
        files.push_back(&rig.File(h));
    }
    std::vector<std::string> names;
    rig.engine().GetGroupNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "a"}));
    std::vector<_FMODFile*> found;
    rig.engine().GetGroupFiles(found, "A");
    EXPECT_EQ(found, (std::vector<_FMODFile*>{files[0], files[2]}));
    rig.engine().GetGroupFiles(found, nullptr);
    EXPECT_EQ(found, files);
}

TEST(EngineTimeRuler, SpansTheEnabledRecordingsWithAValidStart)
{
    struct File {
        uint32_t startMs;  // 0 here: a null start
        int lengthMs;
        bool enabled;
    };
    struct Case {
        const char* what;
        std::vector<File> files;
        uint32_t startMs, endMs;  // 0, 0: a null ruler
    };
    const Case cases[] = {
        {"one recording", {{1000, 2000, true}}, 1000, 3000},
        {"earliest start to latest end", {{5000, 1000, true}, {2000, 6000, true}, {3000, 500, true}}, 2000, 8000},
        {"a null start is ignored", {{4000, 1000, true}, {0, 9000, true}}, 4000, 5000},
        {"a disabled recording is ignored", {{4000, 1000, true}, {1000, 9000, false}}, 4000, 5000},
        {"only disabled recordings", {{4000, 1000, false}}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EngineRig rig;
        int n = 0;
        for (const File& f : c.files) {
            const FileHandle h = rig.Add(WriteTone(rig.Path("f" + std::to_string(n++) + ".wav"), 440, f.lengthMs),
                                         f.startMs ? At(f.startMs) : SysTime());
            rig.engine().SetFileEnabled(h, f.enabled, false);
        }
        const bool null = c.startMs == 0 && c.endMs == 0;
        EXPECT_EQ(rig.engine().GetStartTime(), null ? SysTime() : At(c.startMs));
        EXPECT_EQ(rig.engine().GetEndTime(), null ? SysTime() : At(c.endMs));
        EXPECT_EQ(rig.engine().GetLength(), c.endMs - c.startMs);
    }
}

TEST(EngineTimeRuler, RulerEndsMoveWithinTheRecordingsAndStayWhileLocked)
{
    EngineRig rig;
    const FileHandle a = rig.Add(WriteTone(rig.Path("a.wav"), 440, 2000), At(2000));
    rig.Add(WriteTone(rig.Path("b.wav"), 440, 2000), At(4000));
    struct Case {
        bool start;  // SetStartTime, else SetEndTime
        uint32_t askedMs, startMs, endMs;
    };
    const Case cases[] = {
        {true, 1000, 2000, 6000},  // earlier than the earliest recording: clamped
        {true, 3000, 3000, 6000},
        {false, 7000, 3000, 6000},  // later than the latest end: clamped
        {false, 5000, 3000, 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.askedMs);
        if (c.start)
            rig.engine().SetStartTime(At(c.askedMs));
        else
            rig.engine().SetEndTime(At(c.askedMs));
        EXPECT_EQ(rig.engine().GetStartTime(), At(c.startMs));
        EXPECT_EQ(rig.engine().GetEndTime(), At(c.endMs));
    }
    EXPECT_FALSE(rig.engine().IsTimeRulerLocked()) << "moving an end does not lock the ruler";

    rig.engine().SetTimeRulerLock(true);
    rig.engine().SetFileStartTime(a, At(0));
    EXPECT_EQ(rig.engine().GetStartTime(), At(3000)) << "a locked ruler is not recomputed";
    rig.engine().SetTimeRulerLock(false);
    rig.engine().UpdateTimeRuler();
    EXPECT_EQ(rig.engine().GetStartTime(), At(0));
    EXPECT_EQ(rig.engine().GetEndTime(), At(6000));
}

}  // namespace
