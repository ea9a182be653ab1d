// SPDX-License-Identifier: GPL-3.0-or-later
// Unit1 (TForm1): start-up, the pages' wiring and the debug layout.
#include "app/MainWindow.h"

#include "ui_MainWindow.h"

#include "app/ChartSetup.h"
#include "app/FontSubstitutes.h"
#include "app/ImageLists.h"
#include "app/TitlePhoto.h"
#include "audio/SpeakerTone.h"
#include "audio/WavPlayer.h"
#include "controls/RichTextView.h"
#include "controls/SpinEdit.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFileInfo>
#include <QLineSeries>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QValueAxis>

#include <array>
#include <initializer_list>

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

// Tabs of the inner page controls: their own font (and colour), their icons from ImageList1.
void styleInnerTabs(QTabWidget* pages, int pixelSize, const QColor& colour)
{
    QTabBar* bar = pages->tabBar();
    QFont f = bar->font();
    f.setPixelSize(pixelSize);
    f.setBold(true);
    bar->setFont(f);
    if (colour.isValid()) {
        QPalette p = bar->palette();
        p.setColor(QPalette::WindowText, colour);
        p.setColor(QPalette::ButtonText, colour);
        bar->setPalette(p);
    }
    const QList<QIcon> icons = imageList1();
    for (int i = 0; i < pages->count(); ++i)
        pages->setTabIcon(i, icons.value(i));
}

// A caption-less check box switches the fields it guards.
void setEnabledAll(std::initializer_list<QWidget*> partners, bool on)
{
    for (QWidget* w : partners)
        w->setEnabled(on);
}

} // namespace

TForm1::TForm1(ProgramState& state, StartOptions options, QWidget* parent)
        : QWidget(parent), ui(std::make_unique<Ui::TForm1>()), state_(state), options_(std::move(options)),
          soundOutput_(std::make_unique<WavPlayer>()), trainerClock_(std::make_unique<SteadyTrainerClock>()),
          toneDevice_(std::make_unique<SpeakerTone>())
{
    installFontSubstitutes();
    ui->setupUi(this);
    setUpWindow();
    setUpCharts();
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer2.setObjectName(QStringLiteral("Timer2"));
    Timer2.setInterval(1);
    Timer2.setSingleShot(true);
    connectHandlers();
    Timer2.start();
    FormCreate();
}

TForm1::~TForm1() = default;

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
    // Tab moves on from the multi-line views (the frame listing, the help texts) rather than
    // typing a tab into them, so that the keyboard can always leave them.
    for (QTextEdit* view : findChildren<QTextEdit*>())
        view->setTabChangesFocus(true);
    for (QPlainTextEdit* view : findChildren<QPlainTextEdit*>())
        view->setTabChangesFocus(true);
    styleInnerTabs(ui->PageControl_UprTx, 16, QColor());
    styleInnerTabs(ui->PageControl_SQL, 15, QColor(0x80, 0x00, 0x00)); // maroon

    // A photograph that is missing or cannot be decoded leaves the panel empty.
    ui->Image2->setPixmap(fitTopLeft(loadTitlePhoto(), ui->Image2->size()));
}

void TForm1::setUpCharts()
{
    QChart* filter = attachChart(ui->Chart_Filtr);
    filterPlot_ = addLineSeries(filter, QStringLiteral("LineSeries1"), SeriesStyle::BlueCircles);
    unusedFilterPlot_ = addLineSeries(filter, QStringLiteral("LineSeries2"), SeriesStyle::RedDottedSquares);
    addValueAxes(filter);

    QChart* signal = attachChart(ui->Chart1);
    signalPlot_ = addLineSeries(signal, QStringLiteral("Series1"), SeriesStyle::RedPlain);
    addValueAxes(signal);

    // Chart_PTT: the bottom axis starts at -2.5 and grows with the pattern; the left axis
    // shows the press level 0..1 with room around it.
    QChart* ptt = attachChart(ui->Chart_PTT);
    pttPattern_ = addLineSeries(ptt, QStringLiteral("Series2"), SeriesStyle::BlueCircles);
    pttCursor_ = addLineSeries(ptt, QStringLiteral("Series3"), SeriesStyle::RedDottedSquares);
    auto [x, y] = addValueAxes(ptt);
    x->setMin(-2.5);
    y->setRange(-0.5, 1.5);
}

void TForm1::connectHandlers()
{
    // Only a click runs the check boxes' handlers: the states at start are the form's own.
    connect(ui->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(&Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    connect(ui->CheckBox_5, &QCheckBox::clicked, this, &TForm1::CheckBox_5Click);
    connect(ui->CheckBox_6, &QCheckBox::clicked, this, &TForm1::CheckBox_6Click);
    connect(ui->CheckBox_8, &QCheckBox::clicked, this, &TForm1::CheckBox_8Click);
    connect(ui->CheckBox_9, &QCheckBox::clicked, this, &TForm1::CheckBox_9Click);
    connect(ui->CheckBox_10, &QCheckBox::clicked, this, &TForm1::CheckBox_10Click);
    connect(ui->Button_FormFile, &QPushButton::clicked, this, &TForm1::Button_FormFileClick);
    connect(ui->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(ui->SpinEdit_Alfa, &SpinEdit::changed, this, &TForm1::SpinEdit_AlfaChange);
    connect(ui->Button_Out, &QPushButton::clicked, this, &TForm1::Button_OutClick);
    connect(ui->SpinEdit_10, &SpinEdit::changed, this, &TForm1::SpinEdit_10Change);
    connect(ui->SpinEdit_11, &SpinEdit::changed, this, &TForm1::SpinEdit_10Change);
    connect(ui->SpinEdit_12, &SpinEdit::changed, this, &TForm1::SpinEdit_10Change);
    connect(ui->Button_Sound, &QPushButton::clicked, this, &TForm1::Button_SoundClick);
    connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(ui->CheckBox_Zwuk, &QCheckBox::clicked, this, &TForm1::CheckBox_ZwukClick);
}

void TForm1::setSoundOutput(std::unique_ptr<SoundOutput> output)
{
    soundOutput_ = std::move(output);
}

void TForm1::setTrainerClock(std::unique_ptr<TrainerClock> clock)
{
    trainerClock_ = std::move(clock);
}

void TForm1::setToneDevice(std::unique_ptr<ToneDevice> device)
{
    toneDevice_ = std::move(device);
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

void TForm1::showPage(int index)
{
    if (index >= 0 && index < ui->PageControl1->count() && ui->PageControl1->isTabVisible(index))
        ui->PageControl1->setCurrentIndex(index);
}

void TForm1::FormCreate()
{
    loadHelpFiles();
    redrawPttPreview();
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
    // The window's normal layout keeps the diagnostic panels right of and below its client
    // area; grow the window until every control that is not hidden lies inside it, so they can be seen.
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
    // The views and fields placed out of view take no focus: Tab must not walk into what
    // cannot be seen (nor change Alfa there). The exit button keeps its place: it holds the
    // focus at start.
    const QRect client(QPoint(0, 0), kNormalClientSize);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() || child == ui->Button2 || client.intersects(child->geometry()))
            continue;
        child->setFocusPolicy(Qt::NoFocus);
        for (QWidget* inner : child->findChildren<QWidget*>())
            inner->setFocusPolicy(Qt::NoFocus);
    }
    ui->PageControl1->setCurrentIndex(kTitlePage);
}

// The handlers: each calls the operation it stands for.

void TForm1::Button2Click()
{
    QCoreApplication::exit(0);
}

void TForm1::Timer2Timer()
{
    redrawPttPreview();
}

void TForm1::CheckBox_5Click()
{
    setEnabledAll({ui->SpinEdit_5}, ui->CheckBox_5->isChecked());
}

void TForm1::CheckBox_6Click()
{
    setEnabledAll({ui->SpinEdit_6, ui->SpinEdit_7}, ui->CheckBox_6->isChecked());
}

void TForm1::CheckBox_8Click()
{
    setEnabledAll({ui->SpinEdit_8}, ui->CheckBox_8->isChecked());
}

void TForm1::CheckBox_9Click()
{
    setEnabledAll({ui->SpinEdit_9}, ui->CheckBox_9->isChecked());
}

void TForm1::CheckBox_10Click()
{
    setEnabledAll({ui->SpinEdit_10, ui->SpinEdit_11, ui->SpinEdit_12}, ui->CheckBox_10->isChecked());
}

void TForm1::Button_FormFileClick()
{
    rebuildFrame();
}

void TForm1::Button3Click()
{
    dumpFrameBytes();
}

void TForm1::SpinEdit_AlfaChange()
{
    readAlfa();
}

void TForm1::Button_OutClick()
{
    sendFrame();
}

void TForm1::SpinEdit_10Change()
{
    redrawPttPreview();
}

void TForm1::Button_SoundClick()
{
    running_ ? stopTrainerRun() : startTrainerRun();
}

void TForm1::Timer1Timer()
{
    advanceTrainerRun();
}

void TForm1::CheckBox_ZwukClick()
{
    readSoundSwitch();
}

} // namespace tarvel
