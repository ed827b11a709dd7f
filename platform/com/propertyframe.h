// Property pages and the frame that shows them: a control names its pages by class id, the
// frame creates them, hands them the objects to edit, shows one page at a time in its
// window and applies the pages' changes.
#pragma once

#include "com/olecontrol.h"

#include <span>
#include <string>
#include <vector>

namespace zem {

inline constexpr IID IID_IPropertyPageSite = GuidOf("{B196B28C-BAB4-101A-B69C-00AA00341D07}");
inline constexpr IID IID_IPropertyPage = GuidOf("{B196B28D-BAB4-101A-B69C-00AA00341D07}");

inline constexpr uint32_t PROPPAGESTATUS_DIRTY = 0x1;

// The frame's side, which a page tells when its state changes.
struct IPropertyPageSite : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_IPropertyPageSite;
    virtual HRESULT OnStatusChange(uint32_t flags) = 0;
};

struct PROPPAGEINFO {
    std::string title;
    int width = 0;
    int height = 0;
};

struct IPropertyPage : IUnknown {
    using Base = IUnknown;
    static constexpr IID kIid = IID_IPropertyPage;
    virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
    // The objects whose properties the page edits; an empty list before the page goes.
    virtual HRESULT SetObjects(std::span<IUnknown* const> objects) = 0;
    // Creates the page's window in parent at rect; Deactivate destroys it.
    virtual HRESULT Activate(HWND parent, const RECT& rect) = 0;
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT IsPageDirty() = 0;  // S_OK when there is something to apply
    virtual HRESULT Apply() = 0;
};

// The frame of one editing session. Pages that cannot be created are left out.
class PropertyFrame {
public:
    PropertyFrame() = default;
    ~PropertyFrame();
    PropertyFrame(const PropertyFrame&) = delete;
    PropertyFrame& operator=(const PropertyFrame&) = delete;

    // Opens a window sized for the largest page, with the first page active. E_FAIL when no
    // page could be created or no window opened.
    HRESULT Open(HWND owner, std::span<IUnknown* const> objects, std::span<const CLSID> pages);
    HWND Window() const { return window_; }
    size_t PageCount() const { return pages_.size(); }
    size_t CurrentPage() const { return current_; }
    HRESULT SelectPage(size_t index);
    // Applies every page that has changes.
    HRESULT Apply();
    // Deactivates the page, releases the pages and the objects and closes the window.
    void Close();
    // True once a person asked to close the window.
    bool Closed() const { return closed_; }

private:
    HWND window_ = nullptr;
    std::vector<ComPtr<IPropertyPage>> pages_;
    ComPtr<IPropertyPageSite> site_;
    size_t current_ = 0;
    RECT pageRect_{};
    bool closed_ = false;
};

// Shows the frame and waits, delivering messages, until the user closes its window.
HRESULT OleCreatePropertyFrame(HWND owner, std::span<IUnknown* const> objects,
                               std::span<const CLSID> pages);

}  // namespace zem
