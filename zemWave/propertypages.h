// The property pages of the three controls. Each shows one fixed text and edits nothing: the
// controls have no property that a page could set. The "Properties" verb shows them in the
// property frame.
#pragma once

#include "com/classfactory.h"
#include "com/propertyframe.h"

#include <vector>

// A page's fixed look: its caption and size in dialog units, and the text it shows.
struct PropPageForm {
    const char* caption;
    int cx;
    int cy;
    const char* text;
};

// The placeholder text's control id inside the page window.
inline constexpr int kPropPageTextId = 1;

class CZemWavePropPage : public zem::ComObject<zem::IPropertyPage> {
public:
    CZemWavePropPage(const PropPageForm& form, zem::ModuleUsage* usage);

    zem::HRESULT SetPageSite(zem::IPropertyPageSite* site) override;
    zem::HRESULT GetPageInfo(zem::PROPPAGEINFO* info) override;
    zem::HRESULT SetObjects(std::span<zem::IUnknown* const> objects) override;
    zem::HRESULT Activate(zem::HWND parent, const zem::RECT& rect) override;
    zem::HRESULT Deactivate() override;
    zem::HRESULT IsPageDirty() override;
    zem::HRESULT Apply() override;

    // The page's window while it is active.
    zem::HWND Window() const { return window_; }

protected:
    ~CZemWavePropPage() override;

private:
    const PropPageForm& form_;
    zem::ComPtr<zem::IPropertyPageSite> site_;
    std::vector<zem::ComPtr<zem::IUnknown>> objects_;
    zem::HWND window_ = nullptr;
};

class CPlayerPropPage : public CZemWavePropPage {
public:
    explicit CPlayerPropPage(zem::ModuleUsage* usage);
    static zem::HRESULT Create(zem::ModuleUsage* usage, zem::REFIID iid, void** object);
};

class CPromptPropPage : public CZemWavePropPage {
public:
    explicit CPromptPropPage(zem::ModuleUsage* usage);
    static zem::HRESULT Create(zem::ModuleUsage* usage, zem::REFIID iid, void** object);
};

class CPlayListPropPage : public CZemWavePropPage {
public:
    explicit CPlayListPropPage(zem::ModuleUsage* usage);
    static zem::HRESULT Create(zem::ModuleUsage* usage, zem::REFIID iid, void** object);
};
