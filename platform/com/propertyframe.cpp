#include "com/propertyframe.h"

#include "com/host.h"
#include "ui/application.h"
#include "ui/window.h"

#include <algorithm>

namespace zem {

namespace {

// Apply asks each page whether it is dirty, so the site has nothing to keep until the frame
// has an Apply button to enable.
class FrameSite : public ComObject<IPropertyPageSite> {
public:
    HRESULT OnStatusChange(uint32_t) override { return S_OK; }
};

}  // namespace

PropertyFrame::~PropertyFrame()
{
    Close();
}

HRESULT PropertyFrame::Open(HWND owner, std::span<IUnknown* const> objects,
                            std::span<const CLSID> pages)
{
    Close();
    site_ = ComPtr<IPropertyPageSite>::Adopt(new FrameSite);
    int width = 0;
    int height = 0;
    for (const CLSID& clsid : pages) {
        ComPtr<IPropertyPage> page;
        if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                    page.OutVoid())))
            continue;
        page->SetPageSite(site_.Get());
        page->SetObjects(objects);
        PROPPAGEINFO info;
        page->GetPageInfo(&info);
        width = std::max(width, info.width);
        height = std::max(height, info.height);
        pages_.push_back(std::move(page));
    }
    if (pages_.empty())
        return E_FAIL;
    pageRect_ = RECT{0, 0, width, height};
    int x = 0;
    int y = 0;
    RECT ownerRect{};
    if (owner && GetWindowRect(owner, &ownerRect)) {
        x = ownerRect.left + 20;
        y = ownerRect.top + 20;
    }
    // Closing the window cancels: the frame takes its pages down itself in Close.
    window_ = CreateWindow(
        [this](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
            if (message == WM_CLOSE)
                closed_ = true;
            return 0;
        },
        WS_VISIBLE, x, y, std::max(width, 100), std::max(height, 50));
    if (!window_) {
        Close();
        return E_FAIL;
    }
    current_ = 0;
    return pages_[0]->Activate(window_, pageRect_);
}

HRESULT PropertyFrame::SelectPage(size_t index)
{
    if (index >= pages_.size())
        return E_INVALIDARG;
    if (index == current_)
        return S_OK;
    pages_[current_]->Deactivate();
    current_ = index;
    return pages_[current_]->Activate(window_, pageRect_);
}

HRESULT PropertyFrame::Apply()
{
    HRESULT result = S_OK;
    for (ComPtr<IPropertyPage>& page : pages_) {
        if (page->IsPageDirty() == S_OK) {
            if (HRESULT hr = page->Apply(); FAILED(hr))
                result = hr;
        }
    }
    return result;
}

void PropertyFrame::Close()
{
    if (!pages_.empty())
        pages_[current_]->Deactivate();
    for (ComPtr<IPropertyPage>& page : pages_) {
        page->SetObjects({});
        page->SetPageSite(nullptr);
    }
    pages_.clear();
    site_.Reset();
    if (window_)
        DestroyWindow(window_);
    window_ = nullptr;
    current_ = 0;
}

HRESULT OleCreatePropertyFrame(HWND owner, std::span<IUnknown* const> objects,
                               std::span<const CLSID> pages)
{
    PropertyFrame frame;
    if (HRESULT hr = frame.Open(owner, objects, pages); FAILED(hr))
        return hr;
    PumpMessagesUntil([&] { return frame.Closed(); }, 24 * 60 * 60 * 1000);
    return S_OK;
}

}  // namespace zem
