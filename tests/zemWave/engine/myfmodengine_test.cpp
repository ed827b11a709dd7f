// The module engine: start values from the host and back, the train-radio presets, queueing
// and placing recordings, the stored group values, and what every command of CommandHandler
// changes (and that it changes nothing else).
#include "enginerig.h"

#include "zemWave/engine/myfmodengine.h"

#include "registry/registry.h"
#include "support/scratch.h"

#include <future>
#include <mutex>
#include <optional>
#include <ostream>
#include <tuple>
#include <utility>

namespace {

using enginetest::At;
using enginetest::CallbackLog;
using enginetest::Event;
using enginetest::WriteTone;

// A host without controls: the settings it hands out, the values the engine leaves and what
// it is told.
class TestHost : public EngineHost {
public:
    ModuleEngineSettings GetEngineSettings() const override { return settings; }
    void StoreEngineValues(uint32_t volume, bool loop, bool skipSilence) override
    {
        stored = std::make_tuple(volume, loop, skipSilence);
    }
    void OnEngineEvent(int code, uintptr_t) override { Add({'E', code}); }
    void OnFileEvent(FileHandle file, int code) override { Add({'F', code, file}); }
    void OnUserMessage(const std::string& text) override
    {
        std::lock_guard lock(mutex_);
        messages.push_back(text);
    }
    std::vector<Event> TakeEvents()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(events_, {});
    }

    ModuleEngineSettings settings;
    std::optional<std::tuple<uint32_t, bool, bool>> stored;
    std::vector<std::string> messages;  // read once the engine is settled

private:
    void Add(Event e)
    {
        std::lock_guard lock(mutex_);
        events_.push_back(e);
    }

    std::mutex mutex_;
    std::vector<Event> events_;
};

// A module engine on a manual clock that nobody advances: playback holds its position.
class ModuleRig {
public:
    explicit ModuleRig(ModuleEngineSettings settings = {}) : folder_(zemtest::NewFolder("module"))
    {
        host.settings = std::move(settings);
        engine_ = std::make_unique<MyFMODEngine>(host, zem::OutputChoice::Null(&clock));
        Settle();
    }
    ~ModuleRig() { engine_.reset(); }

    MyFMODEngine& engine() { return *engine_; }
    void DeleteEngine() { engine_.reset(); }
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }

    // Waits until the worker has handled everything posted so far.
    void Settle()
    {
        std::promise<void> done;
        std::future<void> handled = done.get_future();
        ASSERT_TRUE(engine_->RunOnWorker([&done] { done.set_value(); }));
        ASSERT_EQ(handled.wait_for(enginetest::kPatience), std::future_status::ready);
    }

    // A recording of lengthMs placed at startMs in a group, as the host does it.
    FileHandle Add(const std::string& name, uint32_t startMs, int lengthMs, const std::string& group)
    {
        const FileHandle handle = engine_->AddFile(WriteTone(Path(name), 440, lengthMs));
        EXPECT_NE(handle, 0u) << engine_->GetLastError();
        engine_->SetFileInfo(handle, "<info><starttime>" + At(startMs).FormatText(' ') + "</starttime><group>" + group +
                                         "</group></info>");
        Settle();
        return handle;
    }

    zem::ManualClock clock;
    TestHost host;

private:
    std::string folder_;
    std::unique_ptr<MyFMODEngine> engine_;
};

// --- Start values, presets, deletion ---

TEST(ModuleEngine, StartsFromTheHostsSettingsAndLeavesItsValuesWhenDeleted)
{
    const struct {
        bool uic;
        uint32_t volume;
        bool loop, skip;
    } cases[] = {{false, 255, false, false}, {true, 80, true, true}};
    const _FMODEffect presets[] = {
        {"Pilotton", "bandreject", "2800", "300"},
        {"Notruf", "bandreject", "1520", "300"},
        {"Freizeichen", "bandreject", "2280", "300"},
        {"Sammelruf", "bandreject", "1960", "300"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uic);
        ModuleEngineSettings settings;
        settings.UICEnabled = c.uic;
        settings.Volume = c.volume;
        settings.Loop = c.loop;
        settings.SkipSilence = c.skip;
        ModuleRig rig(settings);
        MyFMODEngine& e = rig.engine();
        EXPECT_EQ(e.GetVolume(), c.volume);
        EXPECT_EQ(e.GetIndexLoop(), c.loop);
        EXPECT_EQ(e.GetSkipSilence(), c.skip);
        for (int slot = 0; slot < _FMODEngine::kEffectSlots; ++slot) {
            const _FMODEffect effect = *e.GetEffect(slot);
            const bool preset = c.uic && slot < 4;
            EXPECT_EQ(effect.name, preset ? presets[slot].name : "") << slot;
            EXPECT_EQ(effect.type, preset ? presets[slot].type : "") << slot;
            EXPECT_EQ(effect.param1, preset ? presets[slot].param1 : "") << slot;
            EXPECT_EQ(effect.param2, preset ? presets[slot].param2 : "") << slot;
        }

        e.SetVolume(40);
        e.SetIndexLoop(!c.loop);
        EXPECT_FALSE(rig.host.stored.has_value());
        rig.DeleteEngine();
        EXPECT_EQ(rig.host.stored, std::make_tuple(40u, !c.loop, c.skip));
    }
}

TEST(ModuleEngine, TheHostHearsEngineAndFileEventsAndTheUsersMessages)
{
    ModuleRig rig;
    MyFMODEngine& e = rig.engine();
    const FileHandle file = e.AddFile(WriteTone(rig.Path("a.wav"), 440, 200));
    rig.Settle();
    rig.host.TakeEvents();

    e.SetSpeed(2.0);
    e.SetFileMarked(file, true);
    rig.Settle();
    EXPECT_EQ(rig.host.TakeEvents(), (std::vector<Event>{{'E', _FMODEngine::kEngineSpeed},
                                                         {'F', _FMODEngine::kFileMarked, file}}));

    // A filter that cannot run (above half the sampling rate) tells the user through the host.
    ASSERT_TRUE(e.EditEffect(0, "slot", "bandreject", "5000", "300"));
    e.SetFileEffect(file, 0);
    std::vector<int16_t> block(800, 1000);
    zem::DspBlock dsp{block.data(), 800, 1, enginetest::kRate};
    ::testing::internal::CaptureStderr();
    e.FindFile(file)->DspCallback(dsp);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(rig.host.messages, std::vector<std::string>{"Fehler !"});
}

// --- Recordings from the host ---

TEST(ModuleEngine, AddFileQueuesWithANullStartAndRefusesAQueuedName)
{
    ModuleRig rig;
    MyFMODEngine& e = rig.engine();
    const std::string path = WriteTone(rig.Path("Call.wav"), 440, 1000);
    const FileHandle handle = e.AddFile(path);
    ASSERT_NE(handle, 0u);
    rig.Settle();
    EXPECT_TRUE(e.FindFile(handle)->GetStartTime().IsNull());

    const std::string otherCase = rig.Path("CALL.WAV");
    EXPECT_EQ(e.AddFile(otherCase), 0u);
    EXPECT_EQ(e.GetLastError(), "AddFile " + otherCase + " failed. File is already in queue!");

    const FileHandle missing = e.AddFile(rig.Path("missing.wav"));
    EXPECT_NE(missing, 0u) << "a file that cannot be opened stays queued";
    EXPECT_EQ(e.GetFileCount(), 2u);
}

TEST(ModuleEngine, SetFileInfoReadsItsChildrenWhateverTheirCase)
{
    const struct {
        const char* what;
        const char* xml;
        std::optional<uint32_t> start;  // none: the start stays null
        const char* callId;
        const char* group;
    } cases[] = {
        {"capitals", "<Info><StartTime>2024-03-05 10:00:02.500</StartTime><CALLID>4711</CALLID><Group>Links</Group></Info>",
         2500, "4711", "Links"},
        {"lower case", "<info><starttime>2024-03-05 10:00:00.000</starttime><callid>1</callid></info>", 0, "1", ""},
        {"a start that is no date", "<info><starttime>yesterday</starttime><callid>2</callid></info>", std::nullopt, "2", ""},
        {"a start out of range", "<info><starttime>2024-13-45 10:00:00.000</starttime></info>", std::nullopt, "", ""},
        {"not well-formed", "<info><callid>3</callid><group>Links</group>", std::nullopt, "", ""},
        {"other children", "<info><channel>7</channel><duration>9</duration></info>", std::nullopt, "", ""},
    };
    ModuleRig rig;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FileHandle h = rig.engine().AddFile(WriteTone(rig.Path("f" + std::to_string(n++) + ".wav"), 440, 500));
        ASSERT_NE(h, 0u);
        rig.engine().SetFileInfo(h, c.xml);
        rig.Settle();
        const _FMODFile* file = rig.engine().FindFile(h);
        EXPECT_EQ(file->GetStartTime().FormatText(' '), c.start ? At(*c.start).FormatText(' ') : "");
        EXPECT_EQ(file->GetInfo("callid"), c.callId);
        EXPECT_EQ(rig.engine().GetFileGroup(h), c.group);
    }
    rig.engine().SetFileInfo(9999, "<info><callid>4</callid></info>");  // unknown handle: nothing
}

void WriteGroupKey(const std::string& group, const std::vector<std::pair<const char*, zem::DWORD>>& numbers,
                   const char* textValue = nullptr)
{
    zem::HKEY key = nullptr;
    const std::string path = std::string(kEngineSettingsKey) + "\\Groups\\" + group;
    ASSERT_EQ(zem::RegCreateKeyEx(zem::HKEY_CURRENT_USER, path, zem::KEY_ALL_ACCESS, &key), zem::ERROR_SUCCESS);
    for (const auto& [name, value] : numbers) {
        ASSERT_EQ(zem::RegSetValueEx(key, name, zem::REG_DWORD, reinterpret_cast<const zem::BYTE*>(&value), sizeof value),
                  zem::ERROR_SUCCESS);
    }
    if (textValue) {
        ASSERT_EQ(zem::RegSetValueEx(key, textValue, zem::REG_SZ, reinterpret_cast<const zem::BYTE*>("80"), 3),
                  zem::ERROR_SUCCESS);
    }
    zem::RegCloseKey(key);
}

TEST(ModuleEngine, AGroupTakesItsStoredValuesWhenGroupSettingsAreKept)
{
    WriteGroupKey("Full", {{"Volume", 80}, {"Balance", 20}, {"Effect", 2}});
    WriteGroupKey("VolumeOnly", {{"volume", 90}});
    WriteGroupKey("Text", {{"Balance", 30}}, "Volume");
    WriteGroupKey("NoEffect", {{"Effect", 0xFFFFFFFF}});
    const struct {
        bool keep;
        const char* group;
        uint32_t volume, balance;
        int effect;
    } cases[] = {
        {true, "Full", 80, 20, 2},
        {true, "full", 80, 20, 2},  // registry names ignore case
        {true, "VolumeOnly", 90, 128, -1},
        {true, "Text", 255, 30, -1},
        {true, "NoEffect", 255, 128, -1},
        {true, "Unknown", 10, 11, 5},  // no key: the file keeps its values
        {false, "Full", 10, 11, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.group << (c.keep ? " kept" : " not kept"));
        ModuleEngineSettings settings;
        settings.engine.SaveGroupSettings = c.keep;
        ModuleRig rig(settings);
        MyFMODEngine& e = rig.engine();
        const FileHandle h = e.AddFile(WriteTone(rig.Path("a.wav"), 440, 500));
        e.SetFileVolume(h, 10);
        e.SetFileBalance(h, 11);
        e.SetFileEffect(h, 5);
        e.SetFileInfo(h, std::string("<info><group>") + c.group + "</group></info>");
        EXPECT_EQ(e.GetFileGroup(h), c.group);
        EXPECT_EQ(e.GetFileVolume(h), c.volume);
        EXPECT_EQ(e.GetFileBalance(h), c.balance);
        EXPECT_EQ(e.FindFile(h)->GetEffect(), c.effect);
    }
}

// --- Commands ---

struct FileState {
    bool marked, enabled;
    int effect;
    uint32_t volume, balance;
    bool operator==(const FileState&) const = default;
};

// Everything a command may change.
struct Snapshot {
    int state;
    uint32_t position, volume;
    double speed;
    std::vector<uint32_t> marks;
    uint16_t beep;
    bool loop, skip, rulerLocked;
    std::string rulerStart, rulerEnd;
    std::vector<FileState> files;
    bool operator==(const Snapshot&) const = default;
};

void PrintTo(const Snapshot& s, std::ostream* out)
{
    *out << "state " << s.state << ", position " << s.position << ", volume " << s.volume << ", speed " << s.speed
         << ", marks [";
    for (uint32_t m : s.marks)
        *out << " " << m;
    *out << " ], beep " << s.beep << ", loop " << s.loop << ", skip " << s.skip << ", ruler " << s.rulerStart << " - "
         << s.rulerEnd << (s.rulerLocked ? " locked" : "") << ", files:";
    for (const FileState& f : s.files)
        *out << " {" << (f.marked ? "marked " : "") << (f.enabled ? "enabled" : "disabled") << " effect " << f.effect
             << " volume " << f.volume << " balance " << f.balance << "}";
}

// Three recordings of one call: 0 and 1 in group A at 0 (4000 ms), 2 in group B at 6000
// (2000 ms); the timeline is 8000 ms long.
class Commands : public ::testing::Test {
public:
    void SetUp() override
    {
        files = {rig.Add("a0.wav", 0, 4000, "A"), rig.Add("a1.wav", 0, 4000, "A"), rig.Add("b.wav", 6000, 2000, "B")};
        ASSERT_EQ(rig.engine().GetLength(), 8000u);
    }

    Snapshot Snap()
    {
        MyFMODEngine& e = rig.engine();
        Snapshot s{e.GetState(), e.GetPosition(), e.GetVolume(), e.GetSpeed(), {}, e.GetIndexBeep(), e.GetIndexLoop(),
                   e.GetSkipSilence(), e.IsTimeRulerLocked(), e.GetStartTime().FormatText(' '),
                   e.GetEndTime().FormatText(' '), {}};
        e.GetIndices(s.marks);
        for (FileHandle h : files)
            s.files.push_back({e.IsFileMarked(h), e.GetFileEnabled(h), e.FindFile(h)->GetEffect(), e.GetFileVolume(h),
                               e.GetFileBalance(h)});
        return s;
    }

    void MoveTo(uint32_t ms)
    {
        rig.engine().SetPosition(ms);
        rig.Settle();
    }
    void Playing()
    {
        rig.engine().Play();
        rig.Settle();
    }
    void Paused()
    {
        Playing();
        rig.engine().Pause();
        rig.Settle();
    }
    void Marks(std::initializer_list<uint32_t> marks)
    {
        for (uint32_t m : marks)
            rig.engine().AddIndex(m);
    }

    ModuleRig rig;
    std::vector<FileHandle> files;
};

struct CommandCase {
    const char* what;
    std::function<void(Commands&)> setup;
    uint32_t id;
    int file;        // index of the file passed, or -1 for a value
    uint32_t value;  // the argument when no file is passed
    bool group;
    std::function<void(Snapshot&)> change;  // what the command changes, from the state before
};

void PrintTo(const CommandCase& c, std::ostream* out)
{
    *out << c.what;
}

constexpr int kValue = -1;

// One fresh engine per case, so each starts from the same state.
class CommandTable : public Commands, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandTable, ChangesWhatItsTableSaysAndNothingElse)
{
    const CommandCase& c = GetParam();
    if (c.setup)
        c.setup(*this);
    rig.Settle();
    Snapshot expected = Snap();
    if (c.change)
        c.change(expected);
    const uint32_t argument = c.file == kValue ? c.value : files[static_cast<size_t>(c.file)];
    rig.engine().CommandHandler(c.id, argument, c.group);
    rig.Settle();
    EXPECT_EQ(Snap(), expected);
}

MyFMODEngine& E(Commands& f)
{
    return f.rig.engine();
}

const CommandCase kCommandCases[] = {
    // Volume
    {"Lauter at 240 stops at 255", [](Commands& f) { E(f).SetVolume(240); }, kCmdLouder, kValue, 0, false,
     [](Snapshot& s) { s.volume = 255; }},
    {"Lauter at 100", [](Commands& f) { E(f).SetVolume(100); }, kCmdLouder, kValue, 0, false,
     [](Snapshot& s) { s.volume = 110; }},
    {"Lauter on a file at 250", [](Commands& f) { E(f).SetFileVolume(f.files[0], 250); }, kCmdLouder, 0, 0, false,
     [](Snapshot& s) { s.files[0].volume = 255; }},
    {"Lauter on a file at 200", [](Commands& f) { E(f).SetFileVolume(f.files[1], 200); }, kCmdLouder, 1, 0, false,
     [](Snapshot& s) { s.files[1].volume = 220; }},
    {"Leiser at 1 gives 0", [](Commands& f) { E(f).SetVolume(1); }, kCmdQuieter, kValue, 0, false,
     [](Snapshot& s) { s.volume = 0; }},
    {"Leiser at 0 stays 0", [](Commands& f) { E(f).SetVolume(0); }, kCmdQuieter, kValue, 0, false, {}},
    {"Leiser at 100", [](Commands& f) { E(f).SetVolume(100); }, kCmdQuieter, kValue, 0, false,
     [](Snapshot& s) { s.volume = 90; }},
    {"Leiser on a file at 255", {}, kCmdQuieter, 2, 0, false, [](Snapshot& s) { s.files[2].volume = 229; }},
    {"Stumm", {}, kCmdMute, kValue, 0, false, [](Snapshot& s) { s.volume = 0; }},
    {"Normal volume", [](Commands& f) { E(f).SetVolume(37); }, kCmdNormalVolume, kValue, 0, false,
     [](Snapshot& s) { s.volume = 100; }},
    {"Normal volume of a file", {}, kCmdNormalVolume, 1, 0, false, [](Snapshot& s) { s.files[1].volume = 100; }},
    {"ID_FMOD_SETVOLUME", {}, kCmdSetVolume, kValue, 77, false, [](Snapshot& s) { s.volume = 77; }},
    // Speed
    {"Schneller at 2.9 stops at 3.0", [](Commands& f) { E(f).SetSpeed(2.9); }, kCmdFaster, kValue, 0, false,
     [](Snapshot& s) { s.speed = 3.0; }},
    {"Schneller at 1.0", {}, kCmdFaster, kValue, 0, false, [](Snapshot& s) { s.speed = 1.0 * 1.1; }},
    {"Langsamer at 0.35 stops at 0.33", [](Commands& f) { E(f).SetSpeed(0.35); }, kCmdSlower, kValue, 0, false,
     [](Snapshot& s) { s.speed = 0.33; }},
    {"Langsamer at 1.0", {}, kCmdSlower, kValue, 0, false, [](Snapshot& s) { s.speed = 1.0 * 0.9; }},
    {"Normal speed", [](Commands& f) { E(f).SetSpeed(2.0); }, kCmdNormalSpeed, kValue, 0, false,
     [](Snapshot& s) { s.speed = 1.0; }},
    {"ID_FMOD_SETSPEED 500 stops at 3.0", {}, kCmdSetSpeed, kValue, 500, false, [](Snapshot& s) { s.speed = 3.0; }},
    {"ID_FMOD_SETSPEED 20 stops at 0.33", {}, kCmdSetSpeed, kValue, 20, false, [](Snapshot& s) { s.speed = 0.33; }},
    {"ID_FMOD_SETSPEED 150", {}, kCmdSetSpeed, kValue, 150, false, [](Snapshot& s) { s.speed = 1.5; }},
    {"Schneller while paused stays paused", [](Commands& f) { f.MoveTo(500); f.Paused(); }, kCmdFaster, kValue, 0, false,
     [](Snapshot& s) { s.speed = 1.0 * 1.1; }},
    {"Schneller while playing plays on", [](Commands& f) { f.Playing(); }, kCmdFaster, kValue, 0, false,
     [](Snapshot& s) { s.speed = 1.0 * 1.1; }},
    // Play state
    {"Start/Pause while paused plays", [](Commands& f) { f.Paused(); }, kCmdStartPause, kValue, 0, false,
     [](Snapshot& s) { s.state = _FMODEngine::kPlaying; }},
    {"Start/Pause while stopped plays", {}, kCmdStartPause, kValue, 0, false,
     [](Snapshot& s) { s.state = _FMODEngine::kPlaying; }},
    {"Start/Pause while playing pauses", [](Commands& f) { f.Playing(); }, kCmdStartPause, kValue, 0, false,
     [](Snapshot& s) { s.state = _FMODEngine::kPaused; }},
    {"Stop", [](Commands& f) { f.MoveTo(3000); f.Playing(); }, kCmdStop, kValue, 0, false,
     [](Snapshot& s) { s.state = _FMODEngine::kStopped; s.position = 0; }},
    {"Play", {}, kCmdPlay, kValue, 0, false, [](Snapshot& s) { s.state = _FMODEngine::kPlaying; }},
    {"Pause", [](Commands& f) { f.Playing(); }, kCmdPause, kValue, 0, false,
     [](Snapshot& s) { s.state = _FMODEngine::kPaused; }},
    // Position
    {"Zurück at 400 stops at 0", [](Commands& f) { f.MoveTo(400); }, kCmdBack, kValue, 0, false,
     [](Snapshot& s) { s.position = 0; }},
    {"Zurück by 500", [](Commands& f) { f.MoveTo(3000); }, kCmdBack, kValue, 500, false,
     [](Snapshot& s) { s.position = 2500; }},
    {"Vorwärts", [](Commands& f) { f.MoveTo(1000); }, kCmdForward, kValue, 0, false,
     [](Snapshot& s) { s.position = 2000; }},
    {"Vorwärts by 300", [](Commands& f) { f.MoveTo(1000); }, kCmdForward, kValue, 300, false,
     [](Snapshot& s) { s.position = 1300; }},
    {"Vorwärts past the end", [](Commands& f) { f.MoveTo(7500); }, kCmdForward, kValue, 0, false,
     [](Snapshot& s) { s.position = 8000; }},
    {"Vorwärts while playing plays on", [](Commands& f) { f.MoveTo(1000); f.Playing(); }, kCmdForward, kValue, 0, false,
     [](Snapshot& s) { s.position = 2000; }},
    {"ID_FMOD_UPDATEPOSITION leaves playback paused", [](Commands& f) { f.Playing(); }, kCmdUpdatePosition, kValue, 3000,
     false, [](Snapshot& s) { s.position = 3000; s.state = _FMODEngine::kPaused; }},
    // Index marks
    {"Index setzen at a value", {}, kCmdIndexSet, kValue, 1500, false, [](Snapshot& s) { s.marks = {1500}; }},
    {"Index setzen at the position", [](Commands& f) { f.MoveTo(2500); }, kCmdIndexSet, kValue, 0, false,
     [](Snapshot& s) { s.marks = {2500}; }},
    {"Aktuellen entfernen", [](Commands& f) { f.Marks({1000, 2500}); f.MoveTo(2600); }, kCmdIndexRemoveCurrent, kValue,
     0, false, [](Snapshot& s) { s.marks = {1000}; }},
    {"Vorherigen entfernen", [](Commands& f) { f.Marks({1000, 2500}); f.MoveTo(2400); }, kCmdIndexRemovePrevious,
     kValue, 0, false, [](Snapshot& s) { s.marks = {2500}; }},
    {"Nächsten entfernen", [](Commands& f) { f.Marks({1000, 2500}); f.MoveTo(1200); }, kCmdIndexRemoveNext, kValue, 0,
     false, [](Snapshot& s) { s.marks = {1000}; }},
    {"Alle entfernen", [](Commands& f) { f.Marks({1000, 2500}); }, kCmdIndexRemoveAll, kValue, 0, false,
     [](Snapshot& s) { s.marks = {}; }},
    {"Nächster Index", [](Commands& f) { f.Marks({1000, 3000}); f.MoveTo(1200); }, kCmdNextIndex, kValue, 0, false,
     [](Snapshot& s) { s.position = 3000; }},
    {"Vorheriger Index", [](Commands& f) { f.Marks({1000, 3000}); f.MoveTo(3200); }, kCmdPreviousIndex, kValue, 0,
     false, [](Snapshot& s) { s.position = 1000; }},
    {"Nächster Index while playing plays on", [](Commands& f) { f.Marks({1000, 3000}); f.MoveTo(1200); f.Playing(); },
     kCmdNextIndex, kValue, 0, false, [](Snapshot& s) { s.position = 3000; }},
    // Recordings
    {"Nächste Aufzeichnung", [](Commands& f) { f.MoveTo(1000); }, kCmdNextRecording, kValue, 0, false,
     [](Snapshot& s) { s.position = 6000; }},
    {"Vorherige Aufzeichnung", [](Commands& f) { f.MoveTo(7000); }, kCmdPreviousRecording, kValue, 0, false,
     [](Snapshot& s) { s.position = 6000; }},
    {"Vorherige Aufzeichnung just after a start", [](Commands& f) { f.MoveTo(6300); }, kCmdPreviousRecording, kValue, 0,
     false, [](Snapshot& s) { s.position = 0; }},
    // Flags
    {"Signalton bei Index on", {}, kCmdIndexBeep, kValue, 0, false, [](Snapshot& s) { s.beep = 1; }},
    {"Signalton bei Index off", [](Commands& f) { E(f).SetIndexBeep(1); }, kCmdIndexBeep, kValue, 0, false,
     [](Snapshot& s) { s.beep = 0; }},
    {"Loop zwischen Indizes", {}, kCmdIndexLoop, kValue, 0, false, [](Snapshot& s) { s.loop = true; }},
    {"Skip Silence", {}, kCmdSkipSilence, kValue, 0, false, [](Snapshot& s) { s.skip = true; }},
    {"Lock TimeRuler", {}, kCmdLockTimeRuler, kValue, 0, false, [](Snapshot& s) { s.rulerLocked = true; }},
    // Ruler ends at the position
    {"SetStartTime while playing", [](Commands& f) { f.MoveTo(1000); f.Playing(); }, kCmdSetStartTime, kValue, 0, false,
     [](Snapshot& s) {
         s.state = _FMODEngine::kPaused;
         s.rulerLocked = true;
         s.rulerStart = At(1000).FormatText(' ');
     }},
    {"SetEndTime", [](Commands& f) { f.MoveTo(5000); }, kCmdSetEndTime, kValue, 0, false,
     [](Snapshot& s) {
         s.rulerLocked = true;
         s.rulerEnd = At(5000).FormatText(' ');
     }},
    // Files, alone and by group
    {"Markiert unmarks the others", [](Commands& f) { E(f).SetFileMarked(f.files[0], true); }, kCmdMarked, 1, 0, false,
     [](Snapshot& s) { s.files[0].marked = false; s.files[1].marked = true; }},
    {"Markiert toggles", [](Commands& f) { E(f).SetFileMarked(f.files[1], true); }, kCmdMarked, 1, 0, false,
     [](Snapshot& s) { s.files[1].marked = false; }},
    {"Markiert by group toggles each file of the group",
     [](Commands& f) { E(f).SetFileMarked(f.files[1], true); E(f).SetFileMarked(f.files[2], true); }, kCmdMarked, 0, 0,
     true, [](Snapshot& s) { s.files = {{true, true, -1, 255, 128}, {false, true, -1, 255, 128}, {false, true, -1, 255, 128}}; }},
    {"Markiert without a file", [](Commands& f) { E(f).SetFileMarked(f.files[1], true); }, kCmdMarked, kValue, 0, false,
     {}},
    {"Kein Effekt", [](Commands& f) { for (FileHandle h : f.files) E(f).SetFileEffect(h, 2); }, kCmdNoEffect, 0, 0, false,
     [](Snapshot& s) { s.files[0].effect = -1; }},
    {"Kein Effekt by group", [](Commands& f) { for (FileHandle h : f.files) E(f).SetFileEffect(h, 2); }, kCmdNoEffect, 1,
     0, true, [](Snapshot& s) { s.files[0].effect = s.files[1].effect = -1; }},
    {"first effect slot", {}, kCmdFirstEffect, 2, 0, false, [](Snapshot& s) { s.files[2].effect = 0; }},
    {"slot 3", {}, kCmdFirstEffect + 3, 1, 0, false, [](Snapshot& s) { s.files[1].effect = 3; }},
    {"last slot by group", {}, kCmdLastEffectSlot, 1, 0, true,
     [](Snapshot& s) { s.files[0].effect = s.files[1].effect = 9; }},
    {"an effect without a file", {}, kCmdFirstEffect, kValue, 0, true, {}},
    {"Aktiv", {}, kCmdActive, 0, 0, false, [](Snapshot& s) { s.files[0].enabled = false; }},
    {"Aktiv on a disabled file", [](Commands& f) { E(f).SetFileEnabled(f.files[2], false, false); }, kCmdActive, 2, 0,
     false, [](Snapshot& s) { s.files[2].enabled = true; s.rulerEnd = At(8000).FormatText(' '); }},
    {"Aktiv by group", {}, kCmdActive, 1, 0, true, [](Snapshot& s) {
         s.files[0].enabled = s.files[1].enabled = false;
         s.rulerStart = At(6000).FormatText(' ');
     }},
    {"Aktiv without a file", {}, kCmdActive, kValue, 0, true, {}},
    {"ID_SELECTEDFMODFILE_SETVOLUME",
     [](Commands& f) { E(f).SetFileMarked(f.files[0], true); E(f).SetFileMarked(f.files[2], true); },
     kCmdSelectedSetVolume, kValue, 60, false, [](Snapshot& s) { s.files[0].volume = s.files[2].volume = 60; }},
    {"ID_SELECTEDFMODFILE_SETBALANCE", [](Commands& f) { E(f).SetFileMarked(f.files[1], true); },
     kCmdSelectedSetBalance, kValue, 10, false, [](Snapshot& s) { s.files[1].balance = 10; }},
    // The controls' own commands, and ids nobody knows
    {"Enable File", [](Commands& f) { E(f).SetFileEnabled(f.files[0], false, false); }, kCmdEnableFile, 0, 0, false, {}},
    {"Disable File", {}, kCmdDisableFile, 0, 0, false, {}},
    {"Kanalansicht", {}, kCmdChannelView, kValue, 0, false, {}},
    {"Letzter Gültiger Effekt", {}, kCmdLastValidEffect, 0, 0, false, {}},
    {"an unknown id", [](Commands& f) { f.MoveTo(1000); }, 40000, kValue, 500, true, {}},
};

INSTANTIATE_TEST_SUITE_P(Ids, CommandTable, ::testing::ValuesIn(kCommandCases),
                         [](const ::testing::TestParamInfo<CommandCase>& info) {
                             std::string name = std::to_string(info.param.id) + "_" + std::to_string(info.index);
                             return name;
                         });

TEST_F(Commands, AktivByGroupNotifiesOnceForTheLastFileOfTheGroup)
{
    CallbackLog log;
    log.Attach(rig.engine());
    const struct {
        int file;
        bool group;
        std::vector<Event> events;
    } cases[] = {
        {0, false, {{'F', _FMODEngine::kFileEnabled, files[0]}, {'E', _FMODEngine::kEngineFilesChanged}}},
        {0, true, {{'F', _FMODEngine::kFileEnabled, files[1]}, {'E', _FMODEngine::kEngineFilesChanged}}},
        {2, true, {{'F', _FMODEngine::kFileEnabled, files[2]}, {'E', _FMODEngine::kEngineFilesChanged}}},
    };
    for (const auto& c : cases) {
        rig.engine().CommandHandler(kCmdActive, files[static_cast<size_t>(c.file)], c.group);
        rig.Settle();
        EXPECT_EQ(log.Take(), c.events);
    }
}

TEST_F(Commands, SaveStateAndRestoreStateReturnToTheRememberedState)
{
    MyFMODEngine& e = rig.engine();
    const struct {
        std::function<void()> before, between;
        int restored;
    } cases[] = {
        {[&] { Playing(); }, [&] { e.Pause(); }, _FMODEngine::kPlaying},
        {[&] { Paused(); }, [&] { e.Play(); }, _FMODEngine::kPaused},
        {[&] { e.Stop(); }, [&] { e.Play(); }, _FMODEngine::kStopped},
        {[&] { Playing(); }, [] {}, _FMODEngine::kPlaying},
    };
    for (const auto& c : cases) {
        c.before();
        rig.Settle();
        e.SaveState();
        c.between();
        rig.Settle();
        e.RestoreState();
        rig.Settle();
        EXPECT_EQ(e.GetState(), c.restored);
    }
}

}  // namespace
