// The control module's one table of identifiers and names: its six classes, the dispatch
// interfaces of the three controls with their member numbers, and the type library
// ZEMWAVELib 1.0 built from them. Registration, type information and the dispatch of the
// controls all read this table, so names, numbers and the registry always agree.
#pragma once

#include "com/registration.h"

#include <span>

namespace zemwave {

enum class ClassId { PlayerCtrl, PromptCtrl, PlayListCtrl, PlayerPropPage, PromptPropPage, PlayListPropPage };

// One class of the module: its registration and the string id of its user type name.
struct ModuleClass {
    ClassId id;
    int typeNameStringId;
    zem::ClassRegistration registration;
};

// The six classes, in the order the module registers them: the three controls, then their
// property pages.
std::span<const ModuleClass> ModuleClasses();
const ModuleClass* FindModuleClass(const zem::CLSID& clsid);
const ModuleClass& ModuleClassOf(ClassId id);

const zem::TypeLibrary& ZemWaveTypeLibrary();

// The dispatch interfaces of the controls.
const zem::DispatchInterface& PlayerInterface();
const zem::DispatchInterface& PromptInterface();
const zem::DispatchInterface& PlayListInterface();

// The miscellaneous status every control registers: set-client-site-first,
// activate-when-visible, inside-out, can't-link-inside, recompose-on-resize.
inline constexpr uint32_t kControlMiscStatus = 0x20191;

}  // namespace zemwave
