// Starts the window layer once for the test binary, on the offscreen platform unless the
// caller chose another, so that a plain ctest run needs no display.
#include "ui/application.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        ASSERT_TRUE(zem::InitApplication());
    }
    void TearDown() override { zem::ExitApplication(); }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

}  // namespace
