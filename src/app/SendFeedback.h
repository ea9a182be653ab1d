#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What the window shows while "выдать" plays: a busy cursor, the seconds played in the
// status line, and no reaction to the user. The window keeps painting, but every click,
// key and close request that arrives meanwhile is dropped, not kept for later, so one
// click is one send; a request to close `window` is remembered, so that the window can
// close once the sound has ended. Lives for one playback.

#include "audio/Playback.h"

#include <QObject>
#include <QString>

#include <cstdint>

class QLabel;
class QWidget;

namespace tarvel {

// The status line after a send whose sound did not reach the device (the files were written).
inline constexpr const char* kStatusNotSent = " *** звук не выдан ***";

class SendFeedback final : public QObject {
public:
    // `status` shows the progress and gets its own text back at the end; `window` is the
    // window whose close requests are remembered.
    SendFeedback(QLabel& status, const QWidget& window);
    ~SendFeedback() override;
    SendFeedback(const SendFeedback&) = delete;
    SendFeedback& operator=(const SendFeedback&) = delete;

    // Shows the progress and lets the window paint; input that came meanwhile is dropped.
    void show(std::int64_t played_us, std::int64_t sound_us);

    // " выдаётся: 2.1 из 4.9 с"
    static QString progressText(std::int64_t played_us, std::int64_t sound_us);

    // Whether the window was asked to close while the sound played.
    bool closeRequested() const noexcept { return closeRequested_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel& status_;
    const QWidget& window_;
    QString statusBefore_;
    bool closeRequested_ = false;
};

// The message box's text when the sound could not be played: the reason and the output in
// Russian, and that the files were written all the same.
QString playbackFailureText(const PlaybackResult& result);

} // namespace tarvel
