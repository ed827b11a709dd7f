// Stand-ins for system tools: shell scripts written into a fresh folder that is put first on
// PATH while the object lives. Each script records its arguments, one "<arg>" each, as a line
// of the folder's file "calls".
#pragma once

#include <string>

class StubTools {
public:
    StubTools();
    ~StubTools();
    StubTools(const StubTools&) = delete;
    StubTools& operator=(const StubTools&) = delete;

    // body runs with $d set to the folder, after the arguments were recorded.
    void Add(const std::string& name, const std::string& body) const;
    const std::string& Folder() const { return folder_; }
    // The recorded calls; empty when no tool ran.
    std::string Calls() const;
    // PATH holds only an empty folder: no tool at all can be found.
    void HideSystemTools() const;

private:
    std::string folder_;
    std::string oldPath_;
};
