// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// Everything the page holds between events, in one place.

/**
 * @typedef {import("./core.js").SettingsFile} SettingsFile
 * @typedef {import("./core.js").Range} Range
 * @typedef {{stop: (reason?: string) => void}} Playing
 */

export const state = {
  /** @type {TarvelModule | null} the WebAssembly module, once it has started */
  core: null,
  /** @type {import("./core.js").Parameters | null} the spin edits and limits, from the core */
  parameters: null,
  /** @type {SettingsFile} the values on the page, as a settings file (the core's defaults at start) */
  settings: { format: "tarvel-settings", version: 1, keying_mode: "pilot tone", pilot_tone_hz: 0,
    vox_threshold_percent: 0, vox_release_ms: 0, max_transmit_s: null },
  /** the maximum transmit time shown while its limit is off */
  maxTxKept: 0,
  /** @type {"ru" | "en"} */
  language: "ru",
  /** @type {string | null} hex of the latest "сформировать" */
  lastFrame: null,
  /** whether the page has said that the browser keeps none of its values */
  storageTold: false,
  /** @type {Playing | null} while sound is out */
  playing: null,
};
