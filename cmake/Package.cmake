# SPDX-License-Identifier: GPL-3.0-or-later
# make package: one .deb with both programs and everything data/ installs. The libraries it
# links are found by dpkg-shlibdeps from the binaries themselves.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarvel")
set(CPACK_PACKAGE_CONTACT "${TARVEL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "programmer for the Tarvel USB radio interface")
# The synopsis comes from the summary above; this is the long description under it (CPack
# indents its lines as the control file wants).
set(CPACK_PACKAGE_DESCRIPTION "The Tarvel interface sits between a radio station and a repeater controller
and is seen by the computer as a sound card. tarvel-programmer, a window in
Russian, sets its parameters (keying by pilot tone or VOX, pilot-tone
frequency, VOX threshold and release delay, longest transmission) and sends
them to the interface as a three-tone signal through the sound output. The
command-line tool tarvel builds the same frame and signal and reads a
recording of the signal back to check it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TARVEL_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded only when a recording needs it (FLAC, OGG, the rarer WAV layouts), so not linked and
# not seen by dpkg-shlibdeps; the package still promises those recordings.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsndfile1")
# Not libraries, so not found by dpkg-shlibdeps: the faces the window's captions are laid out
# for, Qt's Russian dialog texts, the completion of tarvel's commands and options, and a sound
# server for the playing commands' choice of output and send --verify (which records the
# output's monitor). The programs run without them, with less.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "fonts-liberation, qt6-translations-l10n, bash-completion, pipewire-pulse | pulseaudio")
set(CPACK_STRIP_FILES ON)
include(CPack)
