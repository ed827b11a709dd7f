// The module's control base and the Player control on the offscreen window layer, with the
// module's application object and its engine on the null output.
#include "zemWave/typelibrary.h"
#include "zemWave/zemwaveapp.h"
#include "zemWave/zemwaveolecontrol.h"

#include "ui/gdi.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using zem::HWND;

CZemWaveModule theModule;

// The base as the controls use it: counts the window messages it is handed.
class BaseProbe : public CZemWaveOleControl {
public:
    BaseProbe() : CZemWaveOleControl(zemwave::PlayerInterface(), zemwave::kControlMiscStatus, nullptr, ControlKind::Player) {}

    int creates = 0;
    int lastCx = -1;
    HWND windowAtCreate = nullptr;

protected:
    zem::HRESULT Call(const zem::MemberCall&, zem::VARIANT*) override { return zem::DISP_E_MEMBERNOTFOUND; }
    int OnCreate() override
    {
        ++creates;
        windowAtCreate = GetSafeHwnd();
        return 0;
    }
    void OnSize(int cx, int) override { lastCx = cx; }
};

TEST(ZemWaveOleControl, RegistersWithoutAWindowOnAnyThreadAndLeavesNothingBehind)
{
    CZemWaveApp& app = theModule.App();
    std::thread([&] {
        auto* probe = new BaseProbe;
        EXPECT_NE(app.GetEngine(), nullptr) << "the first control makes the engine";
        EXPECT_EQ(app.GetControlKind(probe), 1);
        EXPECT_EQ(probe->GetSafeHwnd(), nullptr);
        probe->Release();
    }).join();
    EXPECT_EQ(app.GetEngine(), nullptr) << "the last control takes the engine with it";

    HWND host = zem::CreateWindow([](HWND, zem::UINT, zem::WPARAM, zem::LPARAM) { return zem::LRESULT{0}; }, 0, 0, 0, 300, 100);
    auto* probe = new BaseProbe;
    auto site = zem::ComPtr<zem::ControlSite>::Adopt(new zem::ControlSite(host, {0, 0, 200, 50}));
    ASSERT_EQ(probe->DoVerb(zem::OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), nullptr, nullptr), zem::S_OK);
    const HWND window = probe->GetSafeHwnd();
    EXPECT_EQ(probe->creates, 1);
    EXPECT_EQ(probe->windowAtCreate, window) << "the handle is known during WM_CREATE";
    EXPECT_EQ(zem::GetParent(window), host);
    ASSERT_EQ(probe->SetObjectRects({0, 0, 120, 40}, {0, 0, 120, 40}), zem::S_OK);
    EXPECT_EQ(probe->lastCx, 120);
    probe->Release();
    EXPECT_FALSE(zem::IsWindow(window));
    EXPECT_EQ(app.GetEngine(), nullptr);
    zem::DestroyWindow(host);
}

}  // namespace
