#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window's send with parameters that differ from the defaults, through a private
# PulseAudio null sink: runs tests/app/tst_sendsound (offscreen), which records the sink's
# monitor itself and decodes it. Usage: send_window.sh BUILD_FOLDER. Skips (exit 0,
# "skipped: ...") only when PulseAudio cannot start at all.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
test_program="$build/tests/tst_sendsound"
[ -x "$test_program" ] || { echo "send_window: $test_program is not built" >&2; exit 1; }

work=$(mktemp -d)
test_name=send_window
. "$(dirname "$0")/lib/pulse-sandbox.sh"
trap sandbox_cleanup EXIT
sandbox_start
TARVEL_SOUND_SANDBOX=test_sink QT_QPA_PLATFORM=offscreen "$test_program"
echo "send_window: passed"
