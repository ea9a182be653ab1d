// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SendFeedback.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace tarvel {

namespace {

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::Close: // the window stays until the send has ended
        return true;
    default:
        return false;
    }
}

QString tenths(std::int64_t us)
{
    return QString::number(static_cast<double>(std::max<std::int64_t>(us, 0)) / 1e6, 'f', 1);
}

} // namespace

SendFeedback::SendFeedback(QLabel& status, const QWidget& window)
        : status_(status), window_(window), statusBefore_(status.text())
{
    QApplication::setOverrideCursor(Qt::BusyCursor);
    qApp->installEventFilter(this);
}

SendFeedback::~SendFeedback()
{
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    status_.setText(statusBefore_);
}

void SendFeedback::show(std::int64_t played_us, std::int64_t sound_us)
{
    status_.setText(progressText(played_us, sound_us));
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QString SendFeedback::progressText(std::int64_t played_us, std::int64_t sound_us)
{
    return QStringLiteral(" выдаётся: %1 из %2 с")
        .arg(tenths(std::min(played_us, sound_us)), tenths(sound_us));
}

bool SendFeedback::eventFilter(QObject* watched, QEvent* event)
{
    if (!isUserInput(event->type()))
        return QObject::eventFilter(watched, event);
    // A close from the desktop reaches the platform window first, one from the program the
    // widget itself.
    if (event->type() == QEvent::Close
        && (watched == &window_ || (watched != nullptr && watched == window_.windowHandle())))
        closeRequested_ = true;
    return true;
}

QString playbackFailureText(const PlaybackResult& result)
{
    QString reason;
    switch (result.problem) {
    case PlaybackProblem::None:
        return {};
    case PlaybackProblem::NoOutput:
        reason = QStringLiteral("нет устройства вывода звука (звуковой сервер не запущен?)");
        break;
    case PlaybackProblem::UnknownOutput:
        reason = QStringLiteral("устройство вывода звука не найдено");
        break;
    case PlaybackProblem::UnreadableFile:
        reason = QStringLiteral("файл звука не читается");
        break;
    case PlaybackProblem::FormatRefused:
        reason = QStringLiteral("устройство не принимает звук в этом формате");
        break;
    case PlaybackProblem::ErrorMidPlay:
        reason
            = QStringLiteral("воспроизведение прервалось с ошибкой (устройство или звуковой сервер пропали)");
        break;
    case PlaybackProblem::Stalled:
        reason = QStringLiteral("устройство перестало воспроизводить звук, ожидание прекращено");
        break;
    case PlaybackProblem::Interrupted:
        reason = QStringLiteral("звук прервался на %1%2 мс на %3 с%4: интерфейс получил испорченный кадр, "
                                "выдайте ещё раз")
                     .arg(result.gapOpen ? QStringLiteral("не менее ") : QString())
                     .arg((result.gap_us + 500) / 1000)
                     .arg(static_cast<double>(result.gapAt_us) / 1e6, 0, 'f', 2)
                     .arg(result.movedTo.isEmpty() ? QString()
                             : result.outputRemoved
                             ? QStringLiteral(
                                 " (устройство вывода пропало, звуковой сервер перевёл остаток на %1)")
                                   .arg(result.movedTo)
                             : QStringLiteral(" (звуковой сервер перевёл звук на %1)").arg(result.movedTo));
        break;
    }
    const QString device = result.device.isEmpty() ? QStringLiteral("по умолчанию") : result.device;
    return QStringLiteral("Звук не выдан: %1.\nУстройство вывода: %2.\nФайлы _qq.wav и 9_fmsig.h записаны.")
        .arg(reason, device);
}

} // namespace tarvel
