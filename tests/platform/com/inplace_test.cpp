// A control activated in place in a host window through its verbs, as a host drives it.
#include "comtest.h"

#include "com/host.h"
#include "com/olecontrol.h"
#include "com/propertyframe.h"
#include "ui/window.h"

#include <gtest/gtest.h>

namespace {

using namespace zem;
using Event = ControlSite::Event;

class InPlaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(comtest::CallExport(comtest::kModule, "DllRegisterServer"), S_OK);
        CoInitialize();
        ComPtr<IDispatch> dispatch;
        ASSERT_EQ(CreateDispatch(comtest::kProgId, dispatch.Out()), S_OK);
        control_ = dispatch;
        object_ = dispatch.As<IOleObject>();
        inPlace_ = dispatch.As<IOleInPlaceObject>();
        active_ = dispatch.As<IOleInPlaceActiveObject>();
        ASSERT_TRUE(object_ && inPlace_ && active_);
        host_ = CreateWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }, WS_VISIBLE,
                             0, 0, 300, 200);
        ASSERT_NE(host_, nullptr);
        site_ = ComPtr<ControlSite>::Adopt(
            new ControlSite(host_, RECT{10, 20, 110, 70}, [this](Event e) { events_.push_back(e); }));
        ASSERT_EQ(object_->SetClientSite(site_.Get()), S_OK);
    }
    void TearDown() override
    {
        if (object_)
            object_->Close();
        object_.Reset();
        inPlace_.Reset();
        active_.Reset();
        control_.Reset();
        site_.Reset();
        DestroyWindow(host_);
        CoUninitialize();
    }
    HWND ControlWindow()
    {
        HWND window = nullptr;
        inPlace_->GetWindow(&window);
        return window;
    }
    int32_t Get(const char* name)
    {
        VARIANT value;
        EXPECT_EQ(DispatchCall(control_.Get(), name, DISPATCH_PROPERTYGET, {}, &value), S_OK);
        VariantChangeType(&value, value, VT_I4);
        return value.lVal;
    }

    ComPtr<IDispatch> control_;
    ComPtr<IOleObject> object_;
    ComPtr<IOleInPlaceObject> inPlace_;
    ComPtr<IOleInPlaceActiveObject> active_;
    ComPtr<ControlSite> site_;
    HWND host_ = nullptr;
    std::vector<Event> events_;
};

TEST_F(InPlaceTest, VerbsActivateAndDeactivateInTheHostWindow)
{
    uint32_t misc = 0;
    ASSERT_EQ(object_->GetMiscStatus(&misc), S_OK);
    EXPECT_EQ(misc, 0x20191u);

    struct Step {
        int32_t verb;
        HRESULT hr;
        std::vector<Event> events;  // reported by the site during the verb
        bool windowAfter;
    };
    const Step steps[] = {
        {OLEIVERB_INPLACEACTIVATE, S_OK, {Event::InPlaceActivate, Event::ShowObject}, true},
        {OLEIVERB_UIACTIVATE, S_OK, {Event::UIActivate}, true},
        {OLEIVERB_UIACTIVATE, S_OK, {}, true},
        {OLEIVERB_HIDE, S_OK, {Event::UIDeactivate}, true},
        {OLEIVERB_PRIMARY, S_OK, {Event::UIActivate}, true},
        {-99, OLEOBJ_E_INVALIDVERB, {}, true},
    };
    for (const Step& step : steps) {
        events_.clear();
        EXPECT_EQ(ResultName(object_->DoVerb(step.verb, nullptr, nullptr, nullptr, nullptr)),
                  ResultName(step.hr))
            << step.verb;
        EXPECT_EQ(events_, step.events) << step.verb;
        EXPECT_EQ(ControlWindow() != nullptr, step.windowAfter) << step.verb;
    }

    const HWND window = ControlWindow();
    EXPECT_EQ(GetParent(window), host_);
    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 100);
    EXPECT_EQ(client.bottom, 50);
    ASSERT_EQ(inPlace_->SetObjectRects(RECT{0, 0, 40, 30}, RECT{0, 0, 300, 200}), S_OK);
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 40);
    EXPECT_EQ(client.bottom, 30);

    events_.clear();
    ASSERT_EQ(inPlace_->InPlaceDeactivate(), S_OK);
    EXPECT_EQ(events_, (std::vector<Event>{Event::UIDeactivate, Event::InPlaceDeactivate}));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(ControlWindow(), nullptr);
}

TEST_F(InPlaceTest, AcceleratorsAndPropertiesReachTheActiveControl)
{
    const MSG accelerator{nullptr, WM_USER + 7, 0, 0};
    EXPECT_EQ(active_->TranslateAccelerator(accelerator), S_FALSE) << "not UI-active yet";
    ASSERT_EQ(object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(active_->TranslateAccelerator(accelerator), S_OK);
    EXPECT_EQ(active_->TranslateAccelerator(MSG{nullptr, WM_USER + 8, 0, 0}), S_FALSE);
    EXPECT_EQ(Get("Value"), 1);

    ASSERT_EQ(object_->DoVerb(OLEIVERB_PROPERTIES, nullptr, nullptr, nullptr, nullptr), S_OK);
    VARIANT label;
    ASSERT_EQ(DispatchCall(control_.Get(), "Label", DISPATCH_PROPERTYGET, {}, &label), S_OK);
    EXPECT_EQ(label.bstrVal, "properties");
}

TEST_F(InPlaceTest, PropertyFrameShowsThePagesAndAppliesTheirChanges)
{
    std::vector<CLSID> pages;
    ASSERT_EQ(control_.As<ISpecifyPropertyPages>()->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.size(), 1u);
    const CLSID missing = GuidOf("{6A0C35E2-4F0B-4C53-9E47-0B7A3D1C5E96}");
    pages.push_back(missing);  // a page that cannot be created is left out

    IUnknown* objects[] = {control_.Get()};
    PropertyFrame frame;
    ASSERT_EQ(frame.Open(host_, objects, pages), S_OK);
    EXPECT_EQ(frame.PageCount(), 1u);
    RECT client{};
    ASSERT_TRUE(GetClientRect(frame.Window(), &client));
    EXPECT_EQ(client.right, 250) << "sized for the largest page";
    EXPECT_EQ(client.bottom, 120);
    EXPECT_EQ(frame.SelectPage(1), E_INVALIDARG);

    ASSERT_EQ(frame.Apply(), S_OK);
    VARIANT label;
    ASSERT_EQ(DispatchCall(control_.Get(), "Label", DISPATCH_PROPERTYGET, {}, &label), S_OK);
    EXPECT_EQ(label.bstrVal, "from page");
    DispatchCall(control_.Get(), "Label", DISPATCH_PROPERTYPUT, {VARIANT::Bstr("by script")}, nullptr);
    ASSERT_EQ(frame.Apply(), S_OK);
    ASSERT_EQ(DispatchCall(control_.Get(), "Label", DISPATCH_PROPERTYGET, {}, &label), S_OK);
    EXPECT_EQ(label.bstrVal, "by script") << "a page applied once is clean";

    const HWND window = frame.Window();
    frame.Close();
    EXPECT_FALSE(IsWindow(window));
    const CLSID none[] = {missing};
    EXPECT_EQ(frame.Open(host_, objects, none), E_FAIL);
}

TEST_F(InPlaceTest, NoActivationWithoutALiveHostWindow)
{
    DestroyWindow(host_);
    EXPECT_EQ(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, nullptr, nullptr), E_FAIL);
    EXPECT_TRUE(events_.empty());
}


int32_t ReadLong(PropertyBag& bag, const char* name)
{
    VARIANT value;
    value.vt = VT_I4;
    return SUCCEEDED(bag.Read(name, &value)) ? value.lVal : -1;
}

// Properties go through a bag: the control's own, then the base's extent and stock mask.
TEST_F(InPlaceTest, PropertiesSaveToAndLoadFromABag)
{
    auto persist = control_.As<IPersistPropertyBag>();
    ASSERT_TRUE(persist);
    CLSID clsid{};
    ASSERT_EQ(persist->GetClassID(&clsid), S_OK);
    CLSID registered{};
    ASSERT_EQ(CLSIDFromProgID(comtest::kProgId, &registered), S_OK);
    EXPECT_EQ(clsid, registered);

    const struct {
        const char* what;
        bool activate;  // at the site's 100 x 50 rectangle, else sized by SetExtent
        int32_t version, value, extentX, extentY;
    } saves[] = {
        {"resized", false, 0x20003, 7, 5292, 1058},
        {"active", true, 0x20003, 7, 2646, 1323},
    };
    for (const auto& c : saves) {
        ASSERT_EQ(persist->InitNew(), S_OK);
        ASSERT_EQ(DispatchCall(control_.Get(), "Value", DISPATCH_PROPERTYPUT, {VARIANT::I4(7)}, nullptr), S_OK);
        if (c.activate)
            ASSERT_EQ(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), nullptr, nullptr), S_OK);
        else
            ASSERT_EQ(object_->SetExtent(SIZE{5292, 1058}), S_OK);
        auto bag = ComPtr<PropertyBag>::Adopt(new PropertyBag);
        ASSERT_EQ(persist->Save(bag.Get(), true, true), S_OK);
        EXPECT_EQ(bag->Count(), 5u) << c.what;
        EXPECT_EQ(ReadLong(*bag.Get(), "_version"), c.version) << c.what;
        EXPECT_EQ(ReadLong(*bag.Get(), "Value"), c.value) << c.what;
        EXPECT_EQ(ReadLong(*bag.Get(), "_ExtentX"), c.extentX) << c.what;
        EXPECT_EQ(ReadLong(*bag.Get(), "_ExtentY"), c.extentY) << c.what;
        EXPECT_EQ(ReadLong(*bag.Get(), "_StockProps"), 0) << c.what;
    }

    // Loaded as a page gives them: text, names in any case; a missing one takes its default.
    const struct {
        std::vector<std::pair<const char*, const char*>> params;
        HRESULT hr;
        int32_t value;
        SIZE extent;
    } loads[] = {
        {{{"VALUE", "41"}, {"_extentx", "7938"}, {"_Version", "131075"}}, S_OK, 41, {7938, 1323}},
        {{{"Value", "x"}}, S_OK, 0, {2646, 1323}},
        {{{"Value", "5"}, {"_Version", "65536"}}, E_FAIL, -1, {}},  // this control converts none
    };
    for (const auto& c : loads) {
        ASSERT_EQ(DispatchCall(control_.Get(), "Value", DISPATCH_PROPERTYPUT, {VARIANT::I4(-1)}, nullptr), S_OK);
        auto bag = ComPtr<PropertyBag>::Adopt(new PropertyBag);
        for (const auto& [name, value] : c.params)
            bag->Write(name, VARIANT::Bstr(value));
        EXPECT_EQ(persist->Load(bag.Get()), c.hr) << c.params[0].second;
        EXPECT_EQ(Get("Value"), c.value) << c.params[0].second;
        SIZE extent{};
        ASSERT_EQ(object_->GetExtent(&extent), S_OK);
        if (SUCCEEDED(c.hr)) {
            EXPECT_TRUE(extent.cx == c.extent.cx && extent.cy == c.extent.cy) << extent.cx << " x " << extent.cy;
        }
    }
    EXPECT_EQ(persist->Load(nullptr), E_POINTER);
    EXPECT_EQ(object_->SetExtent(SIZE{-1, 5}), E_INVALIDARG);
}

TEST(Himetric, PixelsAtNinetySixPerInch)
{
    const struct {
        int pixels, himetric;
    } cases[] = {{0, 0}, {1, 26}, {50, 1323}, {100, 2646}, {300, 7938}, {-100, -2646}};
    for (const auto& c : cases) {
        EXPECT_EQ(PixelsToHimetric(c.pixels), c.himetric) << c.pixels;
        EXPECT_EQ(HimetricToPixels(c.himetric), c.pixels) << c.himetric;
    }
}

}  // namespace
