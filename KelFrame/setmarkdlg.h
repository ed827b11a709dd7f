// The dialog that asks for the value of a new index mark: one whole number, OK and Cancel.
#pragma once

#include "ui/wintypes.h"

#include <cstdint>

namespace zem {

class CSetMarkDlg {
public:
    static constexpr uint32_t kTemplateId = 111;
    static constexpr uintptr_t kEditId = 1000;

    explicit CSetMarkDlg(HWND owner) : owner_(owner) {}
    // IDOK with a whole number entered (then in value), else IDCANCEL.
    int DoModal();

    int32_t value = 0;

private:
    HWND owner_;
};

}  // namespace zem
