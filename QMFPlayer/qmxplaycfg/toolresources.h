// The registration tools and registration data that qmxplaycfg carries inside its own file,
// by the resource ids and file names it writes them under.
#pragma once

#include <span>
#include <string_view>

struct ToolResource {
    int id;
    const char* fileName;
    bool program;  // written with its execute bits
};

// In the order they are written: 130, 129, 131, 132, 133, 134.
std::span<const ToolResource> ToolResources();

// The resource's bytes; empty when this build carries no such resource.
std::string_view FindToolResource(int id);
