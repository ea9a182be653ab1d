// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The parameter fields: the spin edits built from the core's ranges, the keying choice, and
// "сформировать".
import { formFrame, settingsToPresetText } from "./core.js";
import { state } from "./state.js";
import { STORE_LAST, storeWrite } from "./storage.js";
import { $, setStatus, t } from "./ui.js";

/** The page's name of each frame field's value. */
const FIELD = /** @type {Record<string, "pilot_hz" | "voxThreshold" | "voxRelease_ms" | "maxTx_s">} */ ({
  pilot_tone_hz: "pilot_hz", vox_threshold_percent: "voxThreshold", vox_release_ms: "voxRelease_ms",
  max_transmit_s: "maxTx_s" });

/** @param {number} b */
export const hex2 = (b) => b.toString(16).toUpperCase().padStart(2, "0");

/** @returns {import("./state.js").Settings} */
export function defaults() {
  const s = { keyingMode: 0, pilot_hz: 0, voxThreshold: 0, voxRelease_ms: 0, maxTxEnabled: false, maxTx_s: 0 };
  for (const r of state.ranges) s[FIELD[r.key]] = r.default;
  return s;
}

/**
 * A text that is not a whole number reads as the minimum; out of range goes to the nearest bound.
 * @param {import("./state.js").Range} r
 * @param {string} text
 */
function fieldValue(r, text) {
  const n = /^\s*[+-]?\d+\s*$/.test(text) ? parseInt(text, 10) : r.min;
  return Math.min(r.max, Math.max(r.min, n));
}

/** @typedef {HTMLElement & {refresh: () => void, clampShown: () => void}} Spin */

/** @param {HTMLElement} element */
export function buildSpin(element) {
  const container = /** @type {Spin} */ (element);
  const r = state.ranges.find((x) => x.key === container.dataset.key);
  if (!r) throw new Error("no range for " + container.dataset.key);
  const id = "field-" + r.key;
  container.innerHTML =
    '<label for="' + id + '" class="spin-label"></label>' +
    '<span class="spin-row"><button type="button" class="step" data-dir="-1" tabindex="-1" aria-hidden="true">−</button>' +
    '<input type="text" inputmode="numeric" role="spinbutton" autocomplete="off" id="' + id + '">' +
    '<button type="button" class="step" data-dir="1" tabindex="-1" aria-hidden="true">+</button>' +
    '<span class="unit"></span></span>';
  const input = /** @type {HTMLInputElement} */ (container.querySelector("input"));
  input.setAttribute("aria-valuemin", String(r.min));
  input.setAttribute("aria-valuemax", String(r.max));
  /** @param {number} value */
  const set = (value) => {
    state.settings[FIELD[r.key]] = value;
    input.value = String(value);
    input.setAttribute("aria-valuenow", String(value));
    saveLast();
  };
  /** @param {number} dir */
  const step = (dir) => set(Math.min(r.max, Math.max(r.min, fieldValue(r, input.value) + dir * r.step)));
  input.addEventListener("keydown", (e) => {
    if (e.key === "ArrowUp" || e.key === "ArrowDown") {
      e.preventDefault();
      step(e.key === "ArrowUp" ? 1 : -1);
    } else if (e.key === "PageUp" || e.key === "PageDown") {
      e.preventDefault();
      step((e.key === "PageUp" ? 10 : -10));
    }
  });
  // The value counts as typed; the field shows it clamped when it is left.
  input.addEventListener("input", () => {
    state.settings[FIELD[r.key]] = fieldValue(r, input.value);
    saveLast();
  });
  input.addEventListener("change", () => set(fieldValue(r, input.value)));
  for (const b of /** @type {NodeListOf<HTMLButtonElement>} */ (container.querySelectorAll(".step")))
    b.addEventListener("click", () => step(Number(b.dataset.dir)));
  container.refresh = () => {
    input.value = String(state.settings[FIELD[r.key]]);
    input.setAttribute("aria-valuenow", String(state.settings[FIELD[r.key]]));
  };
  container.clampShown = () => set(fieldValue(r, input.value));
}

/** @returns {Spin[]} */
export function spins() {
  return /** @type {Spin[]} */ (Array.from(document.querySelectorAll(".spin")));
}

/** What a command sees is clamped first, as the window's fields are on leaving. */
export function clampFields() {
  for (const s of spins()) s.clampShown();
}

export function showSettings() {
  const s = state.settings;
  $("keying-pilot").checked = s.keyingMode === 0;
  $("keying-vox").checked = s.keyingMode === 1;
  $("pilot-fields").hidden = s.keyingMode !== 0;
  $("vox-fields").hidden = s.keyingMode !== 1;
  $("max-tx-enabled").checked = s.maxTxEnabled;
  for (const el of /** @type {NodeListOf<HTMLInputElement>} */ (
    document.querySelectorAll('[data-key="max_transmit_s"] input, [data-key="max_transmit_s"] button')))
    el.disabled = !s.maxTxEnabled;
  for (const spin of spins()) spin.refresh();
}

export function saveLast() {
  storeWrite(STORE_LAST, JSON.parse(settingsToPresetText(state.settings)));
}

/** "сформировать" */
export function form() {
  clampFields();
  const frame = formFrame(state.settings);
  state.lastFrame = frame.bytes.map(hex2).join(" ");
  $("frame-hex").textContent = state.lastFrame;
  $("frame-crc").textContent = hex2(frame.crc >> 8) + hex2(frame.crc & 0xff);
  $("frame-view").hidden = false;
  setStatus(t("formed"));
  return frame;
}

export function wireFields() {
  for (const radio of /** @type {NodeListOf<HTMLInputElement>} */ (document.querySelectorAll('input[name="keying"]')))
    radio.addEventListener("change", () => {
      state.settings.keyingMode = Number(radio.value);
      showSettings();
      saveLast();
    });
  $("max-tx-enabled").addEventListener("change", (/** @type {Event} */ e) => {
    state.settings.maxTxEnabled = /** @type {HTMLInputElement} */ (e.target).checked;
    showSettings();
    saveLast();
  });
  $("form").addEventListener("click", form);
}
