// SPDX-License-Identifier: GPL-3.0-or-later
// A sound server that takes the connection and never answers (what a server stopped with
// SIGSTOP looks like), and one that is not there: every question to it comes back, and says why.

#include "audio/SoundDevices.h"
#include "audio/SoundRecorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarvel {
namespace {

using Clock = std::chrono::steady_clock;

// A listening socket nobody accepts on: the kernel completes connections, nothing replies.
class SilentServer {
public:
    SilentServer()
            : path_(std::filesystem::temp_directory_path() / ("tarvel-silent-" + std::to_string(getpid())))
    {
        std::filesystem::remove(path_);
        fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        path_.string().copy(address.sun_path, sizeof address.sun_path - 1);
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(listen(fd_, 16), 0);
        setenv("PULSE_SERVER", ("unix:" + path_.string()).c_str(), 1);
    }
    ~SilentServer()
    {
        unsetenv("PULSE_SERVER");
        close(fd_);
        std::filesystem::remove(path_);
    }

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(SilentServer, TheDeviceListGivesUpAtItsLimitAndAMissingServerAnswersEmpty)
{
    {
        const SilentServer server;
        const auto start = Clock::now();
        const SoundDeviceList list = listSoundDevices(std::chrono::milliseconds(300));
        EXPECT_FALSE(list.answered);
        EXPECT_LT(secondsSince(start), 5.0) << "the limit was not kept: a hang";
    }
    setenv("PULSE_SERVER", "unix:/nonexistent/tarvel-no-server", 1);
    const SoundDeviceList none = listSoundDevices(std::chrono::milliseconds(300));
    unsetenv("PULSE_SERVER");
    EXPECT_TRUE(none.answered);
    EXPECT_TRUE(none.outputs.isEmpty());
    EXPECT_TRUE(none.inputs.isEmpty());
}

TEST(SilentServer, TheRecorderGivesUpOpeningAndNamesTheSource)
{
    const SilentServer server;
    SoundRecorder recorder;
    const auto start = Clock::now();
    EXPECT_FALSE(recorder.start("out.monitor"));
    EXPECT_LT(secondsSince(start), 15.0) << "the limit was not kept: a hang";
    EXPECT_EQ(recorder.error(), "the sound server did not open a recording of 'out.monitor' within 3 s");
    EXPECT_TRUE(recorder.stop().empty());
}

} // namespace
} // namespace tarvel
