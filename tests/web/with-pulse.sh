#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command with a private PulseAudio (tests/e2e/lib/pulse-sandbox.sh) as the only sound
# server it can find: a browser test whose sends must play somewhere (the page refuses a send
# when the browser sees no sound output at all).
#   with-pulse.sh COMMAND [ARGS...]
set -euo pipefail
work=$(mktemp -d)
test_name=with-pulse
. "$(dirname "$0")/../e2e/lib/pulse-sandbox.sh"
trap sandbox_cleanup EXIT
sandbox_start
export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
"$@"
