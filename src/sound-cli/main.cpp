// tarvel-sound: the playing commands of `tarvel`, which runs this program for them.

#include "sound-cli/SoundCli.h"

#include <QCoreApplication>

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
    return tarvel::cli::runSoundCli(args, std::cout, std::cerr, isatty(STDOUT_FILENO) == 1);
}
