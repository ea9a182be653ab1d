// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// What a check by listening heard, told apart as the command line's `tarvel send --verify`
// tells it: the frame sent read back, nothing at all, too quiet, clipped, another frame, or
// damaged. Plain functions of the decoder's result and the recording's peak.

/** A recording whose highest sample stays below this heard nothing at all (as the command line). */
export const SILENCE_DBFS = -60;
/** Below this RMS level a receiver may not read the signal reliably (as the command line). */
export const LOW_LEVEL_DBFS = -33;
/** A sample this close to full scale was cut off there. */
const FULL_SCALE = 32767 / 32768;

/**
 * The highest absolute sample, in dBFS (-Infinity for silence).
 * @param {Float32Array} samples
 */
export function peakDbfs(samples) {
  let peak = 0;
  for (let i = 0; i < samples.length; ++i) peak = Math.max(peak, Math.abs(samples[i]));
  return peak === 0 ? -Infinity : 20 * Math.log10(Math.min(peak, 1));
}

/**
 * @typedef {"verified" | "silent" | "quiet" | "clipped" | "other" | "damaged"} Heard
 */

/**
 * @param {any} result the decoder's result, as `tarvel decode --json` gives it
 * @param {number} peak_dbfs the whole recording's peak
 * @param {string | null} sentHex the frame sent, as the page shows it
 * @returns {{heard: Heard, lowLevel: boolean, clipped: boolean}}
 */
export function judgeHeard(result, peak_dbfs, sentHex) {
  const clipped = peak_dbfs >= 20 * Math.log10(FULL_SCALE);
  const level = result.signal && typeof result.signal.level_dbfs === "number" ? result.signal.level_dbfs : null;
  const lowLevel = level !== null && level < LOW_LEVEL_DBFS;
  /** @param {Heard} heard */
  const verdict = (heard) => ({ heard, lowLevel, clipped });
  if (peak_dbfs < SILENCE_DBFS) return verdict("silent");
  if (result.status === "ok" && result.frame === sentHex) return verdict("verified");
  if (result.status === "ok") return verdict("other");
  if (clipped) return verdict("clipped");
  // Heard, but under the level the decoder needs: the volume, not the line, is to blame.
  if (lowLevel || (level === null && peak_dbfs < LOW_LEVEL_DBFS)) return verdict("quiet");
  return verdict("damaged");
}
