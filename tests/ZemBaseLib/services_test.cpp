// The service helpers against a stand-in systemctl that keeps its units as folders:
// units/NAME/ActiveState, FreezerState and Description, and units/NAME/denied to refuse
// control. A file "nobus" makes it fail as without a reachable service manager.
#include "ZemBaseLib/services.h"
#include "stubtools.h"

#include "support/scratch.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

const char* const kSystemctl = R"sh(
[ -e "$d/nobus" ] && { echo "Failed to connect to bus: No such file or directory" >&2; exit 1; }
cmd=$1; for a; do unit=$a; done
u="$d/units/$unit"
case $cmd in
show)
  if [ -d "$u" ]; then
    echo LoadState=loaded
    for f in ActiveState FreezerState Description; do echo "$f=$(cat "$u/$f")"; done
  else
    echo LoadState=not-found; echo ActiveState=inactive; echo "Description=$unit"
  fi ;;
start|stop)
  [ -e "$u/denied" ] && { echo "Failed to $cmd $unit: Access denied" >&2; exit 4; }
  [ -d "$u" ] || { echo "Failed to $cmd $unit: Unit $unit not found." >&2; exit 5; }
  [ $cmd = start ] && echo active > "$u/ActiveState" || echo inactive > "$u/ActiveState" ;;
*) exit 1 ;;
esac
)sh";

class ServicesTest : public ::testing::Test {
protected:
    void SetUp() override { tools_.Add("systemctl", kSystemctl); }

    void AddUnit(const std::string& name, const std::string& active,
                 const std::string& freezer = "running", const std::string& description = "") const
    {
        const std::string folder = tools_.Folder() + "/units/" + name;
        std::filesystem::create_directories(folder);
        zemtest::WriteFile(folder + "/ActiveState", active + "\n");
        zemtest::WriteFile(folder + "/FreezerState", freezer + "\n");
        zemtest::WriteFile(folder + "/Description", description + "\n");
    }
    void Mark(const std::string& file) const { zemtest::WriteFile(tools_.Folder() + "/" + file, ""); }

    StubTools tools_;
};

}  // namespace

TEST_F(ServicesTest, StateFollowsTheUnitsActiveAndFreezerState)
{
    const struct {
        const char* active;
        const char* freezer;
        int32_t expected;
    } cases[] = {
        {"active", "running", kServiceRunning},     {"reloading", "running", kServiceRunning},
        {"inactive", "running", kServiceStopped},   {"failed", "running", kServiceStopped},
        {"activating", "running", kServiceChanging}, {"deactivating", "running", kServiceChanging},
        {"active", "frozen", kServicePaused},       {"active", "freezing", kServiceChanging},
        {"active", "thawing", kServiceChanging},    {"maintenance", "running", kServiceUnknown},
    };
    for (const auto& c : cases) {
        AddUnit("probe.service", c.active, c.freezer);
        EXPECT_EQ(QueryServiceState("probe.service"), c.expected) << c.active << " " << c.freezer;
    }
    EXPECT_EQ(QueryServiceState("no-such-unit"), kServiceNotInstalled);
}

TEST_F(ServicesTest, NamesThatAreNoUnitNamesNeverReachTheTool)
{
    const std::string names[] = {"", "a b", "x;touch pwned", "a/b", "$(id)", "\"q\"",
                                 std::string(256, 'u')};
    for (const std::string& name : names) {
        EXPECT_EQ(QueryServiceState(name), kServiceInvalidName) << name;
        EXPECT_EQ(StartServiceByName(name), kServiceInvalidName) << name;
        EXPECT_EQ(ServiceDisplayName(name), "") << name;
    }
    EXPECT_EQ(tools_.Calls(), "");
    EXPECT_EQ(QueryServiceState(std::string(255, 'u')), kServiceNotInstalled);
}

TEST_F(ServicesTest, UnitNamesReachTheToolAsOneArgumentBehindTheOptions)
{
    EXPECT_EQ(QueryServiceState("sys-devices-a\\x2db.device"), kServiceNotInstalled);
    EXPECT_EQ(tools_.Calls(),
              "<show><--no-ask-password><--property=LoadState,ActiveState,FreezerState,"
              "Description><-->"
              "<sys-devices-a\\x2db.device>\n");
}

TEST_F(ServicesTest, StartAndStopGiveTheStateThatFollows)
{
    AddUnit("cups.service", "inactive");
    EXPECT_EQ(StartServiceByName("cups.service"), kServiceRunning);
    EXPECT_EQ(StopServiceByName("cups.service"), kServiceStopped);
    EXPECT_NE(tools_.Calls().find("<start><--no-block><--no-ask-password><--><cups.service>"),
              std::string::npos);

    EXPECT_EQ(StartServiceByName("missing.service"), kServiceNotInstalled);
    AddUnit("locked.service", "active");
    Mark("units/locked.service/denied");
    EXPECT_EQ(StopServiceByName("locked.service"), kServiceAccessDenied);
    EXPECT_EQ(QueryServiceState("locked.service"), kServiceRunning);
}

TEST_F(ServicesTest, DisplayNameIsTheDescriptionCutToTheConfigurationBuffer)
{
    AddUnit("cups.service", "active", "running", "CUPS Scheduler");
    EXPECT_EQ(ServiceDisplayName("cups.service"), "CUPS Scheduler");
    AddUnit("long.service", "active", "running", std::string(2000, 'd'));
    EXPECT_EQ(ServiceDisplayName("long.service"), std::string(1023, 'd'));
    EXPECT_EQ(ServiceDisplayName("missing.service"), "");
}

TEST_F(ServicesTest, WithoutAReachableServiceManagerEveryHelperGivesNothing)
{
    AddUnit("cups.service", "active", "running", "CUPS Scheduler");
    EXPECT_EQ(QueryServiceState("cups.service", "elsewhere-host"), kServiceUnknown);
    EXPECT_EQ(tools_.Calls(), "");
    Mark("nobus");
    EXPECT_EQ(QueryServiceState("cups.service"), kServiceUnknown);
    EXPECT_EQ(StartServiceByName("cups.service"), kServiceUnknown);
    EXPECT_EQ(StopServiceByName("cups.service"), kServiceUnknown);
    EXPECT_EQ(ServiceDisplayName("cups.service"), "");
    EXPECT_EQ(tools_.Calls().find("<start>"), std::string::npos);
}
