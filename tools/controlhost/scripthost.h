// Runs a page's scripts with Qt's JavaScript engine. Each control is a script object whose
// methods and properties go through its IDispatch by name; the object "host" offers
// wait(ms), waitFor(condition, ms), screenshot(file), print(...) and quit(code).
#pragma once

#include "com/dispatch.h"
#include "ui/wintypes.h"

#include <memory>
#include <string>

namespace zem {

class ScriptHost {
public:
    // screenshots are taken of window.
    explicit ScriptHost(HWND window);
    ~ScriptHost();
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // Makes object known to the scripts as a global named id (null when object is null),
    // and to document.getElementById.
    void AddObject(const std::string& id, IDispatch* object);

    // Runs one script (Latin-1 text) whose first line is line firstLine of fileName. False on
    // an error, with error naming the file, line and cause.
    bool Run(const std::string& text, const std::string& fileName, int firstLine, std::string* error);

    bool QuitRequested() const;
    int ExitCode() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zem
