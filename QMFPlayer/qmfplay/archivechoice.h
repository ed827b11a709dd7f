// Where the player finds its call-viewer archive and its browser: the archive lies beside
// the program, German or English by the user's `Language`; the browser is named by its
// App Paths entry.
#pragma once

#include <optional>
#include <string>

// A string value of the registry, up to its first NUL; nothing when the key or the value
// cannot be read or the value needs more than capacity bytes.
std::optional<std::string> ReadRegistryText(bool machine, const std::string& key,
                                            const std::string& name, uint32_t capacity);

// "<folder>/<name>.dll", or "<folder>/<name>_eng.dll" when language begins with "eng" in
// any case. The program's own path is split at its last "/", and only a trailing ".exe" is
// taken off its name.
std::string ArchivePath(const std::string& programPath, const std::string& language);

// The user's `Language` setting; empty when there is none.
std::string ReadLanguage();

// The browser's path from the App Paths entry; nothing when it cannot be read.
std::optional<std::string> ReadBrowserPath();
