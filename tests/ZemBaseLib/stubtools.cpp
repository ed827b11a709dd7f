#include "stubtools.h"

#include "support/scratch.h"

#include <cstdlib>
#include <filesystem>

StubTools::StubTools() : folder_(zemtest::NewFolder("tools"))
{
    const char* path = std::getenv("PATH");
    oldPath_ = path ? path : "";
    setenv("PATH", (folder_ + ":" + oldPath_).c_str(), 1);
}

StubTools::~StubTools()
{
    setenv("PATH", oldPath_.c_str(), 1);
}

void StubTools::Add(const std::string& name, const std::string& body) const
{
    const std::string path = folder_ + "/" + name;
    zemtest::WriteFile(path, "#!/bin/sh\nd='" + folder_ +
                                 "'\nprintf '<%s>' \"$@\" >> \"$d/calls\"; echo >> \"$d/calls\"\n" +
                                 body);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

std::string StubTools::Calls() const
{
    return zemtest::ReadFile(folder_ + "/calls");
}

void StubTools::HideSystemTools() const
{
    setenv("PATH", zemtest::NewFolder("empty").c_str(), 1);
}
