// A frame element hosting one push button or check box sized to its inner rectangle. A click
// reaches every linked window as WM_COMMAND(1, 0) and then WM_COMMAND(command id, 0); with
// bitmaps the button's image follows its check state. UI thread only.
#pragma once

#include "KelFrame/kelframeelement.h"
#include "KelFrame/mybutton.h"

#include <array>
#include <memory>
#include <string>

namespace zem {

class CKelFE_Button : public CKelFrameElement {
public:
    static constexpr uint32_t kDefaultStyle = 0x1A00;
    // BS_BITMAP | BS_CENTER | BS_VCENTER, added when a normal bitmap is given.
    static constexpr uint32_t kBitmapStyle = 0x0F80;

    explicit CKelFE_Button(CKelFrame* frame);
    ~CKelFE_Button() override;

    void SetCommandId(uintptr_t id) { commandId_ = id; }
    uintptr_t GetCommandId() const { return commandId_; }
    // Recreates a button that exists already with the new style.
    void SetButtonStyle(uint32_t style);
    uint32_t GetButtonStyle() const { return style_; }
    // Normal, checked, unchecked, fourth (kept only); 0 for the last three means the normal one.
    // Call before the element window exists: the bitmap style applies when the button is made.
    void SetBitmaps(uint32_t normal, uint32_t checked, uint32_t unchecked, uint32_t fourth);
    const std::array<uint32_t, 4>& GetBitmaps() const { return bitmaps_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }

    // 0 and 1 as given, anything else as 2 (indeterminate).
    void SetCheck(int state);
    // 2 without a button.
    int GetCheck() const;
    void Toggle();
    HWND GetButtonHwnd() const { return button_ ? button_->GetSafeHwnd() : nullptr; }

    void FillMemDC(HDC dc) override;

protected:
    bool OnCommand(uintptr_t id) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool MakeButton();
    void ShowBitmap(uint32_t id);
    void ShowCheckBitmap();

    std::unique_ptr<CMyButton> button_;
    uint32_t style_ = kDefaultStyle;
    uintptr_t commandId_ = 0;
    std::array<uint32_t, 4> bitmaps_{};
    std::string caption_;
};

}  // namespace zem
