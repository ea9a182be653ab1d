#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The .deb as a user gets it: built by CPack from this build, its dependencies found by
# dpkg-shlibdeps (libsndfile1, loaded at run time, is named by the package itself), unpacked
# into a scratch root and run from there (the command-line tool, and the window started as
# the menu starts it, which must prepare the user's folder with the shipped help file).
#   deb_package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1") source=$(realpath "$2")
for tool in cpack dpkg-deb dpkg-shlibdeps file lintian; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/install-deps test)"; exit 1; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; fail "cpack"; }
debs=("$scratch"/out/tarvel_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected one tarvel_*.deb, got: ${debs[*]}"
deb=${debs[0]}

[[ $(dpkg-deb -f "$deb" Package) == tarvel ]] || fail "package name"
[[ $(dpkg-deb -f "$deb" Version) == 22.1 ]] || fail "version $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libpulse0 libqt6charts6 libsndfile1 libturbojpeg0 libc6; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/tarvel usr/bin/tarvel-programmer \
  usr/share/applications/org.tarvel.Programmer.desktop \
  usr/share/metainfo/org.tarvel.Programmer.metainfo.xml \
  usr/share/icons/hicolor/16x16/apps/org.tarvel.Programmer.png \
  usr/share/icons/hicolor/32x32/apps/org.tarvel.Programmer.png \
  usr/share/icons/hicolor/48x48/apps/org.tarvel.Programmer.png \
  usr/share/icons/hicolor/128x128/apps/org.tarvel.Programmer.png \
  usr/share/icons/hicolor/scalable/apps/org.tarvel.Programmer.svg \
  usr/share/man/man1/tarvel.1.gz usr/share/man/man1/tarvel-programmer.1.gz \
  usr/share/bash-completion/completions/tarvel usr/share/tarvel/help/help2.rtf \
  usr/libexec/tarvel/tarvel-sound \
  usr/share/doc/tarvel/copyright usr/share/doc/tarvel/changelog.gz usr/share/doc/tarvel/README.md.gz \
  usr/share/tarvel/web/tarvel.html usr/share/tarvel/web/site/index.html usr/share/tarvel/web/site/tarvel.js; do
  [[ -f "$root/$f" ]] || fail "$f is not in the package"
done
[[ ! -e "$root/usr/share/tarvel/help/help3.rtf" ]] || fail "help3.rtf is the user's to supply"
# tarvel runs it for the playing commands; it is no command of its own.
[[ ! -e "$root/usr/bin/tarvel-sound" ]] || fail "tarvel-sound is on the PATH"
recommends=$(dpkg-deb -f "$deb" Recommends)
for wanted in "bash-completion" "pipewire-pulse | pulseaudio"; do
  [[ $recommends == *"$wanted"* ]] || fail "Recommends lacks $wanted: $recommends"
done

# Debian's policy: every error and warning lintian knows of fails the test (the pedantic and
# informational notes are shown).
lintian --pedantic --display-info --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1 || true
cat "$scratch/lintian.log"
! grep -qE '^[EW]: ' "$scratch/lintian.log" || fail "lintian reports errors or warnings (above)"

# The installed page is the one this build made.
cmp -s "$root/usr/share/tarvel/web/tarvel.html" "$build/web/tarvel.html" || fail "the installed page is not build/web's"

# The archive for other systems: the single file and the site folder under one folder.
cmake --build "$build" --target web_zip >"$scratch/zip.log" 2>&1 || { cat "$scratch/zip.log"; fail "web_zip"; }
listing=$(zip -sf "$build/tarvel-web-22.1.zip")
for f in tarvel-web-22.1/tarvel.html tarvel-web-22.1/site/index.html tarvel-web-22.1/site/tarvel.js; do
  grep -qx "  $f" <<<"$listing" || fail "$f is not in tarvel-web-22.1.zip: $listing"
done

version=$("$root/usr/bin/tarvel" --version)
[[ $version == "tarvel 22.1"* ]] || fail "tarvel --version: $version"
frame=$("$root/usr/bin/tarvel" frame)
[[ $frame == "01 02 05 01 06 00 00 3C 14 00 64 00 1E 28 FC 6C" ]] || fail "tarvel frame: $frame"
[[ $("$root/usr/bin/tarvel-programmer" --version) == "tarvel-programmer 22.1"* ]] || fail "tarvel-programmer --version"
# The playing commands reach their program where the package puts it (no sound server is
# needed to list none).
"$root/usr/bin/tarvel" devices --help >/dev/null || fail "tarvel devices --help: tarvel-sound not found"

# The window, as the menu entry starts it (its Exec line, the program taken from the
# package): from the home folder, in the user's own folder.
read -r -a exec_line < <(sed -n 's/^Exec=//p' "$root/usr/share/applications/org.tarvel.Programmer.desktop")
[[ ${exec_line[0]} == tarvel-programmer ]] || fail "the menu entry runs ${exec_line[*]}, not tarvel-programmer"
mkdir -p "$scratch/home"
status=0
(cd "$scratch/home" && env -u TARVEL_USER_FOLDER HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/.local/share" \
  QT_QPA_PLATFORM=offscreen TARVEL_QUIT_AFTER_SHOWN=1 \
  timeout 60 "$root/usr/bin/tarvel-programmer" "${exec_line[@]:1}") >"$scratch/window.log" 2>&1 || status=$?
[[ $status -eq 0 ]] || { cat "$scratch/window.log"; fail "the window ended with status $status"; }
cmp -s "$scratch/home/.local/share/tarvel/help2.rtf" "$source/data/help/help2.rtf" ||
  fail "the user's folder did not get the shipped help2.rtf"
[[ -z $(find "$scratch/home" -maxdepth 1 -type f) ]] || fail "files left in the home folder itself"
echo "ok: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB, Depends: $depends"
