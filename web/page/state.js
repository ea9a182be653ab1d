// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// Everything the page holds between events, in one place.

/**
 * @typedef {{keyingMode: number, pilot_hz: number, voxThreshold: number, voxRelease_ms: number,
 *   maxTxEnabled: boolean, maxTx_s: number}} Settings
 * @typedef {{key: string, min: number, max: number, step: number, default: number}} Range
 * @typedef {{stop: (reason?: string) => void}} Playing
 */

export const state = {
  /** @type {TarvelModule | null} the WebAssembly module, once it has started */
  core: null,
  /** @type {Range[]} the spin edits, from the core's parameter table */
  ranges: [],
  /** @type {Settings} the values on the page */
  settings: { keyingMode: 0, pilot_hz: 0, voxThreshold: 0, voxRelease_ms: 0, maxTxEnabled: false, maxTx_s: 0 },
  /** @type {"ru" | "en"} */
  language: "ru",
  /** @type {string | null} hex of the latest "сформировать" */
  lastFrame: null,
  /** @type {Playing | null} while sound is out */
  playing: null,
};
