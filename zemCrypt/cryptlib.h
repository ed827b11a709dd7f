// CCryptLib: the program's wrapper of the cipher library. Each file operation runs the
// library's whole set-up sequence, so the library keeps nothing between runs that matters.
#pragma once

#include <string>

class CCryptLib {
public:
    CCryptLib();

    // Keeps at most the first 56 characters.
    void SetKey(const std::string& key);
    bool EncipherFile(const std::string& source, const std::string& destination);
    bool DecipherFile(const std::string& source, const std::string& destination);

    const std::string& LastError() const { return lastError_; }
    const std::string& Version() const { return version_; }

    bool crc = false;
    bool compression = false;

private:
    void Prepare();
    // Takes the library's text when result is 0.
    bool Finish(int result);

    std::string lastError_;
    std::string version_;
    std::string key_;
};
