// The controls' property pages: each shows its fixed text at its size and never has anything
// to apply; the built module serves them to the property frame by class id.
#include "zemWave/propertypages.h"
#include "zemWave/typelibrary.h"

#include "com/host.h"
#include "support/runprogram.h"
#include "ui/dialogbox.h"
#include "ui/window.h"

#include <gtest/gtest.h>

namespace {

using namespace zem;

TEST(PropertyPages, ShowTheirTextAndEditNothing)
{
    const struct {
        CreateFunction create;
        int cx, cy;  // dialog units
    } pages[] = {
        {CPlayerPropPage::CreateInstance, 250, 62},
        {CPromptPropPage::CreateInstance, 250, 62},
        {CPlayListPropPage::CreateInstance, 255, 73},
    };
    const HWND parent = CreateWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }, WS_VISIBLE, 0, 0, 400, 200);
    ModuleUsage usage;
    for (const auto& p : pages) {
        SCOPED_TRACE(p.cx * 1000 + p.cy);
        ComPtr<IPropertyPage> page;
        ASSERT_EQ(p.create(&usage, IID_IPropertyPage, page.OutVoid()), S_OK);
        PROPPAGEINFO info;
        ASSERT_EQ(page->GetPageInfo(&info), S_OK);
        EXPECT_EQ(info.title, "General");
        EXPECT_EQ(std::pair(info.width, info.height), std::pair(DialogUnitsToPixelsX(p.cx), DialogUnitsToPixelsY(p.cy)));

        ASSERT_EQ(page->Activate(parent, RECT{0, 0, info.width, info.height}), S_OK);
        const HWND window = static_cast<CZemWavePropPage*>(page.Get())->Window();
        EXPECT_EQ(GetParent(window), parent);
        EXPECT_NE(GetDlgItem(window, kPropPageTextId), nullptr);
        EXPECT_EQ(page->IsPageDirty(), S_FALSE);
        EXPECT_EQ(page->Apply(), S_OK);
        page.Reset();
        EXPECT_FALSE(IsWindow(window)) << "a released page takes its window along";
    }
    EXPECT_TRUE(usage.CanUnload());
    DestroyWindow(parent);
}

TEST(PropertyPages, TheModuleServesThePlayListPageToTheFrame)
{
    ASSERT_EQ(zemtest::RunProgram(ZEM_REGSVREX, {"/c", ZEM_OCX}).exitCode, 0);
    CoInitialize();
    {
        const CLSID pages[] = {zemwave::ModuleClassOf(zemwave::ClassId::PlayListPropPage).registration.clsid};
        PropertyFrame frame;
        ASSERT_EQ(frame.Open(nullptr, {}, pages), S_OK);
        EXPECT_EQ(frame.PageCount(), 1u);
        RECT client{};
        ASSERT_TRUE(GetClientRect(frame.Window(), &client));
        EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(DialogUnitsToPixelsX(255), DialogUnitsToPixelsY(73)));
    }
    CoUninitialize();
}

}  // namespace
