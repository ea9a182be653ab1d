// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The parameter fields: the spin edits built from the core's ranges, the keying choice, and
// "сформировать".
import { formFrame, presetText } from "./core.js";
import { state } from "./state.js";
import { STORE_LAST, storeWrite } from "./storage.js";
import { $, busy, setStatus, t } from "./ui.js";

const MAX_TX = "max_transmit_s";

/** @param {string} key */
function rangeOf(key) {
  const r = state.parameters && state.parameters.ranges.find((x) => x.key === key);
  if (!r) throw new Error("no range for " + key);
  return r;
}

/**
 * A spin edit's value in its own units (the VOX threshold in tenths of a per cent).
 * @param {string} key
 */
export function fieldValue(key) {
  if (key === MAX_TX) return state.settings.max_transmit_s ?? state.maxTxKept;
  return Math.round(/** @type {any} */ (state.settings)[key] * rangeOf(key).per_file_unit);
}

/**
 * @param {string} key
 * @param {number} value in the field's units
 */
function setFieldValue(key, value) {
  if (key === MAX_TX) {
    state.maxTxKept = value;
    if (state.settings.max_transmit_s !== null) state.settings.max_transmit_s = value;
  } else {
    /** @type {any} */ (state.settings)[key] = value / rangeOf(key).per_file_unit;
  }
}

/**
 * Takes a settings file's values onto the page (a loaded preset, the last values).
 * @param {import("./core.js").SettingsFile} settings
 */
export function takeSettings(settings) {
  state.settings = { ...settings };
  if (settings.max_transmit_s !== null) state.maxTxKept = settings.max_transmit_s;
}

/**
 * The field's text as a value: digits only, as the window's fields take them; an empty
 * field reads as the minimum, a value out of range as the nearest bound.
 * @param {import("./core.js").Range} r
 * @param {string} text
 */
function valueOf(r, text) {
  const n = /^[0-9]+$/.test(text) ? parseInt(text, 10) : r.min;
  return Math.min(r.max, Math.max(r.min, n));
}

/** @typedef {HTMLElement & {refresh: () => void, clampShown: () => void}} Spin */

/**
 * The spin edit's markup, before the core has started: the page's layout does not move later.
 * @param {HTMLElement} container
 */
export function buildSpin(container) {
  const id = "field-" + container.dataset.key;
  container.innerHTML =
    '<label for="' + id + '" class="spin-label"></label>' +
    '<span class="spin-row"><button type="button" class="step" data-dir="-1" tabindex="-1" aria-hidden="true">−</button>' +
    '<input type="text" inputmode="numeric" role="spinbutton" autocomplete="off" id="' + id + '">' +
    '<button type="button" class="step" data-dir="1" tabindex="-1" aria-hidden="true">+</button>' +
    '<span class="unit"></span></span>';
}

/**
 * The spin edit at work, on the core's range for it.
 * @param {HTMLElement} element
 */
export function wireSpin(element) {
  const container = /** @type {Spin} */ (element);
  const r = rangeOf(/** @type {string} */ (container.dataset.key));
  const input = /** @type {HTMLInputElement} */ (container.querySelector("input"));
  input.maxLength = String(r.max).length;
  input.setAttribute("aria-valuemin", String(r.min));
  input.setAttribute("aria-valuemax", String(r.max));
  /** @param {number} value */
  const set = (value) => {
    setFieldValue(r.key, value);
    input.value = String(value);
    input.setAttribute("aria-valuenow", String(value));
    saveLast();
  };
  /** @param {number} dir */
  const step = (dir) => set(Math.min(r.max, Math.max(r.min, valueOf(r, input.value) + dir * r.step)));
  input.addEventListener("keydown", (e) => {
    if (e.key === "ArrowUp" || e.key === "ArrowDown") {
      e.preventDefault();
      step(e.key === "ArrowUp" ? 1 : -1);
    } else if (e.key === "PageUp" || e.key === "PageDown") {
      e.preventDefault();
      step((e.key === "PageUp" ? 10 : -10));
    }
  });
  // Only digits go in, typed or pasted: "2.3", "1e3" or "２０００" are refused whole, as the
  // window's fields refuse the key, rather than read as something else.
  input.addEventListener("beforeinput", (e) => {
    if (e.data !== null && e.data !== undefined && !/^[0-9]*$/.test(e.data)) e.preventDefault();
  });
  let shown = input.value;
  // The value counts as typed; the field shows it clamped when it is left.
  input.addEventListener("input", () => {
    if (!/^[0-9]*$/.test(input.value)) {
      input.value = shown; // dropped or autofilled text the key filter did not see
      return;
    }
    shown = input.value;
    setFieldValue(r.key, valueOf(r, input.value));
    saveLast();
  });
  input.addEventListener("change", () => set(valueOf(r, input.value)));
  for (const b of /** @type {NodeListOf<HTMLButtonElement>} */ (container.querySelectorAll(".step")))
    b.addEventListener("click", () => step(Number(b.dataset.dir)));
  container.refresh = () => {
    input.value = shown = String(fieldValue(r.key));
    input.setAttribute("aria-valuenow", input.value);
  };
  container.clampShown = () => set(valueOf(r, input.value));
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
  const vox = s.keying_mode === "VOX";
  $("keying-pilot").checked = !vox;
  $("keying-vox").checked = vox;
  $("pilot-fields").hidden = vox;
  $("vox-fields").hidden = !vox;
  $("max-tx-enabled").checked = s.max_transmit_s !== null;
  for (const el of /** @type {NodeListOf<HTMLInputElement>} */ (
    document.querySelectorAll('[data-key="max_transmit_s"] input, [data-key="max_transmit_s"] button')))
    el.disabled = s.max_transmit_s === null;
  for (const spin of spins()) spin.refresh();
}

/** Keeps the values for the next visit; a browser that keeps nothing still runs the page, and says so once. */
export function saveLast() {
  if (storeWrite(STORE_LAST, JSON.parse(presetText(state.settings))) || state.storageTold) return;
  state.storageTold = true;
  $("preset-status").textContent = t("lastNotKept");
  $("preset-status").classList.add("error");
}

/** "сформировать" */
export function form() {
  clampFields();
  const frame = formFrame(state.settings);
  state.lastFrame = frame.frame;
  $("frame-hex").textContent = frame.frame;
  $("frame-crc").textContent = frame.crc;
  $("frame-view").hidden = false;
  setStatus(t("formed"));
  return frame;
}

export function wireFields() {
  for (const radio of /** @type {NodeListOf<HTMLInputElement>} */ (document.querySelectorAll('input[name="keying"]')))
    radio.addEventListener("change", () => {
      state.settings.keying_mode = radio.value;
      showSettings();
      saveLast();
    });
  $("max-tx-enabled").addEventListener("change", (/** @type {Event} */ e) => {
    const on = /** @type {HTMLInputElement} */ (e.target).checked;
    state.settings.max_transmit_s = on ? state.maxTxKept : null;
    showSettings();
    saveLast();
  });
  $("form").addEventListener("click", () => busy() || form());
}
