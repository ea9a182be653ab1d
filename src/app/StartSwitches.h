#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The window's switches for the benchmarks, the screenshots and the end-to-end tests, read
// once from the environment at start-up and applied by main(); a user's start sets none.

#include <optional>

namespace tarvel {

class TForm1;

struct StartSwitches {
    enum class TestSend { None, Stay, Quit };

    // TARVEL_QUIT_AFTER_SHOWN=1 (the start-up benchmark): end with status 0 as soon as the
    // window has been painted for the first time.
    bool quitAfterShown = false;
    // TARVEL_START_PAGE=N (the screenshots): open page N of PageControl1 first.
    std::optional<int> startPage;
    // TARVEL_TEST_SEND=stay or =quit (the end-to-end sound test, the screenshots): send once
    // the event loop runs; with quit, end with status 0 as soon as the send has returned.
    TestSend testSend = TestSend::None;

    static StartSwitches fromEnvironment();

    // Before the window is first shown: the page and the watch for its first paint.
    void prepare(TForm1& form) const;
    // After it is shown: the send, queued for the event loop.
    void queueTestSend(TForm1& form) const;
};

} // namespace tarvel
