// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartSwitches.h"

#include "app/MainWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace tarvel {

namespace {

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

StartSwitches StartSwitches::fromEnvironment()
{
    StartSwitches switches;
    switches.quitAfterShown = qEnvironmentVariableIntValue("TARVEL_QUIT_AFTER_SHOWN") == 1;
    bool pageGiven = false;
    const int page = qEnvironmentVariableIntValue("TARVEL_START_PAGE", &pageGiven);
    if (pageGiven)
        switches.startPage = page;
    const QByteArray testSend = qgetenv("TARVEL_TEST_SEND");
    if (testSend == "stay")
        switches.testSend = TestSend::Stay;
    else if (testSend == "quit")
        switches.testSend = TestSend::Quit;
    return switches;
}

void StartSwitches::prepare(TForm1& form) const
{
    if (quitAfterShown)
        form.installEventFilter(new QuitAfterFirstPaint(&form)); // the window owns it
    if (startPage)
        form.showPage(*startPage);
}

void StartSwitches::queueTestSend(TForm1& form) const
{
    if (testSend == TestSend::None)
        return;
    const bool quit = testSend == TestSend::Quit;
    QTimer::singleShot(0, &form, [&form, quit] {
        form.sendFrame();
        if (quit)
            QCoreApplication::exit(0);
    });
}

} // namespace tarvel
