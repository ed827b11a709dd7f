// A frame element that shows one text in a font of its own; its menu lets the user choose the
// font and the text colour ("Schriftart").
#pragma once

#include "KelFrame/kelframeelement.h"

#include <string>

namespace zem {

class CKelFE_TextDisplay : public CKelFrameElement {
public:
    static constexpr UINT kDefaultFormat = DT_WORDBREAK | DT_EXPANDTABS;

    explicit CKelFE_TextDisplay(CKelFrame* frame);

    // Repaints only when the text changes.
    virtual void SetText(const std::string& text);
    virtual void SetNumber(int32_t number);
    const std::string& GetText() const { return text_; }

    // Needs the element window (for the display's pixels per inch); ignored before.
    void SetFontSize(int32_t points);
    void SetWeight(int32_t weight) { font_.lfWeight = weight; }
    void SetItalic(uint8_t on) { font_.lfItalic = on ? 1 : 0; }
    void SetUnderline(uint8_t on) { font_.lfUnderline = on ? 1 : 0; }
    void SetStrikeOut(uint8_t on) { font_.lfStrikeOut = on ? 1 : 0; }
    // Longer names are cut to 31 characters.
    void SetFaceName(const std::string& face);
    void SetLogFont(const LOGFONT& font);
    const LOGFONT& GetLogFont() const { return font_; }
    void SetFormat(UINT format);
    UINT GetFormat() const { return format_; }

    void AddContextMenuItems(HMENU menu) override;
    void FillMemDC(HDC dc) override;

protected:
    bool OnCommand(uintptr_t id) override;

private:
    void OnChooseFont();

    LOGFONT font_;
    std::string text_;
    UINT format_ = kDefaultFormat;
};

}  // namespace zem
