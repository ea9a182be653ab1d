# SPDX-License-Identifier: GPL-3.0-or-later
# The core's sources, relative to the source root, one list per layer and kind: the program's
# build (CMakeLists.txt) takes every list, the browser edition (web/CMakeLists.txt) only the
# IN_MEMORY ones, the code that works on bytes and samples without files or libsndfile. A new
# source goes into exactly one list.
set(TARVEL_SHARED_IN_MEMORY_SOURCES
  src/shared/JsonObject.cpp
  src/shared/JsonText.cpp
  src/shared/NumberText.cpp)
set(TARVEL_SHARED_FILE_SOURCES
  src/shared/AtomicFile.cpp
  src/shared/AtomicFileSignals.cpp
  src/shared/FolderHandle.cpp
  src/shared/FolderLock.cpp
  src/shared/VersionText.cpp)
set(TARVEL_FRAME_IN_MEMORY_SOURCES
  src/frame/Crc16.cpp
  src/frame/FrameBuild.cpp
  src/frame/FrameCheck.cpp
  src/frame/SettingsFile.cpp)
set(TARVEL_SIGNAL_IN_MEMORY_SOURCES
  src/signal/TestTone.cpp
  src/signal/ToneSignal.cpp
  src/signal/WavBytes.cpp
  src/signal/WavFormat.cpp)
set(TARVEL_SIGNAL_FILE_SOURCES
  src/signal/WavFiles.cpp)
set(TARVEL_TRAINER_SOURCES
  src/trainer/PttPattern.cpp
  src/trainer/PttRun.cpp
  src/trainer/TrainerClock.cpp
  src/trainer/ToneDriver.cpp)
set(TARVEL_DECODE_IN_MEMORY_SOURCES
  src/decode/ChannelDemodulators.cpp
  src/decode/DecodeJson.cpp
  src/decode/FrameCorrection.cpp
  src/decode/FrameDemodulator.cpp
  src/decode/FrameWords.cpp
  src/decode/RecordingFormat.cpp
  src/decode/SymbolReader.cpp
  src/decode/SymbolTrellis.cpp
  src/decode/ToneBins.cpp
  src/decode/WavSamples.cpp)
set(TARVEL_DECODE_FILE_SOURCES
  src/decode/RecordingReader.cpp
  src/decode/SndfileLibrary.cpp
  src/decode/SndfileStream.cpp
  src/decode/StreamInput.cpp
  src/decode/WavStream.cpp)
