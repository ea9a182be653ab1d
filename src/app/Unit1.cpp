#include "app/Unit1.h"

#include "ui_Unit1.h"

#include "app/ChartSetup.h"
#include "app/FontSubstitutes.h"
#include "app/ImageLists.h"
#include "app/TitlePhoto.h"
#include "controls/RichTextView.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLineSeries>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QValueAxis>

#include <array>

namespace tarvel {

namespace {

// PageControl1: the image of each page's tab (indices into imageList2()), and the page
// whose tab is never shown.
constexpr std::array<int, 7> kTabImages = {0, 1, 2, 3, 4, 7, 6};
constexpr int kTitlePage = 0;
constexpr int kHiddenTabPage = 5; // TabSheet10

constexpr char kDebugArgument[] = "tq";
constexpr int kHelpFileCount = 3;
constexpr std::array<const char*, kHelpFileCount> kHelpFiles = {"help1.rtf", "help2.rtf", "help3.rtf"};

} // namespace

TForm1::TForm1(ProgramState& state, StartOptions options, QWidget* parent)
        : QWidget(parent), ui(new Ui::TForm1), state_(state), options_(std::move(options))
{
    installFontSubstitutes();
    ui->setupUi(this);
    setUpWindow();
    setUpCharts();
    connectHandlers();
    Timer1.setInterval(1);
    Timer2.setInterval(1);
    Timer2.start();
    FormCreate();
}

TForm1::~TForm1()
{
    delete ui;
}

void TForm1::setUpWindow()
{
    // A fixed single border: a caption, the system menu, minimise and close, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(applicationIcon());

    const QList<QIcon> icons = imageList2();
    for (int page = 0; page < static_cast<int>(kTabImages.size()); ++page)
        ui->PageControl1->setTabIcon(page, icons.value(kTabImages[static_cast<std::size_t>(page)]));
    // TabSheet10 is never shown: no tab, and the tab row's keys and wheel pass over it.
    ui->PageControl1->setTabVisible(kHiddenTabPage, false);
    ui->PageControl1->tabBar()->setTabEnabled(kHiddenTabPage, false);
    // A click on a page's tab gives that page control the focus, so that a key pressed next
    // goes to the tab row and not to the control that had the focus (the exit button first).
    for (QTabWidget* pages : findChildren<QTabWidget*>())
        pages->tabBar()->setFocusPolicy(Qt::StrongFocus);

    // A photograph that is missing or cannot be decoded leaves the panel empty.
    ui->Image2->setPixmap(fitTopLeft(loadTitlePhoto(), ui->Image2->size()));
}

void TForm1::setUpCharts()
{
    QChart* filter = attachChart(ui->Chart_Filtr);
    addLineSeries(filter, QStringLiteral("LineSeries1"), SeriesStyle::BlueCircles);
    addLineSeries(filter, QStringLiteral("LineSeries2"), SeriesStyle::RedDottedSquares);
    addValueAxes(filter);

    QChart* signal = attachChart(ui->Chart1);
    addLineSeries(signal, QStringLiteral("Series1"), SeriesStyle::RedPlain);
    addValueAxes(signal);
}

void TForm1::connectHandlers()
{
    connect(ui->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    setUpParameterControls();
    setUpSendControls();
    setUpTrainerControls();
}

void TForm1::centreOnScreen()
{
    QScreen* screen = this->screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void TForm1::showStartPage(int index)
{
    if (index >= 0 && index < ui->PageControl1->count() && ui->PageControl1->isTabVisible(index))
        ui->PageControl1->setCurrentIndex(index);
}

void TForm1::FormCreate()
{
    loadHelpFiles();
    SpinEdit_10Change();
    if (options_.arguments.value(0) == QLatin1String(kDebugArgument))
        applyDebugLayout();
    else
        applyNormalLayout();
}

void TForm1::loadHelpFiles()
{
    const std::array<RichTextView*, kHelpFileCount> views = {ui->RichEdit1, ui->RichEdit2, ui->RichEdit3};
    const QDir folder(options_.workingDirectory);
    for (std::size_t i = 0; i < kHelpFiles.size(); ++i) {
        const QString path = folder.filePath(QLatin1String(kHelpFiles[i]));
        const QFileInfo info(path);
        if (!info.exists() || info.isDir())
            continue; // the page keeps its default text
        QString reason;
        // A file that is there but unreadable is reported, and the next steps still run:
        // one bad help file must not cost the window its layout.
        if (!views[i]->loadFile(path, &reason))
            showLoadError(path, reason.isEmpty() ? QString::fromLatin1(kFailedToLoadStream) : reason);
    }
}

void TForm1::showLoadError(const QString& path, const QString& reason)
{
    // Not modal to the program: start-up carries on while the box waits to be read. It
    // opens once the event loop runs, over the window already shown and centred.
    auto* box
        = new QMessageBox(QMessageBox::Critical, windowTitle().trimmed(), reason, QMessageBox::Ok, this);
    box->setInformativeText(QDir::toNativeSeparators(path));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QTimer::singleShot(0, box, [box] { box->open(); });
}

void TForm1::applyDebugLayout()
{
    ui->Chart1->show();
    ui->GroupBox11->show();
    ui->GroupBox_MasPer->show();
    // The diagnostic panels lie right of and below the described client area; grow the
    // window until every control that is not hidden lies inside it, so they can be seen.
    QRect needed(QPoint(0, 0), minimumSize());
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && !child->isHidden())
            needed |= child->geometry();
    }
    setFixedSize(needed.right() + 1, needed.bottom() + 1);
}

void TForm1::applyNormalLayout()
{
    setFixedSize(kNormalClientSize);
    ui->PageControl1->setCurrentIndex(kTitlePage);
}

void TForm1::Button2Click()
{
    QCoreApplication::exit(0);
}

} // namespace tarvel
