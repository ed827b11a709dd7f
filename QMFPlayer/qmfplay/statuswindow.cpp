#include "QMFPlayer/qmfplay/statuswindow.h"

#include "QMFPlayer/common/programicon.h"

#include "base/trace.h"
#include "ui/application.h"
#include "ui/dialogbox.h"
#include "ui/gdi.h"
#include "ui/input.h"
#include "ui/messagebox.h"
#include "ui/window.h"

using namespace zem;

namespace {

// Worker to window: the status text changed, hide the window, show a message box
// (lParam: the text).
constexpr UINT kStatusChanged = WM_USER;
constexpr UINT kHide = WM_USER + 1;
constexpr UINT kShowMessage = WM_USER + 2;
constexpr char kCaption[] = "qmxPlayer";

}  // namespace

StatusWindow::~StatusWindow()
{
    Destroy();
}

bool StatusWindow::Create()
{
    HWND window = CreateWindow(
        [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            try {
                return Procedure(hwnd, message, wParam, lParam);
            } catch (...) {
                Trace("qmxplay: status window message %u failed", message);
                return LRESULT{0};
            }
        },
        WS_VISIBLE, 100, 100, DialogUnitsToPixelsX(179), DialogUnitsToPixelsY(34));
    if (!window)
        return false;
    SetWindowText(window, kCaption);
    ShowProgramIcon(window);
    window_ = window;
    return true;
}

void StatusWindow::Destroy()
{
    if (HWND window = window_.exchange(nullptr))
        DestroyWindow(window);
}

void StatusWindow::ShowStatus(const std::string& line)
{
    {
        const std::lock_guard<std::mutex> hold(lock_);
        status_ = line;
    }
    PostMessage(window_, kStatusChanged, 0, 0);
}

void StatusWindow::HideStatus()
{
    PostMessage(window_, kHide, 0, 0);
}

void StatusWindow::ShowMessage(const std::string& text)
{
    // The box belongs to the user-interface thread; once the window is gone it can only go
    // to the standard error.
    if (!SendMessage(window_, kShowMessage, 0, reinterpret_cast<LPARAM>(&text)))
        MessageBox(nullptr, text, kCaption, MB_OK);
}

void StatusWindow::RequestQuit()
{
    PostQuitMessage(0);
}

std::string StatusWindow::Status() const
{
    const std::lock_guard<std::mutex> hold(lock_);
    return status_;
}

LRESULT StatusWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kStatusChanged:
        InvalidateRect(hwnd, nullptr, true);
        return 0;
    case kHide:
        ShowWindow(hwnd, SW_HIDE);
        return 0;
    case kShowMessage:
        MessageBox(hwnd, *reinterpret_cast<const std::string*>(lParam), kCaption, MB_OK);
        return 1;
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            PostQuitMessage(0);  // as the close box
        return 0;
    case WM_CLOSE:
        // Closed by the user: the program ends, the worker's end steps still run.
        PostQuitMessage(0);
        return DefWindowProc(hwnd, message, wParam, lParam);
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

void StatusWindow::Paint(HWND hwnd)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    if (!dc)
        return;
    RECT client;
    GetClientRect(hwnd, &client);
    HBRUSH background = CreateSolidBrush(kColor3DLight);
    FillRect(dc, client, background);
    DeleteObject(background);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawText(dc, Status(), &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    EndPaint(hwnd, &paint);
}
