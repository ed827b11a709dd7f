// controlhost [-new] PAGE: hosts the controls of a page in a real window and runs its
// scripts, as the web browser does on Windows. The window is always shown, whatever the
// caller asked for. It ends when the window is closed or a script calls host.quit(code);
// a page or script error is printed with its file and line, and the exit status is 1.
// Where nobody can close the window (offscreen), its environment ends it: SIGTERM or SIGINT,
// or ZEM_CONTROLHOST_CLOSE_MS, after which the window closes by itself (taking a picture
// into ZEM_CONTROLHOST_SCREENSHOT first when that is set). Offscreen, it stays open at least
// one second, as a person's window would, so that its caller cannot take it for a blocked one.
#include "com/host.h"
#include "com/olecontrol.h"
#include "com/persist.h"
#include "tools/controlhost/page.h"
#include "tools/controlhost/scripthost.h"
#include "ui/application.h"
#include "ui/window.h"
#include "ui/windowimage.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using namespace zem;

constexpr int kMargin = 4;
// A signal handler cannot post a message, so a timer looks at its flag.
constexpr uintptr_t kEndRequestTimer = 1;
constexpr int kMinWidth = 200;
constexpr int kMinHeight = 100;
constexpr int kDefaultWidth = 100;
constexpr int kDefaultHeight = 50;
constexpr uintptr_t kCloseTimer = 2;
constexpr int kShortestOffscreenMs = 1000;

volatile std::sig_atomic_t g_endRequested = 0;

void RequestEnd(int)
{
    g_endRequested = 1;
}

bool Offscreen()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return platform && std::strcmp(platform, "offscreen") == 0;
}

// When the window closes by itself: ZEM_CONTROLHOST_CLOSE_MS, at least a second offscreen;
// 0 for never.
int CloseAfterMs()
{
    const char* text = std::getenv("ZEM_CONTROLHOST_CLOSE_MS");
    const int ms = text ? std::atoi(text) : 0;
    if (ms <= 0)
        return 0;
    return Offscreen() ? std::max(ms, kShortestOffscreenMs) : ms;
}

void CloseByItself(HWND window)
{
    const char* picture = std::getenv("ZEM_CONTROLHOST_SCREENSHOT");
    if (picture && *picture && !SaveWindowImage(window, picture))
        std::fprintf(stderr, "controlhost: cannot write the screenshot \"%s\"\n", picture);
    PostQuitMessage(0);
}

// One control of the page, active in place when it can be.
struct HostedControl {
    std::string id;
    ComPtr<IDispatch> dispatch;
    ComPtr<IOleObject> object;
    ComPtr<ControlSite> site;
    SIZE size{};  // in pixels
};

// "<page>:<line>: <before> "<class>"<after>: <result>"
void Report(const Page& page, const PageObject& spec, const char* before, const char* after, HRESULT hr)
{
    std::fprintf(stderr, "controlhost: %s:%d: %s \"%s\"%s: %s\n", page.path.c_str(), spec.line, before,
                 spec.classId.c_str(), after, ResultName(hr).c_str());
}

// The element's <param> tags are the control's saved properties; without any it starts new.
void LoadProperties(const Page& page, const PageObject& spec, IDispatch* control)
{
    ComPtr<IPersistPropertyBag> persist = ComPtr<IDispatch>::Share(control).As<IPersistPropertyBag>();
    if (!persist)
        return;
    HRESULT hr = S_OK;
    if (spec.params.empty()) {
        hr = persist->InitNew();
    } else {
        auto bag = ComPtr<PropertyBag>::Adopt(new PropertyBag);
        for (const auto& [name, value] : spec.params)
            bag->Write(name, VARIANT::Bstr(value));
        hr = persist->Load(bag.Get());
    }
    if (FAILED(hr))
        Report(page, spec, "the control", " refused its parameters", hr);
}

// Created and sited, its properties loaded; activated later, once its place is known.
HostedControl CreateControl(const Page& page, const PageObject& spec, HWND window)
{
    HostedControl control;
    control.id = spec.id;
    control.size = SIZE{spec.width > 0 ? spec.width : kDefaultWidth, spec.height > 0 ? spec.height : kDefaultHeight};
    CLSID clsid;
    HRESULT hr = CLSIDFromString(spec.classId, &clsid);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.dispatch.OutVoid());
    if (FAILED(hr)) {
        Report(page, spec, "cannot create the control", "", hr);
        return control;
    }
    control.object = control.dispatch.As<IOleObject>();
    if (control.object) {
        control.site = ComPtr<ControlSite>::Adopt(new ControlSite(window, RECT{}));
        control.object->SetClientSite(control.site.Get());
    }
    LoadProperties(page, spec, control.dispatch.Get());
    // A size the page leaves open is the control's own.
    SIZE extent{};
    if (control.object && SUCCEEDED(control.object->GetExtent(&extent))) {
        if (spec.width <= 0 && extent.cx > 0)
            control.size.cx = HimetricToPixels(extent.cx);
        if (spec.height <= 0 && extent.cy > 0)
            control.size.cy = HimetricToPixels(extent.cy);
    }
    return control;
}

void Activate(const Page& page, const PageObject& spec, HostedControl& control, HWND window, const RECT& rect)
{
    if (!control.object)
        return;
    control.site->SetObjectRect(rect);
    const HRESULT hr = control.object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, control.site.Get(), window, &rect);
    if (FAILED(hr))
        Report(page, spec, "the control", " did not activate", hr);
}

// The host window; sized to its controls once they are there. It is never made smaller than
// them (pageSize, 0 until they are placed): nothing scrolls them into view.
HWND CreateHostWindow(const Page& page, const SIZE& pageSize)
{
    // Closing the window (WM_CLOSE, then destroyed by default) ends the program.
    HWND window = CreateWindow(
        [&pageSize](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_GETMINMAXINFO) {
                reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {pageSize.cx, pageSize.cy};
                return 0;
            }
            if (message == WM_DESTROY)
                PostQuitMessage(0);
            if (message == WM_TIMER && wParam == kCloseTimer)
                CloseByItself(hwnd);
            if (message == WM_TIMER && wParam == kEndRequestTimer && g_endRequested)
                PostQuitMessage(0);
            return DefWindowProc(hwnd, message, wParam, lParam);
        },
        0, 0, 0, kMinWidth, kMinHeight);
    if (!window)
        return nullptr;
    // As a browser names its window: the page's title, else its file.
    SetWindowText(window, page.title.empty() ? page.path.substr(page.path.rfind('/') + 1) : page.title);
    SetTimer(window, kEndRequestTimer, 200);
    if (const int closeMs = CloseAfterMs())
        SetTimer(window, kCloseTimer, static_cast<uint32_t>(closeMs));
    return window;
}

int Host(const std::string& pagePath)
{
    std::string error;
    const auto page = LoadPage(pagePath, &error);
    if (!page) {
        std::fprintf(stderr, "controlhost: %s\n", error.c_str());
        return 1;
    }
    SIZE pageSize{};
    HWND window = CreateHostWindow(*page, pageSize);
    if (!window) {
        std::fprintf(stderr, "controlhost: cannot open a window\n");
        return 1;
    }
    // The controls one below the other, the window tall and wide enough for them.
    std::vector<HostedControl> controls;
    int top = kMargin;
    int width = kMinWidth;
    for (const PageObject& spec : page->objects) {
        controls.push_back(CreateControl(*page, spec, window));
        const SIZE size = controls.back().size;
        const RECT rect{kMargin, top, kMargin + size.cx, top + size.cy};
        Activate(*page, spec, controls.back(), window, rect);
        top = rect.bottom + kMargin;
        width = std::max(width, static_cast<int>(rect.right) + kMargin);
    }
    pageSize = SIZE{width, std::max(top, kMinHeight)};
    // Shown once it has its size: a window moved while the window manager frames it can end
    // up placed by its client area, its title bar above the screen.
    MoveWindow(window, 0, 0, pageSize.cx, pageSize.cy);
    ShowWindow(window, SW_SHOW);

    int exitCode = 0;
    {
        ScriptHost scripts(window);
        for (const HostedControl& control : controls)
            scripts.AddObject(control.id, control.dispatch.Get());
        bool failed = false;
        for (const PageScript& script : page->scripts) {
            if (!scripts.Run(script.text, script.fileName, script.firstLine, &error)) {
                std::fprintf(stderr, "controlhost: %s\n", error.c_str());
                failed = true;
                break;
            }
            if (scripts.QuitRequested())
                break;
        }
        if (scripts.QuitRequested())
            exitCode = scripts.ExitCode();
        else if (failed)
            exitCode = 1;
        else
            exitCode = RunMessageLoop();
    }
    for (HostedControl& control : controls) {
        if (control.object)
            control.object->Close();
    }
    controls.clear();
    DestroyWindow(window);
    return exitCode;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string page;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-new") == 0)
            continue;
        if (!page.empty() || argv[i][0] == '-') {
            page.clear();
            break;
        }
        page = argv[i];
    }
    if (page.empty()) {
        std::fprintf(stderr, "usage: controlhost [-new] PAGE\n");
        return 2;
    }
    if (!zem::InitApplication()) {
        std::fprintf(stderr, "controlhost: the window system cannot be started\n");
        return 1;
    }
    std::signal(SIGTERM, RequestEnd);
    std::signal(SIGINT, RequestEnd);
    zem::CoInitialize();
    const int exitCode = Host(page);
    zem::CoUninitialize();
    zem::ExitApplication();
    return exitCode;
}
