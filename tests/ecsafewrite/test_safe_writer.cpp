// The durable writer on its own: what ends up under the final name, what is
// left in the folder, and which outputs a run refuses.
#include <cerrno>
#include <cstddef>
#include <iterator>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

#include "../support/test_files.h"
#include "ecsafewrite/ecOutputGuard.h"
#include "ecsafewrite/ecSafeWriter.h"

using namespace testfiles;

namespace {

mode_t Mode(const std::string& path)
{
    struct stat st;
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode;
}

std::ptrdiff_t OpenDescriptors()
{
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
}

mode_t DefaultMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

TEST(ecSafeWriter, FinalNameHoldsTheOldOrTheWholeNewContent)
{
    struct Case {
        const char* what;
        const char* old;     // nullptr: no file before
        mode_t oldMode;      // of the old file
        bool fails;          // the producer throws halfway
        mode_t expectedMode; // 0: the mode a new file gets
    };
    const Case cases[] = {
        {"new file in a folder still to make", nullptr, 0, false, 0},
        {"replaced file keeps its permissions", "old", 0640, false, 0640},
        {"failing producer leaves the old file", "old", 0600, true, 0600},
        {"failing producer leaves no new file", nullptr, 0, true, 0},
    };
    const std::ptrdiff_t open = OpenDescriptors();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scratch s;
        const std::string target = s / "sub/out.txt";
        if (c.old) {
            WriteText(target, c.old);
            ASSERT_EQ(::chmod(target.c_str(), c.oldMode), 0);
        }
        auto write = [&]() {
            ecSafeWriter::Write(target, [&](std::ostream& out) {
                out << "new ";
                if (c.fails)
                    throw std::runtime_error("stopped");
                out << "content";
            });
        };
        if (c.fails) {
            EXPECT_THROW(write(), std::runtime_error);
        } else {
            write();
        }
        const bool present = c.old || !c.fails;
        EXPECT_EQ(Names(s / "sub"), present ? std::vector<std::string>{"out.txt"} : std::vector<std::string>{});
        if (present) {
            EXPECT_EQ(ReadText(target), c.fails ? c.old : "new content");
            EXPECT_EQ(Mode(target) & 07777, c.expectedMode ? c.expectedMode : DefaultMode());
        }
    }
    EXPECT_EQ(OpenDescriptors(), open) << "a write leaves no descriptor open";
}

TEST(ecSafeWriter, DanglingLinksAreReplacedAndFoldersRefused)
{
    Scratch s;
    fs::create_symlink(s / "nowhere", s / "dangling.txt");
    ecSafeWriter::WriteText(s / "dangling.txt", "new");
    EXPECT_EQ(ReadText(s / "dangling.txt"), "new");
    EXPECT_FALSE(fs::exists(s / "nowhere"));

    fs::create_directories(s / "folder");
    try {
        ecSafeWriter::WriteText(s / "folder", "x");
        ADD_FAILURE() << "a folder was written";
    } catch (const ecWriteError& e) {
        EXPECT_TRUE(Contains(e.what(), s / "folder: is a folder"));
    }
    EXPECT_EQ(Names(s.Path()), (std::vector<std::string>{"dangling.txt", "folder"}));
}

TEST(ecSafeWriter, TakenTemporaryNamesAreNeverOpened)
{
    Scratch s;
    std::string first;
    int fd = ecSafeWriter::CreateTemporary(s.Path(), "out.txt", first, [] { return 7u; });
    ASSERT_GE(fd, 0);
    ::close(fd);
    ecSafeWriter::ForgetTemporary(first);
    // Someone plants a link where the next name would be.
    fs::remove(first);
    WriteText(s / "victim", "precious");
    fs::create_symlink(s / "victim", first);

    int draws = 0;
    std::string second;
    fd = ecSafeWriter::CreateTemporary(s.Path(), "out.txt", second, [&] { return draws++ == 0 ? 7u : 8u; });
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::write(fd, "x", 1), 1);
    ::close(fd);
    ecSafeWriter::ForgetTemporary(second);
    EXPECT_NE(second, first);
    EXPECT_EQ(draws, 2);
    EXPECT_EQ(ReadText(s / "victim"), "precious");
    EXPECT_TRUE(fs::is_symlink(first));

    // A name source that only repeats itself gives up instead of spinning.
    std::string third;
    try {
        ecSafeWriter::CreateTemporary(s.Path(), "out.txt", third, [] { return 7u; });
        ADD_FAILURE() << "a taken name was used";
    } catch (const ecWriteError& e) {
        EXPECT_EQ(e.Error(), EEXIST);
    }
}

TEST(ecOutputGuard, OutputsThatWouldReplaceInputsOrEachOther)
{
    Scratch s;
    WriteText(s / "d/in.evt", "x");
    WriteText(s / "d/other.evt", "y");
    fs::create_hard_link(s / "d/in.evt", s / "d/hard.evt");
    fs::create_symlink(s / "d/in.evt", s / "d/soft.evt");
    fs::create_directory_symlink(s / "d", s / "alias");
    // Two names of one link that points nowhere: only the link itself can tell.
    fs::create_symlink(s / "nowhere", s / "d/dangling.tsv");
    fs::create_hard_link(s / "d/dangling.tsv", s / "d/same-link.tsv");
    struct Case {
        std::string output;
        std::string refusal; // "": allowed
    };
    const Case cases[] = {
        {s / "d/in.evt", "refusing to overwrite an input file of this run"},
        {s / "d/../d/./in.evt", "refusing to overwrite an input file of this run (" + s / "d/in.evt" + ")"},
        {s / "d/hard.evt", "refusing to overwrite an input file"},
        {s / "d/soft.evt", "refusing to overwrite an input file"},
        {s / "alias/in.evt", "refusing to overwrite an input file"},
        {s / "d/other.evt", ""},
        {s / "new/a/../x.tsv", ""},
        {s / "new/x.tsv", "refusing to overwrite another output of this run (" + s / "new/a/../x.tsv" + ")"},
        {s / "alias/x.tsv", ""},
        {s / "d/x.tsv", "refusing to overwrite another output"},
        {s / "d/dangling.tsv", ""},
        {s / "d/same-link.tsv", "refusing to overwrite another output of this run (" + s / "d/dangling.tsv" + ")"},
        {"-", ""},
        {"-", ""},
        {"/dev/null", ""},
        {"/dev/null", ""},
    };
    ecOutputGuard guard;
    guard.AddInput(s / "d/in.evt");
    guard.AddInput("");
    for (const Case& c : cases) {
        try {
            guard.Claim(c.output);
            EXPECT_EQ(c.refusal, "") << c.output << " was allowed";
        } catch (const ecWriteError& e) {
            ASSERT_NE(c.refusal, "") << e.what();
            EXPECT_TRUE(Contains(e.what(), c.output + ": " + c.refusal));
        }
    }
}
