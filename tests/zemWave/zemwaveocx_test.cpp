// zemwave.ocx as hosts and the registration tool meet it: registration round trips through
// regsvrex.exe, its result codes, and the type library table its dispatch follows.
#include "zemWave/typelibrary.h"

#include "base/paths.h"
#include "com/host.h"
#include "com/persist.h"
#include "support/elfexports.h"
#include "support/runprogram.h"
#include "support/hivetext.h"
#include "support/scratch.h"

#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace zem;
using zemtest::RunProgram;

const std::string kOcx = ZEM_OCX;
const std::string kRegsvrex = ZEM_REGSVREX;
const char* const kControlProgIds[] = {"ZEMWAVE.PlayerCtrl.1", "ZEMWAVE.PromptCtrl.1",
                                       "ZEMWAVE.PlayListCtrl.1"};

class ZemWaveOcxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::remove(HiveFilePath("HKCU"));
        std::filesystem::remove(HiveFilePath("HKLM"));
        CoInitialize();
    }
    void TearDown() override { CoUninitialize(); }

    // Which of the control ProgIDs resolve to a class served by the built module.
    static int Resolving()
    {
        int count = 0;
        for (const char* progId : kControlProgIds) {
            CLSID clsid;
            std::string server;
            if (SUCCEEDED(CLSIDFromProgID(progId, &clsid)) && SUCCEEDED(ServerPathOf(clsid, &server)) &&
                MapPath(server) == kOcx)
                ++count;
        }
        return count;
    }
};

TEST_F(ZemWaveOcxTest, RegisterTwiceThenUnregisterPerMachineAndPerUser)
{
    struct Case {
        std::vector<std::string> options;
        const char* written;    // the hive registration writes
        const char* untouched;  // the hive it leaves alone
    };
    const Case cases[] = {{{}, "HKLM", "HKCU"}, {{"/c"}, "HKCU", "HKLM"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        // Leave the shared parents (CLSID, TypeLib, Interface) in place, as Windows has them.
        std::vector<std::string> args = c.options;
        args.push_back(kOcx);
        ASSERT_EQ(RunProgram(kRegsvrex, args).exitCode, 0);
        args.insert(args.begin(), "/u");
        ASSERT_EQ(RunProgram(kRegsvrex, args).exitCode, 0);
        const std::string before = zemtest::HiveText(c.written);
        const std::string otherBefore = zemtest::HiveText(c.untouched);
        args.erase(args.begin());

        const zemtest::ProgramRun first = RunProgram(kRegsvrex, args);
        ASSERT_EQ(first.exitCode, 0) << first.output;
        const std::string once = zemtest::HiveText(c.written);
        EXPECT_EQ(Resolving(), 3);
        ASSERT_EQ(RunProgram(kRegsvrex, args).exitCode, 0);
        EXPECT_EQ(zemtest::HiveText(c.written), once) << "registering twice leaves the registry as once";
        EXPECT_EQ(zemtest::HiveText(c.untouched), otherBefore);

        // Registered, the Player is served, here without any window layer, as a probe makes it.
        ComPtr<IDispatch> player;
        EXPECT_EQ(CreateDispatch("ZEMWAVE.PlayerCtrl.1", player.Out()), S_OK);
        player.Reset();

        args.insert(args.begin(), "/U");
        ASSERT_EQ(RunProgram(kRegsvrex, args).exitCode, 0);
        EXPECT_EQ(Resolving(), 0);
        EXPECT_EQ(zemtest::HiveText(c.written), before) << "unregistering removes exactly what was written";
        EXPECT_EQ(CreateDispatch("ZEMWAVE.PlayerCtrl.1", player.Out()), CO_E_CLASSSTRING);
    }
}

TEST_F(ZemWaveOcxTest, RegistrationWritesTheClassKeysOfTheTable)
{
    ASSERT_EQ(RunProgram(kRegsvrex, {kOcx}).exitCode, 0);
    const std::string hklm = zemtest::HiveText("HKLM");
    const std::string player = GuidText(zemwave::ModuleClassOf(zemwave::ClassId::PlayerCtrl).registration.clsid);
    const std::string page = GuidText(zemwave::ModuleClassOf(zemwave::ClassId::PlayListPropPage).registration.clsid);
    const std::string lines[] = {
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\" + player + "\\MiscStatus\\1]\n@=\"131473\"",
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\" + player + "\\ToolboxBitmap32]\n@=\"" + kOcx + ", 1\"",
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\" + page + "]\n@=\"PlayList Property Page\"",
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\ZEMWAVE.PlayListCtrl.1]\n@=\"zemWave.PlayList Control\"",
        "@=\"zemWave ActiveX-Steuerelement-Modul\"",
    };
    for (const std::string& line : lines)
        EXPECT_NE(hklm.find(line), std::string::npos) << line;
    EXPECT_EQ(hklm.find("ThreadingModel"), std::string::npos);
    EXPECT_EQ(hklm.find("ZEMWAVE.PlayerPropPage.1"), std::string::npos) << "pages have no ProgID key";
}

// Each control saves version 1.0 and the base's properties, and loads any version back.
TEST_F(ZemWaveOcxTest, ControlsSaveTheirVersionAndStockPropertiesAndLoadThemBack)
{
    ASSERT_EQ(RunProgram(kRegsvrex, {"/c", kOcx}).exitCode, 0);
    const auto saved = [](IPersistPropertyBag* persist) {
        auto bag = ComPtr<PropertyBag>::Adopt(new PropertyBag);
        EXPECT_EQ(persist->Save(bag.Get(), true, true), S_OK);
        std::string text = std::to_string(bag->Count());
        for (const char* name : {"_Version", "_ExtentX", "_ExtentY", "_StockProps"}) {
            VARIANT value;
            value.vt = VT_I4;
            text += std::string(" ") + name + "=" + (SUCCEEDED(bag->Read(name, &value)) ? std::to_string(value.lVal) : "-");
        }
        return text;
    };
    for (const char* progId : kControlProgIds) {
        SCOPED_TRACE(progId);
        ComPtr<IDispatch> control;
        ASSERT_EQ(CreateDispatch(progId, control.Out()), S_OK);
        auto persist = control.As<IPersistPropertyBag>();
        ASSERT_TRUE(persist);
        ASSERT_EQ(persist->InitNew(), S_OK);
        EXPECT_EQ(saved(persist.Get()), "4 _Version=65536 _ExtentX=2646 _ExtentY=1323 _StockProps=0");

        // A page's text, of another version: converted, never refused.
        for (const char* version : {"131072", "1", "65536"}) {
            auto bag = ComPtr<PropertyBag>::Adopt(new PropertyBag);
            bag->Write("_version", VARIANT::Bstr(version));
            bag->Write("_extentx", VARIANT::Bstr("7938"));
            bag->Write("_ExtentY", VARIANT::Bstr("529"));
            EXPECT_EQ(persist->Load(bag.Get()), S_OK) << version;
            EXPECT_EQ(saved(persist.Get()), "4 _Version=65536 _ExtentX=7938 _ExtentY=529 _StockProps=0") << version;
        }
        ASSERT_EQ(persist->InitNew(), S_OK);
        EXPECT_EQ(saved(persist.Get()), "4 _Version=65536 _ExtentX=2646 _ExtentY=1323 _StockProps=0");
    }
}

// Each control's "ToolboxBitmap32" entry names the module and an image it serves, 16 x 15.
TEST_F(ZemWaveOcxTest, ToolboxImagesAreServedAsTheRegistryNamesThem)
{
    ASSERT_EQ(RunProgram(kRegsvrex, {"/c", kOcx}).exitCode, 0);
    const struct {
        zemwave::ClassId control;
        uint32_t id;
    } cases[] = {{zemwave::ClassId::PlayerCtrl, 1}, {zemwave::ClassId::PromptCtrl, 2}, {zemwave::ClassId::PlayListCtrl, 204}};
    std::vector<std::string> images;
    for (const auto& c : cases) {
        std::string module;
        uint32_t id = 0;
        ASSERT_EQ(ToolboxBitmapOf(zemwave::ModuleClassOf(c.control).registration.clsid, &module, &id), S_OK);
        EXPECT_EQ(module, kOcx);
        EXPECT_EQ(id, c.id);
        std::string bytes;
        ASSERT_EQ(LoadModuleResource(module, "BITMAP", id, &bytes), S_OK) << id;
        // XPM: the first quoted line holds width, height, colours and characters per pixel.
        const size_t values = bytes.find("\"", bytes.find('{'));
        EXPECT_EQ(bytes.compare(values, 7, "\"16 15 "), 0) << id << bytes.substr(0, 60);
        images.push_back(bytes);
    }
    EXPECT_TRUE(images[0] != images[1] && images[1] != images[2] && images[0] != images[2]);
    std::string none;
    EXPECT_EQ(LoadModuleResource(kOcx, "BITMAP", 3, &none), E_INVALIDARG);
    EXPECT_EQ(LoadModuleResource(kOcx, "ICON", 1, &none), E_INVALIDARG);
    std::string module;
    uint32_t id = 0;
    EXPECT_EQ(ToolboxBitmapOf(zemwave::ModuleClassOf(zemwave::ClassId::PlayerPropPage).registration.clsid, &module, &id),
              REGDB_E_CLASSNOTREG)
        << "pages have none";
}

TEST_F(ZemWaveOcxTest, FailuresWriteNothingAndSayWhy)
{
    // An HKLM that cannot be written (its lock file is taken by a folder, which stops root too).
    const std::string lock = HiveFilePath("HKLM") + ".lock";
    std::filesystem::remove(lock);
    ASSERT_TRUE(MakeFolders(lock));
    const zemtest::ProgramRun denied = RunProgram(kRegsvrex, {kOcx});
    std::filesystem::remove(lock);
    EXPECT_NE(denied.exitCode, 0);
    EXPECT_NE(denied.output.find("SELFREG_E_TYPELIB"), std::string::npos) << denied.output;
    EXPECT_EQ(zemtest::HiveText("HKLM"), "");
    // Unloading the module writes its own settings back, as it does after every load; no class.
    EXPECT_EQ(zemtest::HiveText("HKCU").find("Classes"), std::string::npos);

    const zemtest::ProgramRun missing = RunProgram(kRegsvrex, {"/c", "C:\\nowhere\\zemwave.ocx"});
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_NE(missing.output.find("\"C:\\nowhere\\zemwave.ocx\" does not exist"), std::string::npos)
        << missing.output;
    const zemtest::ProgramRun notAModule = RunProgram(kRegsvrex, {HiveFilePath("HKCU")});
    EXPECT_NE(notAModule.exitCode, 0);
    EXPECT_EQ(RunProgram(kRegsvrex, {"/x", kOcx}).exitCode, 2);
    EXPECT_EQ(zemtest::HiveText("HKCU").find("Classes"), std::string::npos);
}

TEST(ZemWaveModule, ExportsOnlyItsFiveEntryPoints)
{
    void* module = dlopen(kOcx.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    for (const char* name :
         {"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject", "DllCanUnloadNow", "DllGetResource"})
        EXPECT_NE(dlsym(module, name), nullptr) << name;
    // The class table, compiled in from a static library, stays inside.
    EXPECT_EQ(dlsym(module, "_ZN7zemwave13ModuleClassesEv"), nullptr);
    dlclose(module);
    // So do the standard library's templates and type information: a library that stays
    // loaded and bound to one of them would keep the module from unloading.
    const std::vector<std::string> exports{"DllCanUnloadNow", "DllGetClassObject", "DllGetResource",
                                           "DllRegisterServer", "DllUnregisterServer"};
    EXPECT_EQ(zemtest::ExportedNames(kOcx), exports);
}

TEST(ZemWaveTypeLibrary, TableHoldsTheNineEntriesAndPublishedNumbers)
{
    const TypeLibrary& library = zemwave::ZemWaveTypeLibrary();
    ASSERT_EQ(library.entries.size(), 9u);
    EXPECT_STREQ(library.name, "ZEMWAVELib");
    EXPECT_EQ(VersionText(library), "1.0");
    // Each coclass: a control class of the module, its default interface "_D<name>" and
    // its events "_D<name>Events", in library order.
    for (size_t i = 2; i < 9; i += 3) {
        const TypeEntry& coclass = library.entries[i];
        ASSERT_EQ(coclass.kind, TypeKind::CoClass);
        const zemwave::ModuleClass* entry = zemwave::FindModuleClass(coclass.guid);
        ASSERT_NE(entry, nullptr) << coclass.name;
        EXPECT_STREQ(entry->registration.typeName, coclass.doc);
        EXPECT_EQ(library.entries[coclass.defaultInterface].name, std::string("_D") + coclass.name);
        EXPECT_EQ(library.entries[coclass.defaultSource].name, std::string("_D") + coclass.name + "Events");
        EXPECT_EQ(library.entries[coclass.defaultInterface].table->iid,
                  library.entries[coclass.defaultInterface].guid);
    }
    struct Numbers {
        const DispatchInterface& table;
        std::vector<DISPID> ids;
    };
    const Numbers numbers[] = {
        {zemwave::PlayerInterface(), {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}},
        {zemwave::PromptInterface(), {1, 2, 3, 4, 5, 6, 7, 8}},
        {zemwave::PlayListInterface(), {1}},
    };
    for (const Numbers& n : numbers) {
        std::vector<DISPID> ids;
        for (const DispatchMember& member : n.table.members)
            ids.push_back(member.id);
        EXPECT_EQ(ids, n.ids) << n.table.name;
    }
    EXPECT_EQ(FindMember(zemwave::PlayerInterface(), 5), nullptr);
    EXPECT_STREQ(FindMember(zemwave::PlayerInterface(), 18)->name, "Stop");
    EXPECT_EQ(FindMember(zemwave::PlayerInterface(), "setfileinfo")->id, 17);
}

}  // namespace
