// System services, controlled through systemd's systemctl. A service is a unit name as
// systemctl takes it ("cups" stands for "cups.service"); computer is this computer's name or
// null, any other computer cannot be reached.
#pragma once

#include <cstdint>
#include <string>

// Codes of the service helpers.
enum ServiceState : int32_t {
    kServiceUnknown = 0,       // no state, the service manager cannot be reached, a call failed
    kServiceAccessDenied = 1,
    kServiceInvalidName = 2,   // not a unit name, or longer than 255 bytes
    kServiceStopped = 3,       // inactive or failed
    kServiceNotInstalled = 4,
    kServiceRunning = 5,       // active or reloading
    kServicePaused = 6,        // frozen
    kServiceChanging = 7,      // activating, deactivating, freezing or thawing
};

int32_t QueryServiceState(const std::string& service, const char* computer = nullptr);

// The unit's description, at most 1023 bytes; empty when the service cannot be read.
std::string ServiceDisplayName(const std::string& service, const char* computer = nullptr);

// Ask the service manager to start or stop the service and return without waiting for it.
// On success the state that follows; otherwise the code of the failure (0 when none fits).
int32_t StartServiceByName(const std::string& service, const char* computer = nullptr);
int32_t StopServiceByName(const std::string& service, const char* computer = nullptr);
