// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// What a check by listening heard, told apart as the command line's `tarvel send --verify`
// tells it: the frame sent read back, nothing at all, too quiet, clipped, another frame, or
// damaged; and whether the browser's own recording of it was whole, for a frame read damaged
// from a recording with a hole in it says nothing about the send. Plain functions and counters.

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
 * Sound lost (or added) on its way into the page moves every later block's capture time by its
 * length, for good; a busy machine only stamps single blocks late (by tens of ms), for a few
 * blocks. So the lowest stamp of each run of blocks is followed: a step in it beyond this many
 * ms is a hole, being shorter than the shortest block a browser hands over (10 ms).
 */
export const CAPTURE_JITTER_MS = 8;
/** Blocks per run (a fifth to a third of a second). */
const RUN = 16;
/**
 * An audio graph whose clock falls this far behind the page's has dropped the input's sound
 * meanwhile (its messages and buffers account for a few tens of ms).
 */
export const GRAPH_SLIP_MS = 60;

/**
 * Whether a recording lost sound on its way into the page, from what the capture tells of its
 * blocks: their capture times, or blocks it had to fill with silence itself. Only what comes
 * after `start()` counts: the input settling before the send is no loss.
 */
export class CaptureGaps {
  constructor() {
    this.origin_ms = NaN;
    this.samples = 0;
    this.counting = false;
    /** @type {number[]} the lowest drift of each run of blocks */
    this.floors = [];
    this.runLow = Infinity;
    this.runLength = 0;
    this.filled_ms = 0;
    /** @type {{now_ms: number, samples: number, rate: number} | null} */
    this.clock = null;
    /** @type {{now_ms: number, samples: number, rate: number} | null} */
    this.clockAtStart = null;
  }

  /**
   * For a capture taken off an audio graph: at the page's time `now_ms`, `samples` have come in
   * so far at `rate`.
   * @param {number} now_ms @param {number} samples @param {number} rate
   */
  clocked(now_ms, samples, rate) {
    this.clock = { now_ms, samples, rate };
  }

  /**
   * A block as captured: when its first sample was taken, how many samples, at what rate.
   * @param {number} stamp_ms @param {number} count @param {number} rate
   */
  stamped(stamp_ms, count, rate) {
    if (Number.isNaN(this.origin_ms)) this.origin_ms = stamp_ms;
    const drift_ms = stamp_ms - this.origin_ms - (this.samples * 1000) / rate;
    this.samples += count;
    if (!this.counting) return;
    this.runLow = Math.min(this.runLow, drift_ms);
    if (++this.runLength === RUN) this.endRun();
  }

  /** @private */
  endRun() {
    this.floors.push(this.runLow);
    this.runLow = Infinity;
    this.runLength = 0;
  }

  /** Samples the capture had no sound for and filled with silence. @param {number} count @param {number} rate */
  filled(count, rate) {
    if (this.counting) this.filled_ms += (count * 1000) / rate;
  }

  start() {
    this.counting = true;
    this.clockAtStart = this.clock;
  }

  /** The sound lost or added since `start()`, in ms (0 when the recording is whole). */
  lost_ms() {
    const floors = this.runLength >= RUN / 4 ? [...this.floors, this.runLow] : this.floors;
    const step = floors.length > 1 ? Math.max(...floors) - Math.min(...floors) : 0;
    let slip = 0;
    if (this.clock && this.clockAtStart) {
      const a = this.clockAtStart;
      const b = this.clock;
      slip = b.now_ms - a.now_ms - ((b.samples - a.samples) * 1000) / b.rate;
    }
    return Math.round(this.filled_ms + (step > CAPTURE_JITTER_MS ? step : 0) + (slip > GRAPH_SLIP_MS ? slip : 0));
  }
}

/**
 * @typedef {"verified" | "silent" | "quiet" | "clipped" | "other" | "damaged" | "incomplete"} Heard
 */

/**
 * @param {any} result the decoder's result, as `tarvel decode --json` gives it
 * @param {number} peak_dbfs the whole recording's peak
 * @param {string | null} sentHex the frame sent, as the page shows it
 * @param {number} [lost_ms] sound the recording itself lost (CaptureGaps)
 * @returns {{heard: Heard, lowLevel: boolean, clipped: boolean}}
 */
export function judgeHeard(result, peak_dbfs, sentHex, lost_ms = 0) {
  const clipped = peak_dbfs >= 20 * Math.log10(FULL_SCALE);
  const level = result.signal && typeof result.signal.level_dbfs === "number" ? result.signal.level_dbfs : null;
  const lowLevel = level !== null && level < LOW_LEVEL_DBFS;
  /** @param {Heard} heard */
  const verdict = (heard) => ({ heard, lowLevel, clipped });
  if (peak_dbfs < SILENCE_DBFS) return verdict("silent");
  if (result.status === "ok" && result.frame === sentHex) return verdict("verified");
  if (result.status === "ok") return verdict("other");
  // A hole in the recording is reason enough for a frame not read, whatever the level: the
  // check is to be taken again, the send not doubted.
  if (lost_ms > 0) return verdict("incomplete");
  if (clipped) return verdict("clipped");
  // Heard, but under the level the decoder needs: the volume, not the line, is to blame.
  if (lowLevel || (level === null && peak_dbfs < LOW_LEVEL_DBFS)) return verdict("quiet");
  return verdict("damaged");
}
