// tarvel-sound: the playing commands of `tarvel`, which runs this program for them.

#include "sound-cli/SoundCli.h"

#include <QCoreApplication>

#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    // The Qt application object is needed by the sound devices; it takes no options here.
    int qtArgc = 1;
    QCoreApplication application(qtArgc, argv);
    return tarvel::cli::runSoundCli(args, std::cout, std::cerr, isatty(STDOUT_FILENO) == 1);
}
