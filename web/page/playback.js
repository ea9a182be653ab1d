// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// WAV bytes played on one output, watched for everything that would keep samples from reaching
// it: the output leaving the device list, the audio clock standing still while time runs on, a
// pause nobody asked for, an error. Ends at once on any of them, or on stop(), with the reason.
import { outputsNow } from "./devices.js";

/** How long the audio clock may stand still while playing before the output counts as stuck. */
export const STALL_MS = 2000;
/** How often the device list is read while playing (a browser may not say when it changes). */
const DEVICE_POLL_MS = 500;

/** Why a playing ended before its end; `reason` is a key of the page's texts. */
export class PlaybackStopped extends Error {
  /** @param {string} reason @param {string} [detail] */
  constructor(reason, detail) {
    super(reason + (detail ? ": " + detail : ""));
    this.name = "PlaybackStopped";
    this.reason = reason;
    this.detail = detail || "";
  }
}

/**
 * The clock check on its own, fed (wall time, media time) samples: says when the media time has
 * not moved for `STALL_MS` of wall time.
 */
export class StallWatch {
  constructor(limit_ms = STALL_MS) {
    this.limit_ms = limit_ms;
    this.since = -1;
    this.last = -1;
  }

  /** @param {number} now_ms @param {number} mediaTime_s @returns {boolean} whether it stands still */
  stuck(now_ms, mediaTime_s) {
    if (mediaTime_s !== this.last || this.since < 0) {
      this.last = mediaTime_s;
      this.since = now_ms;
      return false;
    }
    return now_ms - this.since >= this.limit_ms;
  }
}

/**
 * @typedef {{sinkId?: string, onProgress?: (fraction: number) => void}} PlayOptions
 * @typedef {{done: Promise<void>, stop: (reason?: string) => void}} Playback
 */

/**
 * Starts playing; `done` resolves once the last sample has been played and rejects with a
 * PlaybackStopped (or the browser's error when it could not start).
 * @param {BlobPart} bytes
 * @param {PlayOptions} options
 * @returns {Playback}
 */
export function playWav(bytes, { sinkId = "", onProgress = () => {} } = {}) {
  const url = URL.createObjectURL(new Blob([bytes], { type: "audio/wav" }));
  const audio = new Audio();
  audio.preload = "auto";
  audio.src = url;
  /** @type {(e: any) => void} */
  let fail = () => {};
  /** @type {() => void} */
  let succeed = () => {};
  let over = false;
  const timers = /** @type {number[]} */ ([]);
  let frame = 0;

  const finish = () => {
    over = true;
    for (const id of timers) clearInterval(id);
    cancelAnimationFrame(frame);
    audio.pause();
    audio.removeAttribute("src");
    audio.load(); // lets the output go at once
    URL.revokeObjectURL(url);
  };
  const done = new Promise((resolve, reject) => {
    succeed = () => {
      if (over) return;
      finish();
      onProgress(1);
      resolve(undefined);
    };
    fail = (e) => {
      if (over) return;
      finish();
      reject(e);
    };
  });

  const watch = () => {
    const stall = new StallWatch();
    timers.push(window.setInterval(() => {
      if (!audio.ended && stall.stuck(performance.now(), audio.currentTime)) fail(new PlaybackStopped("stalled"));
    }, 100));
    if (sinkId) {
      let reading = false;
      timers.push(window.setInterval(async () => {
        if (reading) return;
        reading = true;
        try {
          const outputs = await outputsNow();
          if (!outputs.some((d) => d.deviceId === sinkId)) fail(new PlaybackStopped("outputGone"));
        } catch (e) {
          // the list could not be read this time; the clock still watches
        } finally {
          reading = false;
        }
      }, DEVICE_POLL_MS));
    }
    const follow = () => {
      if (audio.duration > 0) onProgress(Math.min(1, audio.currentTime / audio.duration));
      frame = requestAnimationFrame(follow);
    };
    follow();
  };

  audio.addEventListener("ended", succeed);
  audio.addEventListener("error", () => fail(new PlaybackStopped("playError", audio.error ? audio.error.message : "")));
  audio.addEventListener("pause", () => {
    // The pause that comes with the end is no fault.
    if (!audio.ended && !(audio.duration > 0 && audio.currentTime >= audio.duration)) fail(new PlaybackStopped("paused"));
  });
  const start = async () => {
    if (sinkId) await /** @type {any} */ (audio).setSinkId(sinkId);
    if (over) return;
    await audio.play();
    if (over) return;
    watch();
  };
  start().catch(fail);
  return { done, stop: (reason = "cancelled") => fail(new PlaybackStopped(reason)) };
}
