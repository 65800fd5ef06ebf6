#pragma once
#include <functional>
#include <string>

// Writes a file under a temporary name in the same folder and renames it
// into place, so an interrupted run never leaves a half-written file under
// its final name.
class AtomicFile {
public:
    // Calls produce(temporary name), checks that it made the file, then
    // renames it to path. The parent folder is created when missing. On any
    // failure the temporary file is removed and HostError names path.
    static void Write(const std::string& path, const std::function<void(const std::string&)>& produce);

    // Writes text to path the same way.
    static void WriteText(const std::string& path, const std::string& text);

    // The temporary name used for path (unique per process and call).
    static std::string TemporaryName(const std::string& path);
};
