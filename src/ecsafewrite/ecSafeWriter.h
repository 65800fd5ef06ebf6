#pragma once
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>

// A write that did not happen, or a write refused before it started. The
// message names the path and, for system failures, carries the system's own
// error text.
class ecWriteError : public std::runtime_error {
public:
    ecWriteError(const std::string& path, const std::string& what, int error = 0);

    const std::string& Path() const { return m_path; }
    // The errno of the failing call; 0 for refusals.
    int Error() const { return m_error; }

private:
    std::string m_path;
    int m_error;
};

// Durable output. A regular file is written under an unpredictable temporary
// name in its own folder, created exclusively and never through a symbolic
// link, checked on every write, flushed and synced, then renamed over the
// final name and the folder synced; on any failure the temporary file goes
// and the final name keeps what it held. Outputs that exist and are not
// regular files (devices, FIFOs, the program's own standard output) are
// written in place, because replacing them would break whoever reads them.
class ecSafeWriter {
public:
    using Producer = std::function<void(std::ostream&)>;

    // Calls produce with a stream onto the output and puts the result in
    // place. "-" is standard output. Missing parent folders are created.
    // Throws ecWriteError; an exception from produce is passed on after the
    // temporary file is removed.
    static void Write(const std::string& path, const Producer& produce);
    static void WriteText(const std::string& path, const std::string& text);

    // "-", or a name for the file this process's standard output already is
    // (/dev/stdout, or the file the shell redirected it to).
    static bool IsStandardOutput(const std::string& path);

    // Creates an empty file under a fresh temporary name for name in dir and
    // returns its descriptor, the name in temporary. random supplies the
    // name's suffix; a name that is taken (by anything, a symbolic link
    // included) is never opened, another is drawn. The name is entered in
    // the registry that RemoveLiveTemporaries empties; ForgetTemporary takes
    // it out again.
    static int CreateTemporary(const std::string& dir, const std::string& name, std::string& temporary,
                               const std::function<std::uint64_t()>& random);
    static void ForgetTemporary(const std::string& temporary);

    // Unlinks every temporary file being written right now. Only
    // async-signal-safe calls: made for signal handlers.
    static void RemoveLiveTemporaries();

    // Installs handlers for SIGINT, SIGTERM and SIGHUP that remove live
    // temporary files and then die of the signal as they would have
    // (signals that are ignored stay ignored).
    static void RemoveTemporariesOnSignals();
};
