// SPDX-License-Identifier: GPL-3.0-or-later
// _qq.wav and 9_fmsig.h: their exact bytes, and what a failed write leaves behind.

#include "SignalTestSupport.h"
#include "support/TempFolder.h"

#include "frame/FrameBuild.h"
#include "shared/AtomicFile.h"
#include "shared/FolderLock.h"
#include "signal/WavFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>

#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvel {
namespace {

using testing::ProgramRun;
using testing::readFile;
using testing::TempFolder;
using testing::uniformFrame;
using testing::wavSample;

const std::set<std::string> kBothFiles = {"_qq.wav", "9_fmsig.h"};

std::vector<std::string> splitCrLf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

// Lowers the size any file of this process may grow to, so that a write fails part way
// as on a full disk. SIGXFSZ is left at its default action: the writer must not die of it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_ {};
};

TEST(SignalWav, HeaderIsFixed)
{
    const std::array<std::uint8_t, 44> expected = {'R', 'I', 'F', 'F', 0x84, 0x67, 0x02, 0x00, 'W', 'A', 'V',
        'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0, 0x80, 0x3E, 0, 0, 0x00, 0x7D, 0, 0, 2, 0, 16, 0,
        'd', 'a', 't', 'a', 0x60, 0x67, 0x02, 0x00};
    EXPECT_EQ(wavHeader(), expected); // 157572, 16000, 32000, 157536
}

TEST(SignalWav, FirstDefaultSendWritesTheExactFiles)
{
    TempFolder dir;
    ProgramRun run;
    run.shared.frame = buildFrame(FrameParameters {});
    EXPECT_EQ(WriteRiff(run.ctx, dir.path()), 62100);
    EXPECT_EQ(dir.names(), kBothFiles);

    const std::string wav = readFile(dir / "_qq.wav");
    ASSERT_EQ(wav.size(), 157580U);
    const auto header = wavHeader();
    EXPECT_EQ(wav.substr(0, 44), std::string(header.begin(), header.end()));
    // The samples are the generator's own (SignalGeneratorTests), zeros behind them.
    for (std::size_t i = 0; i < 62100; ++i)
        ASSERT_EQ(wavSample(wav, i), run.shared.samples[i]) << i;
    for (std::size_t i = 62100; i < 78768; ++i)
        ASSERT_EQ(wavSample(wav, i), 0) << i;

    const std::string table = readFile(dir / "9_fmsig.h");
    EXPECT_EQ(table.size(), 42020U);
    const auto lines = splitCrLf(table);
    ASSERT_EQ(lines.size(), 514U);
    EXPECT_EQ(lines[0], "const signed char FM[8*64*16] = {");
    EXPECT_EQ(lines[1], "  53,  26,  -1, -29, -55, -78, -97,-109,-116,-116,-109, -95, -76, -53, -27,   0,");
    for (std::size_t r = 1; r <= 511; ++r)
        ASSERT_EQ(lines[r].size(), 80U) << "row " << r;
    EXPECT_EQ(lines[512].size(), 79U);
    EXPECT_NE(lines[512].back(), ',');
    EXPECT_EQ(lines[513], "};");
    EXPECT_EQ(table.find('\n'), table.find("\r\n") + 1) << "every line ends in CR LF";
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), std::count(table.begin(), table.end(), '\r'));

    // Behind -78 and the first -109 lie -20103 and -28146: truncated, not floored.
    EXPECT_EQ(run.shared.samples[15936 + 5], -20103);
    EXPECT_EQ(run.shared.samples[15936 + 7], -28146);
}

TEST(SignalWav, TableValuesTruncateTowardZero)
{
    EXPECT_EQ(fmSigValue(-20103), -78);
    EXPECT_EQ(fmSigValue(-28146), -109);
    EXPECT_EQ(fmSigValue(-300), -1);
    EXPECT_EQ(fmSigValue(-200), 0);
    EXPECT_EQ(fmSigValue(-255), 0);
    EXPECT_EQ(fmSigValue(-256), -1);
    EXPECT_EQ(fmSigValue(255), 0);
    EXPECT_EQ(fmSigValue(30000), 117);
    EXPECT_EQ(fmSigValue(-30000), -117);

    // The widest value fills its field exactly; the table's last value has no comma.
    std::vector<std::int16_t> samples(kSampleBufferSize, 0);
    samples[15936] = -30000;
    samples[15936 + 8191] = 30000;
    const auto lines = splitCrLf(fmSigText(samples));
    EXPECT_EQ(lines[1].substr(0, 10), "-117,   0,");
    EXPECT_EQ(lines[512].substr(lines[512].size() - 9), "   0, 117");
    EXPECT_THROW(fmSigText(std::vector<std::int16_t>(24127, 0)), std::invalid_argument);
}

// A file depends only on the frame and the generator state: samples that a longer,
// earlier signal left in the buffer (which keeps them) never reach _qq.wav.
TEST(SignalWav, NothingBehindTheSignalReachesTheFile)
{
    TempFolder dir;
    ProgramRun run;
    run.shared.frame = uniformFrame(0x00);
    const std::int32_t n1 = WriteRiff(run.ctx, dir.path());
    ASSERT_EQ(n1, 62496);
    const GeneratorState stateAfterFirst = run.generator;

    run.shared.frame = uniformFrame(0xFF);
    const std::int32_t n2 = WriteRiff(run.ctx, dir.path());
    ASSERT_EQ(n2, 60704);
    ASSERT_TRUE(std::any_of(run.shared.samples.begin() + n2, run.shared.samples.begin() + n1, [](auto v) {
        return v != 0;
    })) << "the buffer still holds the first signal's end";
    const std::string second = readFile(dir / "_qq.wav");
    for (std::size_t i = static_cast<std::size_t>(n2); i < 78768; ++i)
        ASSERT_EQ(wavSample(second, i), 0) << i;

    // The same frame from the same generator state in a program that never sent the
    // longer signal gives the same bytes.
    TempFolder fresh;
    ProgramRun other;
    other.generator = stateAfterFirst;
    other.shared.frame = uniformFrame(0xFF);
    WriteRiff(other.ctx, fresh.path());
    EXPECT_EQ(readFile(fresh / "_qq.wav"), second);
    EXPECT_EQ(readFile(fresh / "9_fmsig.h"), readFile(dir / "9_fmsig.h"));
}

TEST(SignalWav, DataChunkNeverReadsPastTheBuffer)
{
    TempFolder dir;
    const std::vector<std::int16_t> few = {1, -2, 3};
    for (std::int32_t n : {62100, -5}) {
        AtomicFile file(dir / "data");
        writeWavData(file, few, n);
        file.commit();
        const std::string data = readFile(dir / "data");
        ASSERT_EQ(data.size(), 157536U);
        const std::string expectedStart
            = n > 0 ? std::string("\x01\x00\xFE\xFF\x03\x00", 6) : std::string(6, '\0');
        EXPECT_EQ(data.substr(0, 6), expectedStart);
        EXPECT_EQ(data.find_first_not_of('\0', 6), std::string::npos);
    }
}

TEST(SignalWav, BytesInMemoryAreTheBytesOfTheFiles)
{
    TempFolder dir;
    ProgramRun run;
    run.shared.frame = buildFrame(FrameParameters {});
    const std::int32_t n = WriteRiff(run.ctx, dir.path());
    const std::vector<std::uint8_t> wav = wavFileBytes(run.shared.samples, n);
    EXPECT_EQ(std::string(wav.begin(), wav.end()), readFile(dir / "_qq.wav"));
    EXPECT_EQ(fmSigText(run.shared.samples), readFile(dir / "9_fmsig.h"));
}

void expectUntouched(const GeneratorState& g, const GeneratorState& before)
{
    EXPECT_EQ(g.sampleCount, before.sampleCount);
    EXPECT_EQ(g.phase, before.phase);
    EXPECT_EQ(g.filtrState, before.filtrState);
    EXPECT_EQ(g.filteredPhase, before.filteredPhase);
}

TEST(SignalWavFailure, MissingFolderStopsTheSendBeforeTheGenerator)
{
    TempFolder dir;
    ProgramRun run;
    run.send(buildFrame(FrameParameters {}));
    const GeneratorState before = run.generator;
    const SampleBuffer samplesBefore = run.shared.samples;
    const auto missing = dir.path() / "gone";
    try {
        WriteRiff(run.ctx, missing);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
            "Cannot create file \"" + (missing / "_qq.wav").string() + "\". No such file or directory");
        EXPECT_EQ(e.errorNumber(), ENOENT);
    }
    expectUntouched(run.generator, before);
    EXPECT_EQ(run.shared.samples, samplesBefore);
    EXPECT_TRUE(dir.names().empty());
}

TEST(SignalWavFailure, ErrorNamesTheFullPath)
{
    const auto relative = std::filesystem::path("no-such-folder-here") / ".." / "nor-here" / "_qq.wav";
    const FileError e(relative, ENOENT);
    const auto expected = (std::filesystem::current_path() / "nor-here" / "_qq.wav").string();
    EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + expected + "\". No such file or directory");
}

TEST(SignalWavFailure, FolderInPlaceOfTheWavStopsTheSendBeforeTheGenerator)
{
    TempFolder dir;
    std::filesystem::create_directory(dir / "_qq.wav");
    ProgramRun run;
    run.shared.frame = buildFrame(FrameParameters {});
    const GeneratorState before = run.generator;
    try {
        WriteRiff(run.ctx, dir.path());
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
            "Cannot create file \"" + (dir / "_qq.wav").string() + "\". " + std::strerror(EISDIR));
    }
    expectUntouched(run.generator, before);
    EXPECT_EQ(dir.names(), std::set<std::string> {"_qq.wav"});
}

// The table cannot be written: the send is abandoned and the previous _qq.wav stays.
TEST(SignalWavFailure, TableFailureKeepsThePreviousWav)
{
    TempFolder dir;
    ProgramRun run;
    run.shared.frame = buildFrame(FrameParameters {});
    WriteRiff(run.ctx, dir.path());
    const std::string previousWav = readFile(dir / "_qq.wav");

    std::filesystem::remove(dir / "9_fmsig.h");
    std::filesystem::create_directory(dir / "9_fmsig.h");
    try {
        WriteRiff(run.ctx, dir.path());
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
            "Cannot create file \"" + (dir / "9_fmsig.h").string() + "\". " + std::strerror(EISDIR));
    }
    EXPECT_EQ(readFile(dir / "_qq.wav"), previousWav);
    EXPECT_EQ(dir.names(), kBothFiles) << "no temporary file is left";
}

// A write that fails part way (here: the file size limit, as a full disk would) leaves
// both previous files whole and no temporary file.
TEST(SignalWavFailure, FailedWriteKeepsThePreviousFiles)
{
    TempFolder dir;
    ProgramRun run;
    run.shared.frame = buildFrame(FrameParameters {});
    WriteRiff(run.ctx, dir.path());
    const std::string previousWav = readFile(dir / "_qq.wav");
    const std::string previousTable = readFile(dir / "9_fmsig.h");

    for (rlim_t limit : {rlim_t {20}, rlim_t {100'000}}) { // inside the header, inside the samples
        SCOPED_TRACE(limit);
        const GeneratorState before = run.generator;
        {
            FileSizeLimit small(limit);
            try {
                WriteRiff(run.ctx, dir.path());
                ADD_FAILURE() << "no error";
            } catch (const FileError& e) {
                EXPECT_EQ(std::string(e.what()),
                    "Cannot create file \"" + (dir / "_qq.wav").string() + "\". " + std::strerror(EFBIG));
            }
        }
        if (limit < 44)
            expectUntouched(run.generator, before);
        EXPECT_EQ(readFile(dir / "_qq.wav"), previousWav);
        EXPECT_EQ(readFile(dir / "9_fmsig.h"), previousTable);
        EXPECT_EQ(dir.names(), kBothFiles);
    }

    // Nothing was stuck: the next send replaces both.
    WriteRiff(run.ctx, dir.path());
    EXPECT_NE(readFile(dir / "_qq.wav"), previousWav);
    EXPECT_EQ(readFile(dir / "_qq.wav").size(), 157580U);
    EXPECT_EQ(dir.names(), kBothFiles);
}

// The two files go in place in the order they are written: _qq.wav, then the table.
TEST(SignalWavFiles, FilesGoInPlaceSoundFirst)
{
    TempFolder dir;
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, dir.path().c_str(), IN_MOVED_TO | IN_CREATE), 0);
    ProgramRun run;
    run.shared.frame = buildFrame(FrameParameters {});
    WriteRiff(run.ctx, dir.path());

    std::vector<std::string> arrived;
    alignas(inotify_event) char events[4096];
    const ssize_t length = ::read(watch, events, sizeof events);
    for (ssize_t at = 0; at < length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        if ((event->mask & IN_MOVED_TO) != 0)
            arrived.emplace_back(event->name);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    ::close(watch);
    EXPECT_EQ(arrived, (std::vector<std::string> {"_qq.wav", "9_fmsig.h"}));
}

// The table of _qq.wav's own samples: true when both files come from the same send.
bool filesAgree(const std::string& wav, const std::string& table)
{
    if (wav.size() != kWavFileSize)
        return false;
    std::vector<std::int16_t> samples(kFmSigFirstSample + kFmSigValueCount);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = wavSample(wav, i);
    return fmSigText(samples) == table;
}

// Sends from two processes into one folder take turns: whenever no send is under way, the
// folder holds the two files of one send.
TEST(SignalWavFiles, ConcurrentSendsLeaveTheFilesOfOneSend)
{
    TempFolder dir;
    constexpr int kSendsEach = 25;
    std::vector<pid_t> writers;
    for (const std::uint8_t fill : {std::uint8_t {0x00}, std::uint8_t {0xFF}}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ProgramRun run;
            run.shared.frame = uniformFrame(fill);
            for (int i = 0; i < kSendsEach; ++i)
                WriteRiff(run.ctx, dir.path());
            ::_exit(0);
        }
        writers.push_back(pid);
    }
    int looks = 0;
    int disagreements = 0;
    for (bool running = true; running;) {
        {
            const FolderLock between(dir.path()); // as a send would, so never in the middle of one
            const std::string wav = readFile(dir / "_qq.wav");
            const std::string table = readFile(dir / "9_fmsig.h");
            if (!wav.empty() || !table.empty()) {
                ++looks;
                disagreements += filesAgree(wav, table) ? 0 : 1;
            }
        }
        running = false;
        for (const pid_t pid : writers)
            running = running || ::waitpid(pid, nullptr, WNOHANG) == 0;
    }
    EXPECT_EQ(disagreements, 0) << "in " << looks << " looks";
    EXPECT_TRUE(filesAgree(readFile(dir / "_qq.wav"), readFile(dir / "9_fmsig.h")));
    EXPECT_EQ(dir.names(), kBothFiles);
}

// A send killed with SIGKILL where unnamed files are not available leaves hidden files; the
// next send into the folder removes them.
TEST(SignalWavFiles, NextSendRemovesWhatAKilledSendLeft)
{
    TempFolder dir;
    for (const char* left : {"._qq.wav.0badf00d.tmp", ".9_fmsig.h.12345678.tmp"}) {
        std::ofstream(dir / left) << "half";
    }
    ProgramRun run;
    run.shared.frame = buildFrame(FrameParameters {});
    WriteRiff(run.ctx, dir.path());
    EXPECT_EQ(dir.names(), kBothFiles);
}

} // namespace
} // namespace tarvel
