// SPDX-License-Identifier: GPL-3.0-or-later
// tarvel-programmer: the window. Start-up runs in a fixed order: the program-wide values,
// the application object, the main window with its FormCreate, the hidden second form,
// then the event loop until the window is closed or the exit button is pressed.

#include "BuildVersion.h"
#include "app/DisplayCheck.h"
#include "app/HiddenSecondForm.h"
#include "app/MainWindow.h"
#include "app/ProgramState.h"
#include "app/QtTranslation.h"
#include "app/StartSwitches.h"
#include "app/WorkingFolder.h"
#include "shared/VersionText.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr int kExitNoDisplay = 3;

const char* const kHelp
    = "Usage: tarvel-programmer [tq] [--user-folder]\n"
      "\n"
      "The window of the Tarvel programmer: set the interface's parameters on the page\n"
      "\"Программатор\", press \"сформировать\" and then \"выдать\" to send them as sound.\n"
      "\n"
      "  tq          as the first argument: the debug layout with the diagnostic panels;\n"
      "              any other first argument, or none, gives the normal layout\n"
      "  --user-folder\n"
      "              anywhere among the arguments: work in the user's own folder (below);\n"
      "              the desktop menu entry starts the window so\n"
      "  --help      as the first argument: show this help\n"
      "  --version   as the first argument: show the version and the licence\n"
      "Other arguments are ignored, Qt's own options (-style, -platform ...) included: set\n"
      "QT_QPA_PLATFORM or QT_STYLE_OVERRIDE in the environment instead.\n"
      "\n"
      "The window reads help1.rtf, help2.rtf and help3.rtf from the folder it is started in\n"
      "and writes _qq.wav and 9_fmsig.h there. With --user-folder, or TARVEL_USER_FOLDER=1 in\n"
      "the environment, it works in $XDG_DATA_HOME/tarvel, by default ~/.local/share/tarvel,\n"
      "which it creates on first start with the help files it ships.\n";

// Prints `text` and ends: 0 when it arrived, 1 when it could not be written (a full disk,
// a closed pipe), as the command-line tool does.
int printAndExit(const std::string& text)
{
    const bool written
        = std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (written)
        return 0;
    std::fprintf(stderr, "tarvel-programmer: the text could not be printed\n");
    return 1;
}

// --version and --help, taken only as the exact first argument; every other one keeps its
// meaning ("tq" the debug layout, anything else the normal layout). Nothing when the
// window is to start, else the exit status.
std::optional<int> answerInformationRequest(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0)
        return printAndExit(tarvel::versionText("tarvel-programmer", tarvel::kVersion, tarvel::kRevision));
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0)
        return printAndExit(kHelp);
    return std::nullopt;
}

// --user-folder, exactly as typed and in any place, or TARVEL_USER_FOLDER=1.
bool userFolderAsked(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--user-folder") == 0)
            return true;
    }
    return qEnvironmentVariable("TARVEL_USER_FOLDER") == QStringLiteral("1");
}

// Started from the menu (--user-folder): work in the user's own folder, never in the home
// folder itself. False, said on stderr and in a message box, when it cannot be used.
bool enterUserFolder()
{
    const auto user = tarvel::perUserFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    const auto& folder = user.folder;
    tarvel::PreparedFolder prepared;
    if (folder.empty())
        prepared.error = "neither XDG_DATA_HOME nor HOME names an absolute folder";
    else
        prepared = tarvel::prepareWorkingFolder(
            user, tarvel::shippedHelpFolder(QCoreApplication::applicationDirPath().toStdString()));
    if (prepared.error.empty() && !QDir::setCurrent(QString::fromStdString(folder.string())))
        prepared.error = "cannot enter the folder " + folder.string();
    if (prepared.error.empty())
        return true;
    std::fprintf(stderr, "tarvel-programmer: %s\n", prepared.error.c_str());
    QMessageBox::critical(nullptr, QStringLiteral("tarvel-programmer"),
        QStringLiteral("Не удалось подготовить рабочую папку:\n") + QString::fromStdString(prepared.error));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (const auto status = answerInformationRequest(argc, argv))
        return *status;

    auto display = std::make_unique<tarvel::DisplayProbe>();
    if (!display->problem().empty()) {
        std::fprintf(stderr, "tarvel-programmer: %s; start it on a desktop or as: xvfb-run %s\n",
            display->problem().c_str(), argc > 0 ? argv[0] : "tarvel-programmer");
        return kExitNoDisplay;
    }

    // Only the first argument counts, exactly as typed. The toolkit sees none of them, so
    // its own options (-reverse, -style, -platform ...) cannot change the window.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    int toolkitArgc = argc > 0 ? 1 : 0;

    tarvel::ProgramState state;
    QApplication application(toolkitArgc, argv);
    display.reset();
    // The window's class on X11 and its id on Wayland, so that a dock matches the window to
    // its menu entry (StartupWMClass there) whatever name the program was started by.
    QApplication::setApplicationName(QStringLiteral("tarvel-programmer"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tarvel.Programmer"));
    const auto switches = tarvel::StartSwitches::fromEnvironment();
    tarvel::installQtRussianTranslation(application);
    // The Windows style puts the group captions on the frame line, with the check boxes that
    // sit there beside them, where the window's layout places them; unless the user picked
    // a style.
    if (qEnvironmentVariableIsEmpty("QT_STYLE_OVERRIDE"))
        QApplication::setStyle(QStringLiteral("Windows"));
    if (userFolderAsked(argc, argv) && !enterUserFolder())
        return 1;

    tarvel::TForm1 form1(state, {arguments, QDir::currentPath()});
    switches.prepare(form1);
    form1.centreOnScreen();
    form1.show();
    switches.queueTestSend(form1);

    tarvel::TForm2 form2; // stays hidden

    return QApplication::exec();
}
