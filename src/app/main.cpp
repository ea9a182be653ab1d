// tarvel-programmer: the window. Start-up runs in a fixed order: the program-wide values,
// the application object, the main window with its FormCreate, the hidden second form,
// then the event loop until the window is closed or the exit button is pressed.

#include "app/DisplayCheck.h"
#include "app/ProgramState.h"
#include "app/QtTranslation.h"
#include "app/Unit1.h"
#include "app/Unit2.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kExitNoDisplay = 3;

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
