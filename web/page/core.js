// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The page's way into the WebAssembly core: the frame, the send's files, the test tone, the
// settings file and the decoder. Nothing here computes them; it only moves bytes in and out
// of the module's memory. The settings go in as the settings file's JSON; every answer comes
// back as JSON, a refusal as {"error": {code, message}}, thrown here as a CoreError.
import { state } from "./state.js";

/**
 * @typedef {{format: string, version: number, keying_mode: string, pilot_tone_hz: number,
 *   vox_threshold_percent: number, vox_release_ms: number, max_transmit_s: number | null}} SettingsFile
 * @typedef {{key: string, min: number, max: number, step: number, default: number,
 *   per_file_unit: number}} Range
 * @typedef {{ranges: Range[], defaults: SettingsFile, settings_file_limit: number,
 *   recording_limit: number}} Parameters
 */

/** What the core refused, and why: `code` says the kind, `message` the core's own words. */
export class CoreError extends Error {
  /**
   * @param {string} code
   * @param {string} message
   */
  constructor(code, message) {
    super(message);
    this.code = code;
  }
}

/** @returns {TarvelModule} */
function core() {
  if (!state.core) throw new Error("the core has not started");
  return state.core;
}

/**
 * Runs `use(pointer, size)` with `bytes` in the module's memory.
 * @template T
 * @param {Uint8Array} bytes
 * @param {(at: number, size: number) => T} use
 * @returns {T}
 */
function withBytes(bytes, use) {
  const m = core();
  const at = m._malloc(Math.max(1, bytes.length));
  try {
    m.HEAPU8.set(bytes, at);
    return use(at, bytes.length);
  } finally {
    m._free(at);
  }
}

/**
 * @template T
 * @param {string} text
 * @param {(at: number, size: number) => T} use
 * @returns {T}
 */
const withText = (text, use) => withBytes(new TextEncoder().encode(text), use);

/**
 * The JSON answer at `at`; a refusal thrown.
 * @param {number} at
 */
function answer(at) {
  const result = JSON.parse(core().UTF8ToString(at));
  if (result.error) throw new CoreError(result.error.code, result.error.message);
  return result;
}

/** @returns {Parameters} */
export function parameters() {
  return answer(core()._tarvel_parameters());
}

/**
 * The frame of "сформировать": its bytes in hex, spaced, and the CRC.
 * @param {SettingsFile} s
 * @returns {{frame: string, crc: string}}
 */
export function formFrame(s) {
  return withText(JSON.stringify(s), (at, size) => answer(core()._tarvel_frame(at, size)));
}

/**
 * The send's two files, _qq.wav and 9_fmsig.h, as bytes.
 * @param {SettingsFile} s
 */
export function sendFiles(s) {
  const m = core();
  const sizes = withText(JSON.stringify(s), (at, size) => answer(m._tarvel_send(at, size)));
  const wavAt = m._tarvel_wav_bytes();
  const fmsigAt = m._tarvel_fmsig_text();
  return {
    wav: m.HEAPU8.slice(wavAt, wavAt + sizes.wav_size),
    fmsig: m.HEAPU8.slice(fmsigAt, fmsigAt + sizes.fmsig_size),
  };
}

/**
 * The test tone as a WAV file, `seconds` long.
 * @param {number} seconds
 */
export function toneWav(seconds) {
  const m = core();
  const size = m._tarvel_tone_wav(seconds);
  const at = m._tarvel_tone_bytes();
  return m.HEAPU8.slice(at, at + size);
}

/**
 * The preset file's text for `settings`, named `name` when given.
 * @param {SettingsFile} settings
 * @param {string} [name]
 * @returns {string}
 */
export function presetText(settings, name) {
  return withText(JSON.stringify(settings), (at, size) =>
    withText(name || "", (nameAt, nameSize) => answer(core()._tarvel_settings_write(at, size, nameAt, nameSize)).text));
}

/**
 * Reads a settings file's bytes as they are; throws CoreError saying what is wrong.
 * @param {Uint8Array} bytes
 * @returns {{name: string, settings: SettingsFile}}
 */
export function readPreset(bytes) {
  return withBytes(bytes, (at, size) => answer(core()._tarvel_settings_read(at, size)));
}

/**
 * Opens a check of a WAV file of `fileSize` bytes whose first bytes are `head`; throws
 * CoreError ("not_wav" for a file the browser may still read).
 * @param {Uint8Array} head
 * @param {number} fileSize
 * @returns {{rate_hz: number, channels: number, data_offset: number, data_size: number, bytes_per_frame: number}}
 */
export function openWavCheck(head, fileSize) {
  return withBytes(head, (at, size) => answer(core()._tarvel_recording_open_wav(at, size, fileSize)));
}

/**
 * Opens a check of interleaved samples the browser decoded or recorded.
 * @param {number} channels
 * @param {number} rate
 */
export function openSamplesCheck(channels, rate) {
  return answer(core()._tarvel_recording_open_samples(channels, rate));
}

/**
 * The next bytes of the WAV file's data; true once a frame with a matching CRC was read.
 * @param {Uint8Array} bytes
 */
export function feedWavBytes(bytes) {
  return fed(withBytes(bytes, (at, size) => core()._tarvel_recording_feed_bytes(at, size)));
}

/** @param {number} status the feed's: 1 a frame read, 0 not yet, -1 the core ran out of memory */
function fed(status) {
  if (status < 0) throw new CoreError("memory", "out of memory");
  return status === 1;
}

/**
 * The next interleaved samples; true once a frame with a matching CRC was read.
 * @param {Float32Array} samples
 */
export function feedSamples(samples) {
  const m = core();
  const at = m._malloc(Math.max(4, 4 * samples.length));
  try {
    m.HEAPF32.set(samples, at / 4);
    return fed(m._tarvel_recording_feed_samples(at, samples.length));
  } finally {
    m._free(at);
  }
}

/** The check's result, as `tarvel decode --json` gives it with "reason_code"; closes it. */
export function finishCheck() {
  return answer(core()._tarvel_recording_finish());
}

export function closeCheck() {
  core()._tarvel_recording_close();
}

/**
 * Decodes mono samples (±1) at `rate` in one go.
 * @param {Float32Array} samples
 * @param {number} rate
 */
export function decode(samples, rate) {
  openSamplesCheck(1, rate);
  const piece = 1 << 16;
  for (let at = 0; at < samples.length; at += piece)
    if (feedSamples(samples.subarray(at, at + piece))) break;
  return finishCheck();
}
