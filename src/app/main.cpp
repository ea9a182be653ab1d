// tarvel-programmer: the window. Start-up runs in a fixed order: the program-wide values,
// the application object, the main window with its FormCreate, the hidden second form,
// then the event loop until the window is closed or the exit button is pressed.

#include "BuildVersion.h"
#include "app/DisplayCheck.h"
#include "app/ProgramState.h"
#include "app/QtTranslation.h"
#include "app/MainWindow.h"
#include "app/HiddenSecondForm.h"
#include "app/WorkingFolder.h"
#include "shared/VersionText.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kExitNoDisplay = 3;

const char* const kHelp
    = "Usage: tarvel-programmer [tq]\n"
      "\n"
      "The window of the Tarvel programmer: set the interface's parameters on the page\n"
      "\"Программатор\", press \"сформировать\" and then \"выдать\" to send them as sound.\n"
      "\n"
      "  tq          as the first argument: the debug layout with the diagnostic panels;\n"
      "              any other first argument, or none, gives the normal layout\n"
      "  --help      as the first argument: show this help\n"
      "  --version   as the first argument: show the version\n"
      "Later arguments are ignored, Qt's own options (-style, -platform ...) included: set\n"
      "QT_QPA_PLATFORM or QT_STYLE_OVERRIDE in the environment instead.\n"
      "\n"
      "The window reads help1.rtf, help2.rtf and help3.rtf from the folder it is started in\n"
      "and writes _qq.wav and 9_fmsig.h there. With TARVEL_USER_FOLDER=1 in the environment\n"
      "(the desktop menu entry sets it) it works in $XDG_DATA_HOME/tarvel, by default\n"
      "~/.local/share/tarvel, which it creates on first start with the help files it ships.\n";

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

// TARVEL_QUIT_AFTER_SHOWN=1 (for the start-up benchmark only): end with status 0 as soon
// as the main window has been painted for the first time.
class QuitAfterFirstPaint final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !quitting_) {
            quitting_ = true;
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool quitting_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    // Only these two exact first arguments are taken here; every other one keeps its
    // meaning ("tq" the debug layout, anything else the normal layout).
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0)
        return printAndExit(
            tarvel::versionLine("tarvel-programmer", tarvel::kVersion, tarvel::kRevision) + "\n");
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0)
        return printAndExit(kHelp);

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
    tarvel::installQtRussianTranslation(application);
    // The Windows style puts the group captions on the frame line, with the check boxes that
    // sit there beside them, where the window's layout places them; unless the user picked
    // a style.
    if (qEnvironmentVariableIsEmpty("QT_STYLE_OVERRIDE"))
        QApplication::setStyle(QStringLiteral("Windows"));

    // Started from the menu: work in the user's own folder, never in the home folder itself.
    if (qEnvironmentVariable("TARVEL_USER_FOLDER") == QStringLiteral("1")) {
        const auto folder = tarvel::perUserFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
        tarvel::PreparedFolder prepared;
        if (folder.empty())
            prepared.error = "neither XDG_DATA_HOME nor HOME names an absolute folder";
        else
            prepared = tarvel::prepareWorkingFolder(
                folder, tarvel::shippedHelpFolder(QCoreApplication::applicationDirPath().toStdString()));
        if (prepared.error.empty() && !QDir::setCurrent(QString::fromStdString(folder.string())))
            prepared.error = "cannot enter the folder " + folder.string();
        if (!prepared.error.empty()) {
            std::fprintf(stderr, "tarvel-programmer: %s\n", prepared.error.c_str());
            QMessageBox::critical(nullptr, QStringLiteral("tarvel-programmer"),
                QStringLiteral("Не удалось подготовить рабочую папку:\n")
                    + QString::fromStdString(prepared.error));
            return 1;
        }
    }

    tarvel::TForm1 form1(state, {arguments, QDir::currentPath()});
    QuitAfterFirstPaint quitAfterShown;
    if (qEnvironmentVariableIntValue("TARVEL_QUIT_AFTER_SHOWN") == 1)
        form1.installEventFilter(&quitAfterShown);
    // TARVEL_START_PAGE=N (for the screenshots only): show page N of PageControl1 first.
    bool pageGiven = false;
    const int startPage = qEnvironmentVariableIntValue("TARVEL_START_PAGE", &pageGiven);
    if (pageGiven)
        form1.showPage(startPage);
    form1.centreOnScreen();
    form1.show();
    // TARVEL_TEST_SEND=stay or =quit (for the end-to-end sound test and the screenshots
    // only): once the event loop runs, press "сформировать" and then "выдать"; with "quit",
    // end with status 0 as soon as the send has returned.
    const QByteArray testSend = qgetenv("TARVEL_TEST_SEND");
    if (testSend == "stay" || testSend == "quit") {
        QTimer::singleShot(0, &form1, [&form1, testSend] {
            form1.Button_FormFileClick();
            form1.Button_OutClick();
            if (testSend == "quit")
                QCoreApplication::exit(0);
        });
    }

    tarvel::TForm2 form2; // stays hidden

    return QApplication::exec();
}
