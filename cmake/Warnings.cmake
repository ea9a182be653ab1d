# SPDX-License-Identifier: GPL-3.0-or-later
# The warnings every C++ file of ours is compiled with, the browser edition's included.
set(TARVEL_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Woverloaded-virtual -Wconversion -Wsign-conversion -Wnull-dereference -Wdouble-promotion -Wformat=2)
