// Self-registration of an in-process server: its type library and its classes, written from
// compiled-in tables. Every class and the type library are written as one registry import
// each, replacing what was there, so registering twice leaves the registry as once and a
// failure leaves no half-written key.
#pragma once

#include "com/dispatch.h"

#include <span>
#include <string>

namespace zem {

inline constexpr uint32_t TYPEFLAG_FCANCREATE = 0x2;
inline constexpr uint32_t TYPEFLAG_FHIDDEN = 0x10;
inline constexpr uint32_t TYPEFLAG_FCONTROL = 0x20;
inline constexpr uint32_t TYPEFLAG_FDISPATCHABLE = 0x1000;

enum class TypeKind { Dispatch, CoClass };

// One type description of a library. A dispatch interface names its member table; a coclass
// names the entries of its default interface and its default source by index.
struct TypeEntry {
    TypeKind kind = TypeKind::Dispatch;
    const char* name = nullptr;
    GUID guid{};
    uint32_t flags = 0;
    const char* doc = nullptr;
    const DispatchInterface* table = nullptr;
    int defaultInterface = -1;
    int defaultSource = -1;
};

struct TypeLibrary {
    GUID libid{};
    const char* name = nullptr;
    WORD major = 1;
    WORD minor = 0;
    LCID lcid = 0;
    const char* helpString = nullptr;
    const char* helpFile = nullptr;
    std::span<const TypeEntry> entries;
};

// "1.0".
std::string VersionText(const TypeLibrary& library);

// A class of a module as the registry knows it. A control also gets its ProgID, toolbox
// bitmap, insertable and control marks, miscellaneous status and type library; a property
// page only its name and server.
struct ClassRegistration {
    CLSID clsid{};
    const char* progId = nullptr;
    const char* typeName = nullptr;
    bool control = false;
    int toolboxBitmap = 0;
    uint32_t miscStatus = 0;
};

// Where registration writes: the machine's classes (HKLM\Software\Classes, the default) or,
// for the process after SetPerUserRegistration(true), the user's (HKCU\Software\Classes).
// The registration tool sets it before it calls a module's register export.
void SetPerUserRegistration(bool perUser);
bool PerUserRegistration();
// The classes key as a registry file names it, e.g. "HKEY_CURRENT_USER\Software\Classes".
std::string ClassesKeyName();

// The file of the loaded module that holds address (dladdr); empty when unknown.
std::string ModulePathOf(const void* address);

// The keys below return S_OK or the failure of the registry write (E_ACCESSDENIED, E_FAIL).
// Type library: TypeLib\{libid}\<version> with its name, "0\win32", FLAGS and HELPDIR, and
// Interface\{iid} for each dispatch interface.
HRESULT RegisterTypeLibrary(const TypeLibrary& library, const std::string& modulePath);
HRESULT UnregisterTypeLibrary(const TypeLibrary& library);
// Class: CLSID\{clsid} (replaced whole) and, for a control, its ProgID key.
HRESULT RegisterServerClass(const ClassRegistration& entry, const TypeLibrary& library,
                            const std::string& modulePath);
HRESULT UnregisterServerClass(const ClassRegistration& entry);

// The registry file text each of the above imports, for tests and generated files.
std::string TypeLibraryRegText(const TypeLibrary& library, const std::string& modulePath);
std::string ServerClassRegText(const ClassRegistration& entry, const TypeLibrary& library,
                               const std::string& modulePath);

}  // namespace zem
