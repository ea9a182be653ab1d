// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// Small helpers every part of the page uses: elements, texts in the page's language, status lines.
import { state } from "./state.js";
import { TEXTS } from "./texts.js";

/**
 * The element with this id; the page is built with every id the code names.
 * @param {string} id
 * @returns {any}
 */
export const $ = (id) => /** @type {any} */ (document.getElementById(id));

/**
 * The text under `key` in the page's language.
 * @param {string} key
 * @returns {any}
 */
export const t = (key) => /** @type {any} */ (TEXTS[state.language])[key];

/**
 * @param {string} text
 * @param {boolean} [isError]
 */
export function setStatus(text, isError) {
  $("status").textContent = text;
  $("status").classList.toggle("error", !!isError);
}

/**
 * Disables a command while another runs, except the one that has the focus: it stays
 * focusable, marked aria-disabled, so that the keyboard and a screen reader stay where the
 * user acted. `document.body.dataset.busy` says a command is running; the commands check it.
 * @param {HTMLButtonElement} button
 * @param {boolean} busy
 */
export function holdWhileBusy(button, busy) {
  const keep = busy && document.activeElement === button;
  button.disabled = busy && !keep;
  if (keep) button.setAttribute("aria-disabled", "true");
  else button.removeAttribute("aria-disabled");
}

/** @param {boolean} busy */
export function markBusy(busy) {
  if (busy) document.body.dataset.busy = "true";
  else delete document.body.dataset.busy;
}

/** Whether a command is running: a click on a command held by holdWhileBusy does nothing. */
export const busy = () => document.body.dataset.busy === "true";

/**
 * What went wrong with a browser call, in the page's language.
 * @param {any} e
 */
export function errorText(e) {
  const known = t("errors")[e && e.name];
  return known ? known + (e.message ? " (" + e.message + ")" : "") : (e && e.message) || t("unknownError");
}

/**
 * Saves bytes as a file through the browser's download.
 * @param {BlobPart} bytes
 * @param {string} name
 * @param {string} type
 */
export function download(bytes, name, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const a = document.createElement("a");
  a.href = url;
  a.download = name;
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 1000);
}
