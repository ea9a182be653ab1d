// SPDX-License-Identifier: GPL-3.0-or-later
// tarvel-sound: the playing commands of `tarvel`, which runs this program for them.

#include "sound-cli/SoundCli.h"

#include <QCoreApplication>

#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace {

// The sound library talks on stderr about what it meets ("Stream error: ...", a server it
// cannot reach); the commands say it themselves in one line, so only its critical messages pass.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << message.toStdString() << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("TARVEL_SOUND_DEBUG"))
        qInstallMessageHandler(quietMessages);
    const std::vector<std::string> args(argv + 1, argv + argc);
    // The Qt application object is needed by the sound devices; it takes no options here.
    int qtArgc = 1;
    QCoreApplication application(qtArgc, argv);
    const int status = tarvel::cli::runSoundCli(args, std::cout, std::cerr, isatty(STDOUT_FILENO) == 1);
    // Leave without the exit-time clean-up: the sound library's teardown of its PulseAudio
    // connection can race with that connection's own thread (still taking in an output removed
    // or a stream moved), and a playing thread given up on may still be inside the sound
    // library. Every file is closed by now; only the two streams need flushing.
    std::cout.flush();
    std::cerr.flush();
    std::_Exit(status);
}
