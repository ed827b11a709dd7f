// A test binary's trace in a file of its own, so a test can look for the lines it expects:
// register it with ::testing::AddGlobalTestEnvironment(new zemtest::TraceToFile).
#pragma once

#include "support/scratch.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace zemtest {

class TraceToFile : public ::testing::Environment {
public:
    void SetUp() override { setenv("ZEM_TRACE", Path().c_str(), 1); }
    static std::string Path() { return RootFolder() + "/trace.log"; }
};

}  // namespace zemtest
