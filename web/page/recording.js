// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// "Проверить запись": a recording file decoded as it is read. A WAV file is read by the page
// itself a piece at a time (its own rate and channels, any length, with progress and a
// cancel); another format goes through the browser's decoder, which needs it whole, so it is
// bounded by size.
import { closeCheck, CoreError, feedSamples, feedWavBytes, finishCheck, openSamplesCheck, openWavCheck } from "./core.js";
import { refusalText } from "./refusals.js";
import { $, errorText, t } from "./ui.js";
import { say, showVerdict } from "./verdict.js";

/** Bytes read at a time: the page stays responsive and its memory small. */
const PIECE = 1 << 19;
/** Enough of a WAV file's head to find its data chunk. */
const HEAD = 1 << 16;
/** The browser decodes a file whole, into 32-bit floats at its own rate: past this a phone runs out. */
const BROWSER_LIMIT = 64 * 1024 * 1024;
const MB = 1024 * 1024;

/** @type {{cancelled: boolean} | null} the check under way */
let running = null;

/** @param {boolean} on */
function showProgress(on) {
  $("recording-progress").hidden = !on;
  $("recording-cancel").hidden = !on;
  $("recording-progress").value = 0;
}

/**
 * Reads the data chunk a piece at a time into the core; false when cancelled.
 * @param {File} file
 * @param {{data_offset: number, data_size: number, bytes_per_frame: number}} wav
 * @param {{cancelled: boolean}} job
 */
async function feedWav(file, wav, job) {
  const piece = Math.max(1, Math.floor(PIECE / wav.bytes_per_frame)) * wav.bytes_per_frame;
  const end = wav.data_offset + wav.data_size;
  for (let at = wav.data_offset; at < end; at += piece) {
    const bytes = new Uint8Array(await file.slice(at, Math.min(end, at + piece)).arrayBuffer());
    if (job.cancelled) return false;
    if (feedWavBytes(bytes)) break; // a frame with a matching CRC: the rest is not needed
    $("recording-progress").value = (at + piece - wav.data_offset) / wav.data_size;
  }
  return true;
}

/**
 * A file the page does not read itself, through the browser's decoder; false when cancelled.
 * @param {File} file
 * @param {{cancelled: boolean}} job
 * @returns {Promise<string | false>} what the recording is, as the browser decoded it
 */
async function feedDecoded(file, job) {
  const context = new AudioContext();
  try {
    const audio = await context.decodeAudioData(await file.arrayBuffer());
    if (job.cancelled) return false;
    openSamplesCheck(audio.numberOfChannels, audio.sampleRate);
    const channels = [];
    for (let c = 0; c < audio.numberOfChannels; ++c) channels.push(audio.getChannelData(c));
    const frames = 1 << 16;
    const interleaved = new Float32Array(frames * channels.length);
    for (let first = 0; first < audio.length; first += frames) {
      const count = Math.min(frames, audio.length - first);
      for (let i = 0; i < count; ++i)
        for (let c = 0; c < channels.length; ++c) interleaved[i * channels.length + c] = channels[c][first + i];
      if (feedSamples(interleaved.subarray(0, count * channels.length))) break;
      $("recording-progress").value = (first + count) / audio.length;
    }
    return t("recordingFormat").replace("{rate}", String(audio.sampleRate)).replace("{channels}",
      String(audio.numberOfChannels)) + " (" + t("browserDecoded") + ")";
  } finally {
    context.close();
  }
}

/** @param {File} file */
async function checkRecording(file) {
  if (running) running.cancelled = true;
  const job = { cancelled: false };
  running = job;
  say(t("decoding"));
  showProgress(true);
  try {
    const head = new Uint8Array(await file.slice(0, HEAD).arrayBuffer());
    let source;
    try {
      const wav = openWavCheck(head, file.size);
      source = t("recordingFormat").replace("{rate}", String(wav.rate_hz)).replace("{channels}", String(wav.channels));
      if (!(await feedWav(file, wav, job))) source = false;
    } catch (e) {
      if (!(e instanceof CoreError && e.code === "not_wav")) throw e;
      if (file.size > BROWSER_LIMIT) {
        say(t("recordingTooLarge").replace("{size}", (file.size / MB).toFixed(0))
          .replace("{limit}", String(BROWSER_LIMIT / MB)), true);
        return;
      }
      source = await feedDecoded(file, job);
    }
    if (source === false) {
      closeCheck();
      if (running === job) say(t("recordingCancelled"));
      return;
    }
    showVerdict(finishCheck(), source);
  } catch (e) {
    closeCheck();
    say(t("decodeFailed") + (e instanceof CoreError ? refusalText(e) : errorText(e)), true);
  } finally {
    if (running === job) {
      running = null;
      showProgress(false);
    }
  }
}

export function wireRecording() {
  $("recording").addEventListener("change", (/** @type {Event} */ e) => {
    const input = /** @type {HTMLInputElement} */ (e.target);
    const file = input.files && input.files[0];
    input.value = ""; // the same file chosen again is checked again
    if (file) checkRecording(file);
  });
  $("recording-cancel").addEventListener("click", () => {
    if (running) running.cancelled = true;
  });
}
