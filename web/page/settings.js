// SPDX-License-Identifier: GPL-3.0-or-later
// The page's settings as a preset file: the fields `tarvel decode --json` reports a frame's
// parameters in, with a marker that says what the file is. Kept in the browser's storage too.
"use strict";

// The core reads and writes the file (the same code as `tarvel frame --json` and --settings);
// these pass the page's settings {keyingMode, pilot_hz, voxThreshold, voxRelease_ms,
// maxTxEnabled, maxTx_s} (VOX threshold in units of 0.1 %) through its memory.

function withCoreText(text, use) {
  const size = core.lengthBytesUTF8(text) + 1;
  const at = core._malloc(size);
  try {
    core.stringToUTF8(text, at, size);
    return use(at);
  } finally {
    core._free(at);
  }
}

// The preset file's text for `settings`, named `name` when given.
function settingsToPresetText(settings, name) {
  return withSettings(settings, (at) =>
    withCoreText(name || "", (nameAt) => core.UTF8ToString(core._tarvel_settings_write(at, nameAt))));
}

// The preset as an object (for the browser's storage).
function settingsToPreset(settings, name) {
  return JSON.parse(settingsToPresetText(settings, name));
}

class PresetError extends Error {}

// Reads a preset file's text; throws PresetError saying what is wrong. `current` gives the
// values the file leaves as they are (the maximum transmit time while the limit is off).
function presetToSettings(text, current) {
  const values = settingsArray(current);
  const at = core._malloc(4 * values.length);
  try {
    core.HEAP32.set(values, at / 4);
    const result = JSON.parse(withCoreText(text, (textAt) => core.UTF8ToString(core._tarvel_settings_read(textAt, at))));
    if (result.error !== undefined) throw new PresetError(result.error);
    const v = Array.from(core.HEAP32.subarray(at / 4, at / 4 + values.length));
    return {
      name: result.name,
      settings: { keyingMode: v[0], pilot_hz: v[1], voxThreshold: v[2], voxRelease_ms: v[3], maxTxEnabled: v[4] !== 0,
        maxTx_s: v[5] },
    };
  } finally {
    core._free(at);
  }
}

// The browser's storage: the last values, and the presets by name. A browser that keeps
// nothing (private mode, storage switched off) still runs the page.
const STORE_LAST = "tarvel.last";
const STORE_PRESETS = "tarvel.presets";

function storeRead(key, fallback) {
  try {
    const text = window.localStorage.getItem(key);
    return text === null ? fallback : JSON.parse(text);
  } catch (e) {
    return fallback;
  }
}

function storeWrite(key, value) {
  try {
    window.localStorage.setItem(key, JSON.stringify(value));
    return true;
  } catch (e) {
    return false;
  }
}
