// The page's settings as a preset file: the fields `tarvel decode --json` reports a frame's
// parameters in, with a marker that says what the file is. Kept in the browser's storage too.
"use strict";

const PRESET_FORMAT = "tarvel-settings";
const PRESET_VERSION = 1;
const KEYING_NAMES = ["pilot tone", "VOX"];

// settings: {keyingMode, pilot_hz, voxThreshold, voxRelease_ms, maxTxEnabled, maxTx_s}
// (VOX threshold in units of 0.1 %, as the window's field holds it).
function settingsToPreset(settings, name) {
  const preset = { format: PRESET_FORMAT, version: PRESET_VERSION };
  if (name) preset.name = name;
  preset.keying_mode = KEYING_NAMES[settings.keyingMode];
  preset.pilot_tone_hz = settings.pilot_hz;
  preset.vox_threshold_percent = settings.voxThreshold / 10;
  preset.vox_release_ms = settings.voxRelease_ms;
  preset.max_transmit_s = settings.maxTxEnabled ? settings.maxTx_s : null;
  return preset;
}

class PresetError extends Error {}

// Reads a preset file's text against the parameter table; throws PresetError saying what is
// wrong. `current` gives the maximum transmit time kept while the limit is off.
function presetToSettings(text, ranges, current) {
  let data;
  try {
    data = JSON.parse(text);
  } catch (e) {
    throw new PresetError("not JSON (" + e.message + ")");
  }
  if (data === null || typeof data !== "object" || Array.isArray(data))
    throw new PresetError("not a JSON object");
  if (data.format !== PRESET_FORMAT)
    throw new PresetError('"format" is not "' + PRESET_FORMAT + '": not a Tarvel settings file');
  if (data.version !== PRESET_VERSION)
    throw new PresetError('"version" ' + JSON.stringify(data.version) + " is not " + PRESET_VERSION);
  const known = ["format", "version", "name", "keying_mode", "pilot_tone_hz", "vox_threshold_percent",
    "vox_release_ms", "max_transmit_s"];
  for (const key of Object.keys(data))
    if (!known.includes(key)) throw new PresetError('unknown field "' + key + '"');
  if (data.name !== undefined && typeof data.name !== "string")
    throw new PresetError('"name" is not text');
  const keyingMode = KEYING_NAMES.indexOf(data.keying_mode);
  if (keyingMode < 0) throw new PresetError('"keying_mode" is not "pilot tone" or "VOX"');

  const range = (key) => ranges.find((r) => r.key === key);
  const whole = (key, value) => {
    const r = range(key);
    if (!Number.isInteger(value) || value < r.min || value > r.max)
      throw new PresetError('"' + key + '" ' + JSON.stringify(value) + " is not a whole number from " + r.min +
        " to " + r.max);
    return value;
  };
  const threshold = data.vox_threshold_percent;
  const tenths = Math.round(threshold * 10);
  const t = range("vox_threshold_percent");
  if (typeof threshold !== "number" || Math.abs(tenths - threshold * 10) > 1e-6 || tenths < t.min || tenths > t.max)
    throw new PresetError('"vox_threshold_percent" ' + JSON.stringify(threshold) + " is not a number from " +
      t.min / 10 + " to " + t.max / 10 + " in steps of 0.1");
  const limited = data.max_transmit_s !== null;
  return {
    name: data.name || "",
    settings: {
      keyingMode,
      pilot_hz: whole("pilot_tone_hz", data.pilot_tone_hz),
      voxThreshold: tenths,
      voxRelease_ms: whole("vox_release_ms", data.vox_release_ms),
      maxTxEnabled: limited,
      maxTx_s: limited ? whole("max_transmit_s", data.max_transmit_s) : current.maxTx_s,
    },
  };
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
