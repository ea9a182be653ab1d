// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The page's language: every text on the page switched at once, the lines already shown
// included.
import { outputChoosable } from "./devices.js";
import { spins } from "./fields.js";
import { showPresets } from "./presets.js";
import { state } from "./state.js";
import { STORE_LANGUAGE, storeRead, storeWrite } from "./storage.js";
import { TEXTS } from "./texts.js";
import { $, t } from "./ui.js";

/** Texts that start a line and are followed by the reason. */
const PREFIXES = ["playFailed", "recordFailed", "decodeFailed", "badFile", "startFailed", "notRead"];

/**
 * A line shown in `from`'s words, in `to`'s: a whole text, or one of PREFIXES with what follows
 * it (a reason from the browser stays as the browser wrote it).
 * @param {string} text
 * @param {Record<string, any>} from
 * @param {Record<string, any>} to
 */
function retranslate(text, from, to) {
  for (const [key, value] of Object.entries(from))
    if (typeof value === "string" && value === text && typeof to[key] === "string") return to[key];
  for (const key of PREFIXES)
    if (text.startsWith(from[key])) return to[key] + text.slice(from[key].length);
  return text;
}

/** @param {string} lang */
export function setLanguage(lang) {
  const before = TEXTS[state.language];
  state.language = lang === "en" ? "en" : "ru";
  document.documentElement.lang = state.language;
  $("language").value = state.language;
  // Only what changes is written: a text written anew counts as new content to the browser.
  for (const el of /** @type {NodeListOf<HTMLElement>} */ (document.querySelectorAll("[data-t]"))) {
    const text = t(/** @type {string} */ (el.dataset.t));
    if (el.textContent !== text) el.textContent = text;
  }
  $("steps").textContent = "";
  for (const step of t("steps")) {
    const li = document.createElement("li");
    li.textContent = step;
    $("steps").appendChild(li);
  }
  for (const s of spins()) {
    const [label, unit] = t(/** @type {string} */ (s.dataset.key));
    /** @type {HTMLElement} */ (s.querySelector(".spin-label")).textContent = label;
    /** @type {HTMLElement} */ (s.querySelector(".unit")).textContent = unit;
    /** @type {HTMLElement} */ (s.querySelector('[data-dir="-1"]')).title = t("stepDown");
    /** @type {HTMLElement} */ (s.querySelector('[data-dir="1"]')).title = t("stepUp");
  }
  for (const el of /** @type {NodeListOf<HTMLElement>} */ (
    document.querySelectorAll("#status, #preset-status, #verdict p, #output-note")))
    el.textContent = retranslate(el.textContent || "", before, TEXTS[state.language]);
  if (!$("output-note").textContent) $("output-note").textContent = outputChoosable ? t("outputChoosable") : t("outputNotChoosable");
  for (const [select, key] of [["output", "defaultOutput"], ["input", "defaultInput"]]) {
    const first = $(select).options[0];
    if (first && first.value === "") first.text = t(key);
  }
  showPresets();
  $("progress").setAttribute("aria-label", t("progress"));
  if ($("tone").getAttribute("aria-pressed") === "true") $("tone").textContent = t("toneStop");
  document.title = t("title");
}

/** The language kept from the last visit, else the browser's first of ours, else Russian. */
export function preferredLanguage() {
  const kept = storeRead(STORE_LANGUAGE, null);
  if (kept === "ru" || kept === "en") return kept;
  const browser = (navigator.languages || [navigator.language]).find((l) => /^(ru|en)\b/i.test(l)) || "ru";
  return browser.slice(0, 2).toLowerCase();
}

export function wireLanguage() {
  $("language").addEventListener("change", (/** @type {Event} */ e) => {
    setLanguage(/** @type {HTMLSelectElement} */ (e.target).value);
    storeWrite(STORE_LANGUAGE, state.language);
  });
}
