#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: the parameters a user sets, as a small JSON object that the browser
// page exports as a preset, `tarvel frame --json` writes and `tarvel frame`, `wav` and `send`
// take with --settings. Its fields are the user-settable fields of kFrameFields with their
// keys and units (web/README.md shows the format).

#include "frame/FrameLayout.h"

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarvel {

// The text is not a settings file, or a value in it is not one a user may set; what() names
// the field.
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::string_view kSettingsFormat = "tarvel-settings";
inline constexpr int kSettingsVersion = 1;
// Larger than any settings file: a file this size is something else.
inline constexpr std::size_t kSettingsFileLimit = std::size_t {64} * 1024;

// Takes the file's values into `params` and returns its name ("" when it has none). All or
// nothing: on SettingsError `params` is as it was. With no limit on the transmit time
// (max_transmit_s null) the limit's value is kept, only its check box goes off.
std::string readSettings(std::string_view text, FrameParameters& params);

enum class SettingsLayout { Indented, OneLine };

// The file for `params`: every field, `name` only when not empty. Indented is the layout the
// page exports (two spaces, one field a line, a closing newline).
std::string settingsJson(const FrameParameters& params, std::string_view name = {},
    SettingsLayout layout = SettingsLayout::Indented);

// The user's values a frame carries, when each is one a user may set (a keying mode the
// device knows, a pilot tone that is on, every quantity within its range); the other fields
// keep their defaults.
std::optional<FrameParameters> userParametersOf(const Frame& frame);

} // namespace tarvel
