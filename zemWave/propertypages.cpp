#include "zemWave/propertypages.h"

#include "ui/dialogbox.h"
#include "ui/statictext.h"
#include "ui/window.h"

using namespace zem;

namespace {

constexpr PropPageForm kPlayerPage{"General", 250, 62,
                                   "Das Player-Steuerelement hat keine Eigenschaften, die hier eingestellt werden."};
constexpr PropPageForm kPromptPage{"General", 250, 62,
                                   "Das Prompt-Steuerelement hat keine Eigenschaften, die hier eingestellt werden."};
constexpr PropPageForm kPlayListPage{"General", 255, 73,
                                     "Das PlayList-Steuerelement hat keine Eigenschaften, die hier eingestellt werden."};

// The text's margin inside the page, in dialog units.
constexpr int kMargin = 7;

}  // namespace

CZemWavePropPage::CZemWavePropPage(const PropPageForm& form, ModuleUsage* usage)
    : ComObject<IPropertyPage>(usage), form_(form)
{
}

CZemWavePropPage::~CZemWavePropPage()
{
    Deactivate();
}

HRESULT CZemWavePropPage::SetPageSite(IPropertyPageSite* site)
{
    site_ = ComPtr<IPropertyPageSite>::Share(site);
    return S_OK;
}

HRESULT CZemWavePropPage::GetPageInfo(PROPPAGEINFO* info)
{
    if (!info)
        return E_POINTER;
    *info = PROPPAGEINFO{form_.caption, DialogUnitsToPixelsX(form_.cx), DialogUnitsToPixelsY(form_.cy)};
    return S_OK;
}

HRESULT CZemWavePropPage::SetObjects(std::span<IUnknown* const> objects)
{
    objects_.clear();
    for (IUnknown* object : objects)
        objects_.push_back(ComPtr<IUnknown>::Share(object));
    return S_OK;
}

HRESULT CZemWavePropPage::Activate(HWND parent, const RECT& rect)
{
    Deactivate();
    window_ = CreateWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }, WS_CHILD | WS_VISIBLE, rect.left,
                           rect.top, rect.right - rect.left, rect.bottom - rect.top, parent);
    if (!window_)
        return E_FAIL;
    const int margin = DialogUnitsToPixelsX(kMargin);
    const int width = DialogUnitsToPixelsX(form_.cx - 2 * kMargin);
    const int height = DialogUnitsToPixelsY(form_.cy - 2 * kMargin);
    if (!CreateStaticText(form_.text, margin, DialogUnitsToPixelsY(kMargin), width, height, window_,
                          kPropPageTextId)) {
        Deactivate();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CZemWavePropPage::Deactivate()
{
    if (window_)
        DestroyWindow(window_);
    window_ = nullptr;
    return S_OK;
}

// Nothing can be edited, so there is never anything to apply.
HRESULT CZemWavePropPage::IsPageDirty()
{
    return S_FALSE;
}

HRESULT CZemWavePropPage::Apply()
{
    return S_OK;
}

CPlayerPropPage::CPlayerPropPage(ModuleUsage* usage) : CZemWavePropPage(kPlayerPage, usage) {}

HRESULT CPlayerPropPage::Create(ModuleUsage* usage, REFIID iid, void** object)
{
    return HandOver(new CPlayerPropPage(usage), iid, object);
}

CPromptPropPage::CPromptPropPage(ModuleUsage* usage) : CZemWavePropPage(kPromptPage, usage) {}

HRESULT CPromptPropPage::Create(ModuleUsage* usage, REFIID iid, void** object)
{
    return HandOver(new CPromptPropPage(usage), iid, object);
}

CPlayListPropPage::CPlayListPropPage(ModuleUsage* usage) : CZemWavePropPage(kPlayListPage, usage) {}

HRESULT CPlayListPropPage::Create(ModuleUsage* usage, REFIID iid, void** object)
{
    return HandOver(new CPlayListPropPage(usage), iid, object);
}
