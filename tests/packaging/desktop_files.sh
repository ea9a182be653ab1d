#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The menu entry and the AppStream description pass their validators, and the manual pages
# render without a warning.
#   desktop_files.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1") source=$(realpath "$2")
fail() { echo "FAIL: $*"; exit 1; }
for tool in desktop-file-validate appstreamcli groff; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps test)"
done
desktop-file-validate "$source/data/org.tarvel.Programmer.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$build/data/org.tarvel.Programmer.metainfo.xml" || fail "appstreamcli validate"
for page in "$source"/data/man/*.1; do
  warnings=$(LC_ALL=C.UTF-8 groff -man -ww -Tutf8 -K utf8 "$page" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "$(basename "$page"): $warnings"
done
echo ok
