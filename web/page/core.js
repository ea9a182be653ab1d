// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The page's way into the WebAssembly core: the frame, the send's files, the test tone, the
// settings file and the decoder. Nothing here computes them; it only moves values in and out
// of the module's memory.
import { state } from "./state.js";

/** @returns {TarvelModule} */
function core() {
  if (!state.core) throw new Error("the core has not started");
  return state.core;
}

/** @param {import("./state.js").Settings} s */
function settingsArray(s) {
  return [s.keyingMode, s.pilot_hz, s.voxThreshold, s.voxRelease_ms, s.maxTxEnabled ? 1 : 0, s.maxTx_s];
}

/**
 * Runs `use(pointer)` with the settings in the module's memory.
 * @template T
 * @param {import("./state.js").Settings} s
 * @param {(at: number) => T} use
 * @returns {T}
 */
function withSettings(s, use) {
  const m = core();
  const values = settingsArray(s);
  const at = m._malloc(4 * values.length);
  try {
    m.HEAP32.set(values, at / 4);
    return use(at);
  } finally {
    m._free(at);
  }
}

/**
 * Runs `use(pointer)` with `text` as a C string in the module's memory.
 * @template T
 * @param {string} text
 * @param {(at: number) => T} use
 * @returns {T}
 */
function withCoreText(text, use) {
  const m = core();
  const size = m.lengthBytesUTF8(text) + 1;
  const at = m._malloc(size);
  try {
    m.stringToUTF8(text, at, size);
    return use(at);
  } finally {
    m._free(at);
  }
}

/** The spin edits' ranges, steps and defaults. */
export function parameters() {
  const m = core();
  return JSON.parse(m.UTF8ToString(m._tarvel_parameters()));
}

/**
 * The frame of "сформировать": its 16 bytes and the CRC.
 * @param {import("./state.js").Settings} s
 */
export function formFrame(s) {
  const m = core();
  const out = m._malloc(16);
  try {
    const crc = withSettings(s, (at) => m._tarvel_frame(at, out));
    return { bytes: Array.from(m.HEAPU8.subarray(out, out + 16)), crc };
  } finally {
    m._free(out);
  }
}

/**
 * The send's two files, _qq.wav and 9_fmsig.h, as bytes.
 * @param {import("./state.js").Settings} s
 */
export function sendFiles(s) {
  const m = core();
  const samples = withSettings(s, (at) => m._tarvel_send(at));
  const wavAt = m._tarvel_wav_bytes();
  const wav = m.HEAPU8.slice(wavAt, wavAt + m._tarvel_wav_size());
  const fmsigAt = m._tarvel_fmsig_text();
  const fmsig = m.HEAPU8.slice(fmsigAt, fmsigAt + m._tarvel_fmsig_size());
  return { wav, fmsig, samples };
}

/**
 * A WAV around the test tone's samples, so it takes the signal's own path.
 * @param {number} seconds
 */
export function toneWav(seconds) {
  const m = core();
  const at = m._tarvel_tone(m._tarvel_tone_default_hz(), seconds);
  const samples = m.HEAP16.slice(at / 2, at / 2 + m._tarvel_tone_count());
  const rate = m._tarvel_sample_rate();
  const bytes = new Uint8Array(44 + samples.length * 2);
  const v = new DataView(bytes.buffer);
  /** @type {(at: number, s: string) => void} */
  const tag = (at, s) => { for (let i = 0; i < 4; ++i) bytes[at + i] = s.charCodeAt(i); };
  tag(0, "RIFF"); v.setUint32(4, 36 + samples.length * 2, true); tag(8, "WAVE"); tag(12, "fmt ");
  v.setUint32(16, 16, true); v.setUint16(20, 1, true); v.setUint16(22, 1, true); v.setUint32(24, rate, true);
  v.setUint32(28, rate * 2, true); v.setUint16(32, 2, true); v.setUint16(34, 16, true); tag(36, "data");
  v.setUint32(40, samples.length * 2, true);
  for (let i = 0; i < samples.length; ++i) v.setInt16(44 + 2 * i, samples[i], true);
  return bytes;
}

/**
 * Decodes mono samples (±1) at `rate`; the result as `tarvel decode --json` gives it.
 * @param {Float32Array} samples
 * @param {number} rate
 */
export function decode(samples, rate) {
  const m = core();
  const at = m._malloc(4 * samples.length);
  try {
    m.HEAPF32.set(samples, at / 4);
    return JSON.parse(m.UTF8ToString(m._tarvel_decode(at, samples.length, rate)));
  } finally {
    m._free(at);
  }
}

/**
 * Every channel on its own, then their mix: the first with a matching CRC, else the first.
 * @param {Float32Array[]} channels
 * @param {number} rate
 */
export function decodeChannels(channels, rate) {
  const tries = channels.slice();
  if (channels.length > 1) {
    const mix = new Float32Array(channels[0].length);
    for (const c of channels) for (let i = 0; i < mix.length; ++i) mix[i] += c[i] / channels.length;
    tries.push(mix);
  }
  const results = tries.map((samples) => decode(samples, rate));
  return results.find((r) => r.status === "ok") || results.find((r) => r.frame) || results[0];
}

/**
 * The preset file's text for `settings`, named `name` when given.
 * @param {import("./state.js").Settings} settings
 * @param {string} [name]
 * @returns {string}
 */
export function settingsToPresetText(settings, name) {
  const m = core();
  return withSettings(settings, (at) =>
    withCoreText(name || "", (nameAt) => m.UTF8ToString(m._tarvel_settings_write(at, nameAt))));
}

export class PresetError extends Error {}

/**
 * Reads a preset file's text; throws PresetError saying what is wrong. `current` gives the
 * values the file leaves as they are (the maximum transmit time while the limit is off).
 * @param {string} text
 * @param {import("./state.js").Settings} current
 * @returns {{name: string, settings: import("./state.js").Settings}}
 */
export function presetToSettings(text, current) {
  const m = core();
  const values = settingsArray(current);
  const at = m._malloc(4 * values.length);
  try {
    m.HEAP32.set(values, at / 4);
    const result = JSON.parse(withCoreText(text, (textAt) => m.UTF8ToString(m._tarvel_settings_read(textAt, at))));
    if (result.error !== undefined) throw new PresetError(result.error);
    const v = Array.from(m.HEAP32.subarray(at / 4, at / 4 + values.length));
    return {
      name: result.name,
      settings: { keyingMode: v[0], pilot_hz: v[1], voxThreshold: v[2], voxRelease_ms: v[3], maxTxEnabled: v[4] !== 0,
        maxTx_s: v[5] },
    };
  } finally {
    m._free(at);
  }
}
