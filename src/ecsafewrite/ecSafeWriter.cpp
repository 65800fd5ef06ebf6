#include "ecsafewrite/ecSafeWriter.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string SystemText(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

std::string Describe(const std::string& what, int error)
{
    return error ? what + " (" + SystemText(error) + ")" : what;
}

// The registry of temporary files being written, readable from a signal
// handler: fixed slots, each announced by an atomic state after its path is
// complete, and a sequence number that tells the handler whether the slot
// changed hands while it read the path.
constexpr int kSlots = 256;
constexpr std::size_t kPathBytes = 4096;
enum SlotState { kFree = 0, kFilling = 1, kLive = 2 };

struct Slot {
    std::atomic<int> state;
    std::atomic<unsigned> sequence;
    char path[kPathBytes];
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free atomics");
static_assert(std::atomic<unsigned>::is_always_lock_free, "the signal handler needs lock-free atomics");

Slot g_slots[kSlots];
std::mutex g_registryMutex;

bool Register(const std::string& path)
{
    if (path.size() >= kPathBytes)
        return false;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(g_registryMutex);
            for (Slot& slot : g_slots) {
                if (slot.state.load() != kFree)
                    continue;
                slot.state.store(kFilling);
                slot.sequence.fetch_add(1);
                std::memcpy(slot.path, path.c_str(), path.size() + 1);
                slot.state.store(kLive);
                return true;
            }
        }
        // More writes at once than slots: wait for one to finish rather than
        // write a file that a signal could leave behind.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Blocks the signals whose handlers empty the registry, so that a file is
// never created without being registered.
class SignalBlock {
public:
    SignalBlock()
    {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        sigaddset(&set, SIGHUP);
        pthread_sigmask(SIG_BLOCK, &set, &m_old);
    }
    ~SignalBlock() { pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }
    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;

private:
    sigset_t m_old;
};

std::uint64_t SystemRandom()
{
    std::uint64_t value = 0;
    int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        unsigned char* p = reinterpret_cast<unsigned char*>(&value);
        std::size_t got = 0;
        while (got < sizeof value) {
            ssize_t n = ::read(fd, p + got, sizeof value - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        ::close(fd);
    }
    // Without /dev/urandom the name is merely hard to guess; the exclusive
    // creation still keeps a planted file from being used.
    static std::atomic<std::uint64_t> counter{0};
    value ^= static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) * 0x9E3779B97F4A7C15ull;
    value ^= (static_cast<std::uint64_t>(::getpid()) << 32) ^ counter.fetch_add(1);
    return value;
}

// A stream buffer onto a descriptor that keeps the errno of the first
// failing write; after a failure everything else is dropped, so a producer
// that ignores its stream's state ends quickly.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd) : m_fd(fd), m_buffer(1 << 16)
    {
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    }
    int Error() const { return m_error; }

protected:
    int_type overflow(int_type c) override
    {
        if (!Drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return Drain() ? 0 : -1; }

private:
    bool Drain()
    {
        const char* p = pbase();
        std::size_t left = static_cast<std::size_t>(pptr() - pbase());
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
        while (left > 0 && m_error == 0) {
            ssize_t n = ::write(m_fd, p, left);
            if (n < 0) {
                if (errno != EINTR)
                    m_error = errno;
                continue;
            }
            if (n == 0) {
                m_error = EIO;
                break;
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        return m_error == 0;
    }

    int m_fd;
    std::vector<char> m_buffer;
    int m_error = 0;
};

// Runs produce onto fd and flushes; throws on the first failed write.
void Produce(int fd, const std::string& path, const ecSafeWriter::Producer& produce)
{
    DescriptorBuffer buffer(fd);
    std::ostream out(&buffer);
    produce(out);
    out.flush();
    if (buffer.Error())
        throw ecWriteError(path, "cannot write", buffer.Error());
    if (!out)
        throw ecWriteError(path, "cannot write (the output stream failed)");
}

bool SameInode(const struct stat& a, int fd)
{
    struct stat b;
    return ::fstat(fd, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void WriteToDescriptor(int fd, const std::string& path, const ecSafeWriter::Producer& produce)
{
    // What the program already printed comes first.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    Produce(fd, path, produce);
}

std::string Join(const std::string& dir, const std::string& name)
{
    return dir == "." ? name : (fs::path(dir) / name).string();
}

void SyncFolder(const std::string& dir, const std::string& path)
{
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw ecWriteError(path, "written, but its folder cannot be opened to sync it", errno);
    int result = ::fsync(fd);
    int error = errno;
    ::close(fd);
    // Some file systems cannot sync a folder at all; the rename is then as
    // durable as they make it.
    if (result != 0 && error != EINVAL && error != ENOTSUP && error != EROFS)
        throw ecWriteError(path, "written, but its folder cannot be synced", error);
}

void Replace(const std::string& path, const ecSafeWriter::Producer& produce)
{
    const fs::path p(path);
    const std::string name = p.filename().string();
    if (name.empty() || name == "." || name == "..")
        throw ecWriteError(path, "not a file name");
    const std::string dir = p.parent_path().empty() ? "." : p.parent_path().string();
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        fs::create_directories(dir, ec);
        if (ec)
            throw ecWriteError(dir, "cannot create the folder", ec.value());
    }

    struct stat old;
    const bool replacing = ::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    std::string temporary;
    int fd = -1;
    try {
        fd = ecSafeWriter::CreateTemporary(dir, name, temporary, SystemRandom);
    } catch (const ecWriteError& e) {
        throw ecWriteError(path, "cannot create a temporary file in " + dir, e.Error());
    }
    try {
        if (replacing) {
            if (::fchmod(fd, old.st_mode & 01777) != 0)
                throw ecWriteError(path, "cannot give the new file the permissions of the old one", errno);
            // Replacing someone else's file as root keeps it theirs.
            if (::geteuid() == 0 && (old.st_uid != 0 || old.st_gid != 0)) {
                const int given = ::fchown(fd, old.st_uid, old.st_gid);
                (void)given;
            }
        }
        Produce(fd, path, produce);
        if (::fsync(fd) != 0)
            throw ecWriteError(path, "cannot flush to disk", errno);
        const int closing = ::close(fd);
        fd = -1;
        if (closing != 0)
            throw ecWriteError(path, "cannot write", errno);
        if (::rename(temporary.c_str(), path.c_str()) != 0)
            throw ecWriteError(path, "cannot put the written file in place", errno);
    } catch (...) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.c_str());
        ecSafeWriter::ForgetTemporary(temporary);
        throw;
    }
    ecSafeWriter::ForgetTemporary(temporary);
    SyncFolder(dir, path);
}

extern "C" void RemoveAndDie(int signal)
{
    const int saved = errno;
    ecSafeWriter::RemoveLiveTemporaries();
    // The handler was installed to run once; the signal, raised again,
    // stays pending until the handler returns and then ends the program
    // the way it would have ended it.
    ::raise(signal);
    errno = saved;
}

} // namespace

ecWriteError::ecWriteError(const std::string& path, const std::string& what, int error)
    : std::runtime_error(path.empty() ? Describe(what, error) : path + ": " + Describe(what, error)), m_path(path),
      m_error(error)
{
}

bool ecSafeWriter::IsStandardOutput(const std::string& path)
{
    if (path == "-")
        return true;
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && SameInode(st, STDOUT_FILENO);
}

void ecSafeWriter::Write(const std::string& path, const Producer& produce)
{
    if (path.empty())
        throw ecWriteError(path, "no output file name");
    if (path == "-")
        return WriteToDescriptor(STDOUT_FILENO, "standard output", produce);
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        for (int fd : {STDOUT_FILENO, STDERR_FILENO})
            if (SameInode(st, fd))
                return WriteToDescriptor(fd, path, produce);
        if (S_ISDIR(st.st_mode))
            throw ecWriteError(path, "is a folder");
        if (!S_ISREG(st.st_mode)) {
            int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
            if (fd < 0)
                throw ecWriteError(path, "cannot open for writing", errno);
            struct stat opened;
            if (::fstat(fd, &opened) == 0 && !S_ISREG(opened.st_mode)) {
                try {
                    Produce(fd, path, produce);
                } catch (...) {
                    ::close(fd);
                    throw;
                }
                if (::close(fd) != 0)
                    throw ecWriteError(path, "cannot write", errno);
                return;
            }
            // It became a regular file meanwhile: replace it like one.
            ::close(fd);
        }
    }
    Replace(path, produce);
}

void ecSafeWriter::WriteText(const std::string& path, const std::string& text)
{
    Write(path, [&](std::ostream& out) { out << text; });
}

int ecSafeWriter::CreateTemporary(const std::string& dir, const std::string& name, std::string& temporary,
                                  const std::function<std::uint64_t()>& random)
{
    // Room for the suffix within the longest file name.
    const std::string stem = "." + name.substr(0, 200) + ".tmp";
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
        temporary = Join(dir, stem + suffix);
        SignalBlock block;
        const int fd = ::open(temporary.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (Register(temporary))
                return fd;
            ::close(fd);
            ::unlink(temporary.c_str());
            throw ecWriteError(temporary, "cannot create a temporary file", ENAMETOOLONG);
        }
        if (errno != EEXIST)
            throw ecWriteError(temporary, "cannot create a temporary file", errno);
    }
    throw ecWriteError(Join(dir, name), "cannot find a free temporary name", EEXIST);
}

void ecSafeWriter::ForgetTemporary(const std::string& temporary)
{
    std::lock_guard<std::mutex> lock(g_registryMutex);
    for (Slot& slot : g_slots) {
        if (slot.state.load() == kLive && temporary == slot.path) {
            slot.state.store(kFree);
            return;
        }
    }
}

void ecSafeWriter::RemoveLiveTemporaries()
{
    char path[kPathBytes];
    for (Slot& slot : g_slots) {
        if (slot.state.load() != kLive)
            continue;
        const unsigned sequence = slot.sequence.load();
        std::size_t i = 0;
        for (; i + 1 < kPathBytes && slot.path[i] != '\0'; ++i)
            path[i] = slot.path[i];
        path[i] = '\0';
        if (slot.state.load() == kLive && slot.sequence.load() == sequence)
            ::unlink(path);
    }
}

void ecSafeWriter::RemoveTemporariesOnSignals()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old;
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = RemoveAndDie;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    }
}
