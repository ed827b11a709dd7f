#include "ZemBaseLib/services.h"

#include "ZemBaseLib/formatting.h"
#include "ZemBaseLib/systemtool.h"

#include <map>
#include <sstream>
#include <strings.h>

namespace {

constexpr int64_t kToolTimeoutMs = 15000;
constexpr size_t kLongestUnitName = 255;
constexpr size_t kLongestDisplayName = 1023;  // what a 1024-byte configuration buffer holds

bool IsThisComputer(const char* computer)
{
    if (!computer || !*computer)
        return true;
    std::string name = computer;
    if (name.rfind("\\\\", 0) == 0)
        name.erase(0, 2);
    return strcasecmp(name.c_str(), ComputerName().c_str()) == 0 ||
           strcasecmp(name.c_str(), "localhost") == 0 || name == ".";
}

bool IsUnitName(const std::string& name)
{
    if (name.empty() || name.size() > kLongestUnitName)
        return false;
    for (unsigned char c : name) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == ':' || c == '_' || c == '.' ||
                             c == '\\' || c == '@' || c == '-';
        if (!allowed)
            return false;
    }
    return true;
}

// systemctl names a refusal by the service manager or by polkit this way.
int32_t DeniedOr(const std::string& output, int32_t otherwise)
{
    const bool denied = output.find("Access denied") != std::string::npos ||
                        output.find("authentication required") != std::string::npos;
    return denied ? kServiceAccessDenied : otherwise;
}

using Properties = std::map<std::string, std::string>;

Properties ParseProperties(const std::string& output)
{
    Properties properties;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos)
            properties[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return properties;
}

// A service opened for reading: its properties, or the code that tells why it cannot be.
struct OpenedService {
    bool opened = false;
    int32_t failure = kServiceUnknown;
    Properties properties;
};

OpenedService OpenService(const std::string& service, const char* computer)
{
    OpenedService result;
    if (!IsThisComputer(computer))
        return result;
    if (!IsUnitName(service)) {
        result.failure = kServiceInvalidName;
        return result;
    }
    const ToolRun run = RunSystemTool(
        "systemctl",
        {"show", "--no-ask-password", "--property=LoadState,ActiveState,FreezerState,Description",
         "--", service},
        kToolTimeoutMs);
    if (!run.exited || run.exitCode != 0) {
        result.failure = DeniedOr(run.output, kServiceUnknown);
        return result;
    }
    result.properties = ParseProperties(run.output);
    if (result.properties["LoadState"] == "not-found") {
        result.failure = kServiceNotInstalled;
        return result;
    }
    result.opened = true;
    return result;
}

int32_t StateOf(const Properties& properties)
{
    const auto freezer = properties.find("FreezerState");
    if (freezer != properties.end() && freezer->second != "running")
        return freezer->second == "frozen" ? kServicePaused : kServiceChanging;
    const auto active = properties.find("ActiveState");
    if (active == properties.end())
        return kServiceUnknown;
    const std::string& state = active->second;
    if (state == "active" || state == "reloading")
        return kServiceRunning;
    if (state == "inactive" || state == "failed")
        return kServiceStopped;
    if (state == "activating" || state == "deactivating")
        return kServiceChanging;
    return kServiceUnknown;
}

int32_t Control(const std::string& service, const char* computer, const char* verb)
{
    const OpenedService opened = OpenService(service, computer);
    if (!opened.opened)
        return opened.failure;
    const ToolRun run = RunSystemTool(
        "systemctl", {verb, "--no-block", "--no-ask-password", "--", service}, kToolTimeoutMs);
    if (!run.exited || run.exitCode != 0)
        return DeniedOr(run.output, kServiceUnknown);
    return QueryServiceState(service, computer);
}

}  // namespace

int32_t QueryServiceState(const std::string& service, const char* computer)
{
    const OpenedService opened = OpenService(service, computer);
    return opened.opened ? StateOf(opened.properties) : opened.failure;
}

std::string ServiceDisplayName(const std::string& service, const char* computer)
{
    OpenedService opened = OpenService(service, computer);
    if (!opened.opened)
        return {};
    std::string name = opened.properties["Description"];
    if (name.size() > kLongestDisplayName)
        name.resize(kLongestDisplayName);
    return name;
}

int32_t StartServiceByName(const std::string& service, const char* computer)
{
    return Control(service, computer, "start");
}

int32_t StopServiceByName(const std::string& service, const char* computer)
{
    return Control(service, computer, "stop");
}
