// Runs the built ecbin under injected write faults: a file-size limit, a full
// and a read-only file system, links, FIFOs and devices as outputs, outputs
// named like inputs, and signals in the middle of a write. Every case checks
// the exit status, the message, that final names hold their old or their
// complete new content, and that no temporary file is left.
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>

#include "cli_test_support.h"

using namespace clitest;

namespace {

// A BIDS table of many "beep" events, 100 per second at --rate 100.
std::string BigTable(int events)
{
    std::string text = "onset\tduration\ttrial_type\n";
    char line[64];
    for (int i = 0; i < events; ++i) {
        std::snprintf(line, sizeof line, "%d.%02d\t0\tbeep\n", i / 100, i % 100);
        text += line;
    }
    return text;
}

bool IsDocument(const std::string& text)
{
    const std::string end = "</KOVA_Event_List>\n";
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class EcbinFaults : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it)
            EXPECT_EQ(std::system(("umount " + Quote(*it)).c_str()), 0) << *it;
    }

    // Mounts a small tmpfs at folder; false when this system does not let
    // the test make one.
    bool Mount(const std::string& folder, const std::string& options)
    {
        fs::create_directories(folder);
        if (std::system(("mount -t tmpfs -o " + options + " tmpfs " + Quote(folder) + " 2>/dev/null").c_str()) != 0)
            return false;
        m_mounts.push_back(folder);
        return true;
    }

    // The run's message, one line naming the file and the system's reason.
    static void ExpectOneLine(const Ran& r, const std::string& message)
    {
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_FALSE(r.crashed);
        EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
        EXPECT_TRUE(Contains(r.err, message));
    }

    // Declared first so the folder outlives the mounts inside it.
    Scratch s;
    std::vector<std::string> m_mounts;
};

} // namespace

TEST_F(EcbinFaults, FileSizeLimitFullAndReadOnlyFileSystems)
{
    WriteText(s / "big.tsv", BigTable(20000));
    struct Case {
        const char* what;
        const char* folder;
        const char* mount;  // "" for none
        bool readOnly;      // remounted read-only after the old file is in
        const char* prefix; // before the program in the shell
        const char* reason;
    };
    const Case cases[] = {
        {"file-size limit", "limit", "", false, "ulimit -f 64; exec ", "File too large"},
        {"full disk", "full", "size=64k", false, "", "No space left on device"},
        {"read-only folder", "ro", "size=1m", true, "", "Read-only file system"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = s / c.folder;
        if (*c.mount && !Mount(folder, c.mount)) {
            std::cout << "[  SKIPPED ] " << c.what << ": cannot mount a tmpfs here\n";
            continue;
        }
        fs::create_directories(folder);
        WriteText(folder + "/out.evt", "old");
        if (c.readOnly && std::system(("mount -o remount,ro " + Quote(folder) + " 2>/dev/null").c_str()) != 0) {
            std::cout << "[  SKIPPED ] " << c.what << ": cannot make the folder read-only\n";
            continue;
        }
        Ran r = Ecbin({"convert", s / "big.tsv", folder + "/out.evt", "--rate", "100"}, c.prefix);
        ExpectOneLine(r, folder + "/out.evt: ");
        EXPECT_TRUE(Contains(r.err, c.reason));
        EXPECT_EQ(ReadText(folder + "/out.evt"), "old");
        EXPECT_EQ(Names(folder), std::vector<std::string>{"out.evt"});
    }
}

TEST_F(EcbinFaults, BatchSummarySaysWhichRecordingsLostTheirWrites)
{
    if (!Mount(s / "full", "size=64k"))
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    s.Write({{"ds/dataset_description.json", "{\"Name\": \"full\", \"BIDSVersion\": \"1.8.0\"}"},
             {"ds/task-beep_eeg.json", "{\"SamplingFrequency\": 100}"},
             {"ds/sub-01/eeg/sub-01_task-beep_events.tsv", BigTable(3)},
             {"ds/sub-02/eeg/sub-02_task-beep_events.tsv", BigTable(2000)},
             {"bins.xml", BinResults("beep", "Beep")}});
    Ran r = Ecbin({"run", s / "ds", "--bins", s / "bins.xml", "-o", s / "full/out", "--summary", s / "summary.tsv",
                   "-j", "1"});
    ExpectOneLine(r, s / "full/out/sub-02/eeg/sub-02_task-beep_Beep.evt: cannot write (No space left on device)");
    EXPECT_TRUE(Contains(r.out, "1 of 2 recordings done, 1 failed"));
    const std::vector<std::string> rows = Lines(ReadText(s / "summary.tsv"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(Contains(rows[1], "sub-01_task-beep_events.tsv\t01\tbeep\tBeep\tStim\t3\t0\t"));
    EXPECT_EQ(rows[1].back(), '\t');
    EXPECT_TRUE(Contains(rows[2], "sub-02_task-beep_events.tsv\t02\tbeep\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\t/"));
    EXPECT_TRUE(Contains(rows[2], "No space left on device"));
    EXPECT_TRUE(IsDocument(ReadText(s / "full/out/sub-01/eeg/sub-01_task-beep_Beep.evt")));
    EXPECT_EQ(Names(s / "full/out/sub-02/eeg"), std::vector<std::string>{});
}

TEST_F(EcbinFaults, LinksDevicesFifosAndStandardOutputAreNotReplaced)
{
    const std::string events = Sample(kSampleEvents);
    ASSERT_EQ(Ecbin({"convert", events, s / "reference.evt"}).status, 0);
    const std::string reference = ReadText(s / "reference.evt");
    ASSERT_TRUE(IsDocument(reference));

    // A link at the output name: the link is replaced, what it points at kept.
    WriteText(s / "victim", "precious");
    fs::create_symlink(s / "victim", s / "link.evt");
    Ran r = Ecbin({"convert", events, s / "link.evt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(s / "victim"), "precious");
    EXPECT_FALSE(fs::is_symlink(s / "link.evt"));
    EXPECT_EQ(ReadText(s / "link.evt"), reference);

    // Devices: written in place, errors reported.
    r = Ecbin({"convert", events, "/dev/null"});
    EXPECT_EQ(r.status, 0) << r.err;
    r = Ecbin({"compile", Sample("/oddball_binlist.xml"), "-o", "/dev/full"});
    ExpectOneLine(r, "/dev/full: cannot write (No space left on device)");
    for (const char* device : {"/dev/null", "/dev/full"}) {
        struct stat st;
        ASSERT_EQ(::stat(device, &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << device;
    }

    // Standard output, by "-" and by name: the document alone on stdout.
    for (const char* out : {"-", "/dev/stdout"}) {
        r = Ecbin({"convert", events, out});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, reference) << out;
        EXPECT_TRUE(Contains(r.err, std::string("-> ") + out));
    }

    // A FIFO: its reader gets the whole document and the FIFO stays.
    ASSERT_EQ(::mkfifo((s / "fifo").c_str(), 0600), 0);
    const int reader = ::open((s / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::atomic<bool> done{false};
    Ran fifoRun;
    std::thread writer([&] {
        fifoRun = Ecbin({"convert", events, s / "fifo"});
        done = true;
    });
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{reader, POLLIN, 0};
        ::poll(&p, 1, 50);
        char buffer[65536];
        const ssize_t n = ::read(reader, buffer, sizeof buffer);
        if (n > 0)
            received.append(buffer, static_cast<size_t>(n));
        else if (done)
            break;
    }
    writer.join();
    ::close(reader);
    EXPECT_EQ(fifoRun.status, 0) << fifoRun.err;
    EXPECT_EQ(received, reference);
    EXPECT_TRUE(fs::is_fifo(s / "fifo"));
    EXPECT_EQ(Names(s.Path()), (std::vector<std::string>{"fifo", "link.evt", "reference.evt", "victim"}));
}

TEST_F(EcbinFaults, OutputsNamedLikeInputsOrLikeEachOtherAreRefusedFirst)
{
    const std::string sidecar = s / "ds/sub-01/eeg/sub-01_task-beep_eeg.json";
    const std::string events = s / "ds/sub-01/eeg/sub-01_task-beep_events.tsv";
    s.Write({{"ds/sub-01/eeg/sub-01_task-beep_eeg.json", "{\"SamplingFrequency\": 100}"},
             {"ds/sub-01/eeg/sub-01_task-beep_events.tsv", BigTable(3)},
             {"bins.xml", BinResults("beep", "Beep")}});
    const std::string tags = ReadText(Sample("/oddball_bindesc.xml"));
    WriteText(s / "tags.xml", tags);
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"run", events, "--bins", s / "bins.xml", "-o", s / "out/rec", "--summary", sidecar},
         sidecar + ": refusing to overwrite an input file"},
        {{"convert", events, s / "ds/sub-01/eeg/../eeg/sub-01_task-beep_eeg.json"}, "refusing to overwrite an input file"},
        {{"tag", Sample(kSampleEvents), s / "tags.xml", "-o", s / "tags.xml"}, "refusing to overwrite an input file"},
        {{"run", events, "--bins", s / "bins.xml", "-o", s / "out/rec", "--summary", s / "out/./rec_Beep.evt"},
         "refusing to write the summary among the bin files of " + events},
    };
    for (const Case& c : cases) {
        Ran r = Ecbin(c.args);
        ExpectOneLine(r, c.message);
        EXPECT_EQ(ReadText(sidecar), "{\"SamplingFrequency\": 100}");
        EXPECT_EQ(ReadText(s / "bins.xml"), BinResults("beep", "Beep"));
        EXPECT_EQ(ReadText(s / "tags.xml"), tags);
        EXPECT_FALSE(fs::exists(s / "out")) << "nothing is written by a refused run";
    }
}

TEST_F(EcbinFaults, SignalsInTheMiddleOfAWriteLeaveNoTemporaryFile)
{
    WriteText(s / "big.tsv", BigTable(100000));
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        WriteText(s / "out.evt", "old");
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::signal(SIGINT, SIG_DFL);
            ::signal(SIGTERM, SIG_DFL);
            ::execl(ECBIN_PATH, "ecbin", "convert", (s / "big.tsv").c_str(), (s / "out.evt").c_str(), "--rate", "100",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // The signal goes out as soon as the temporary file shows.
        bool sent = false;
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            if (::waitpid(pid, &status, WNOHANG) == pid)
                break;
            for (const std::string& name : Names(s.Path()))
                sent = sent || (name[0] == '.' && ::kill(pid, signal) == 0);
            if (sent) {
                ::waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(sent) << "the write ended before the signal could reach it";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        const std::string content = ReadText(s / "out.evt");
        EXPECT_TRUE(content == "old" || IsDocument(content)) << content.substr(0, 100);
        EXPECT_EQ(Names(s.Path()), (std::vector<std::string>{"big.tsv", "out.evt"}));
    }
}
