# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the tests of `tarvel send` (sourced with the test's arguments, not run): the
# caller sets `test_name`; this sets `build` (the build folder, the first argument),
# `tarvel` and `work` (a scratch folder), requires tarvel and tarvel-sound to be built,
# and brings the sound sandbox's functions, fail() and an EXIT trap that cleans up.
build=$(cd "${1:-build}" && pwd)
tarvel="$build/tarvel"
for binary in "$tarvel" "$build/tarvel-sound"; do
  [ -x "$binary" ] || { echo "$test_name: $binary is not built" >&2; exit 1; }
done
work=$(mktemp -d)
. "$(dirname "${BASH_SOURCE[0]}")/pulse-sandbox.sh"
fail() { echo "$test_name: FAILED: $*" >&2; exit 1; }

# Processes a test stops (SIGSTOP) and ones it starts to keep the machine busy: the first
# are continued, the others ended, when the test exits however it exits.
stopped=""
spinning=""
send_test_cleanup() {
  local pid
  for pid in $stopped; do kill -CONT "$pid" 2>/dev/null || true; done
  for pid in $spinning; do kill "$pid" 2>/dev/null || true; done
  sandbox_cleanup
}
trap send_test_cleanup EXIT
