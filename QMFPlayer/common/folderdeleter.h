// CFolderDeleter: the walker that deletes a whole tree, the folder itself included, as far as
// it can, and reports nothing. Read-only folders are made writable first, so that what is in
// them can go; a link is removed, never what it points to.
#pragma once

#include "QMFPlayer/common/directorywalker.h"

class CFolderDeleter : public CDirectoryWalker {
public:
    uint32_t OnError(int kind, int error, const std::string& folder) override;
    bool ProcessFile(const std::string& path) override;
    bool Walk(const std::string& folder) override;
    bool AcceptDirectory(const std::string& folder, const WalkEntry& entry) override;
    void LeaveDirectory(const std::string& folder) override;
};
