#include "support/x11session.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <xcb/xcb.h>

extern char** environ;

namespace zemtest {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kToolTimeoutMs = 15000;
constexpr int kStartTimeoutMs = 15000;

bool WaitFor(int timeoutMs, const std::function<bool()>& condition)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition())
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Starts argv[0] from PATH in a process group of its own; stdoutFd (or -1) becomes its
// standard output; standard error is dropped. Descriptors without close-on-exec stay open in it. -1 on failure.
pid_t Spawn(const std::vector<std::string>& argv, int stdoutFd)
{
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? pid : -1;
}

// Ends a process group politely, then for good, and reaps its leader.
void EndGroup(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(-pid, SIGTERM);
    int status = 0;
    if (!WaitFor(5000, [&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
        kill(-pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
}

// Reads what fd gives until its end or the deadline.
bool ReadAll(int fd, Clock::time_point deadline, std::string& out)
{
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true;
        out.append(buffer, static_cast<size_t>(n));
    }
}

std::string Hex(X11Session::Window window)
{
    std::ostringstream text;
    text << "0x" << std::hex << window;
    return text.str();
}

struct XcbDeleter {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using XcbConnection = std::unique_ptr<xcb_connection_t, XcbDeleter>;

XcbConnection Connect(const std::string& display)
{
    XcbConnection c(xcb_connect(display.c_str(), nullptr));
    if (c && xcb_connection_has_error(c.get()))
        c.reset();
    return c;
}

// Whether the window manager shows a window that is mapped now: openbox answers wmctrl
// before it handles map requests, and a map it misses then leaves the window hidden for good.
bool ManagerShowsAWindow(const std::string& display, int timeoutMs)
{
    const XcbConnection c = Connect(display);
    if (!c)
        return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c.get())).data;
    const xcb_window_t probe = xcb_generate_id(c.get());
    xcb_create_window(c.get(), XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 16, 16, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(c.get(), probe);
    xcb_flush(c.get());
    const bool shown = WaitFor(timeoutMs, [&] {
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(c.get(), xcb_get_window_attributes(c.get(), probe), nullptr), &std::free);
        return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    });
    xcb_destroy_window(c.get(), probe);
    xcb_flush(c.get());
    return shown;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    return WaitFor(timeoutMs, condition);
}

namespace {

using GeometryReply = std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)>;

GeometryReply GetGeometry(xcb_connection_t* c, xcb_window_t window)
{
    return GeometryReply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &std::free);
}

const char* const kEnvNames[] = {"DISPLAY", "QT_QPA_PLATFORM", "ZEM_UI", "WAYLAND_DISPLAY"};
constexpr const char* kUnset = "\x01";

}  // namespace

X11Session::X11Session()
{
    ready_ = Start();
    if (!ready_) {
        Stop();
        return;
    }
    for (const char* name : kEnvNames) {
        const char* value = std::getenv(name);
        savedEnv_.emplace_back(name, value ? value : kUnset);
    }
    setenv("DISPLAY", display_.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    unsetenv("ZEM_UI");
    unsetenv("WAYLAND_DISPLAY");
}

X11Session::~X11Session()
{
    for (const auto& [name, value] : savedEnv_) {
        if (value == kUnset)
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
    Stop();
}

bool X11Session::Start()
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        reason_ = "no pipe";
        return false;
    }
    // Only the write end goes to the server, which writes its display number there.
    fcntl(ends[1], F_SETFD, 0);
    server_ = Spawn({"Xvfb", "-displayfd", std::to_string(ends[1]), "-screen", "0", "1280x1024x24", "-nolisten",
                     "tcp", "-noreset"},
                    -1);
    close(ends[1]);
    std::string number;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
        std::string part;
        const bool ended = ReadAll(ends[0], Clock::now() + std::chrono::milliseconds(200), part);
        number += part;
        if (ended && part.empty())
            break;
    }
    close(ends[0]);
    if (server_ < 0 || number.find('\n') == std::string::npos) {
        reason_ = server_ < 0 ? "Xvfb could not be started (package xvfb)" : "Xvfb gave no display number";
        return false;
    }
    display_ = ":" + number.substr(0, number.find('\n'));

    // The manager and the tools below run with this display.
    const char* old = std::getenv("DISPLAY");
    const std::string previous = old ? old : "";
    setenv("DISPLAY", display_.c_str(), 1);
    manager_ = Spawn({"openbox", "--sm-disable"}, -1);
    const bool managed = manager_ > 0 &&
                         WaitFor(kStartTimeoutMs, [&] { return Run({"wmctrl", "-m"}).exitCode == 0; }) &&
                         WaitFor(kStartTimeoutMs, [&] { return ManagerShowsAWindow(display_, 1000); });
    if (old)
        setenv("DISPLAY", previous.c_str(), 1);
    else
        unsetenv("DISPLAY");
    if (!managed) {
        reason_ = manager_ < 0 ? "openbox could not be started (package openbox)"
                               : "the window manager did not come up on " + display_;
        return false;
    }
    return true;
}

void X11Session::Stop()
{
    EndGroup(manager_);
    EndGroup(server_);
    manager_ = server_ = -1;
}

X11Session::ToolRun X11Session::Run(const std::vector<std::string>& argv) const
{
    ToolRun run;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return run;
    const pid_t pid = Spawn(argv, ends[1]);
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return run;
    }
    const bool ended = ReadAll(ends[0], Clock::now() + std::chrono::milliseconds(kToolTimeoutMs), run.output);
    close(ends[0]);
    if (!ended)
        kill(-pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

X11Session::Window X11Session::FindWindow(const std::string& titlePattern, int timeoutMs) const
{
    Window found = 0;
    WaitFor(timeoutMs, [&] {
        const ToolRun run = Run({"xdotool", "search", "--onlyvisible", "--name", titlePattern});
        found = run.exitCode == 0 ? std::strtoul(run.output.c_str(), nullptr, 10) : 0;
        return found != 0;
    });
    return found;
}

bool X11Session::WaitNoWindow(const std::string& titlePattern, int timeoutMs) const
{
    return WaitFor(timeoutMs, [&] {
        const ToolRun run = Run({"xdotool", "search", "--onlyvisible", "--name", titlePattern});
        return run.exitCode == 1 && run.output.empty();
    });
}

QRect X11Session::Geometry(Window window) const
{
    const XcbConnection c = Connect(display_);
    if (!c)
        return {};
    const auto id = static_cast<xcb_window_t>(window);
    const GeometryReply geometry = GetGeometry(c.get(), id);
    if (!geometry)
        return {};
    std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> origin(
        xcb_translate_coordinates_reply(c.get(), xcb_translate_coordinates(c.get(), id, geometry->root, 0, 0), nullptr),
        &std::free);
    if (!origin)
        return {};
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

std::string X11Session::Title(Window window) const
{
    std::string title = Run({"xdotool", "getwindowname", std::to_string(window)}).output;
    while (!title.empty() && title.back() == '\n')
        title.pop_back();
    return title;
}

bool X11Session::Activate(Window window) const
{
    return Run({"xdotool", "windowactivate", "--sync", std::to_string(window)}).exitCode == 0;
}

bool X11Session::Click(Window window, int x, int y, int button) const
{
    return Run({"xdotool", "mousemove", "--sync", "--window", std::to_string(window), std::to_string(x),
                std::to_string(y), "click", std::to_string(button)})
               .exitCode == 0;
}

bool X11Session::Wheel(Window window, int x, int y, int clicks, bool horizontal) const
{
    const int button = horizontal ? (clicks > 0 ? 7 : 6) : (clicks > 0 ? 5 : 4);
    return Run({"xdotool", "mousemove", "--sync", "--window", std::to_string(window), std::to_string(x),
                std::to_string(y), "click", "--repeat", std::to_string(std::abs(clicks)), std::to_string(button)})
               .exitCode == 0;
}

bool X11Session::Key(const std::string& keys) const
{
    return Run({"xdotool", "key", keys}).exitCode == 0;
}

bool X11Session::KeyDown(const std::string& key) const
{
    return Run({"xdotool", "keydown", key}).exitCode == 0;
}

bool X11Session::KeyUp(const std::string& key) const
{
    return Run({"xdotool", "keyup", key}).exitCode == 0;
}

bool X11Session::Close(Window window) const
{
    return Run({"wmctrl", "-i", "-c", Hex(window)}).exitCode == 0;
}

QImage X11Session::Grab(Window window) const
{
    const XcbConnection c = Connect(display_);
    if (!c)
        return {};
    const auto id = static_cast<xcb_window_t>(window);
    const GeometryReply geometry = GetGeometry(c.get(), id);
    if (!geometry || (geometry->depth != 24 && geometry->depth != 32))
        return {};
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> image(
        xcb_get_image_reply(c.get(),
                            xcb_get_image(c.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, id, 0, 0, geometry->width,
                                          geometry->height, ~0u),
                            nullptr),
        &std::free);
    const int w = geometry->width, h = geometry->height;
    if (!image || xcb_get_image_data_length(image.get()) < w * h * 4)
        return {};
    // 24 and 32 bit visuals both come as 32 bits a pixel, blue first: Qt's RGB32 on this host.
    const QImage view(xcb_get_image_data(image.get()), w, h, w * 4, QImage::Format_RGB32);
    return view.copy();
}

}  // namespace zemtest
