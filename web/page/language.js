// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The page's language: every text on the page switched at once.
import { outputChoosable } from "./devices.js";
import { spins } from "./fields.js";
import { state } from "./state.js";
import { STORE_LANGUAGE, storeRead, storeWrite } from "./storage.js";
import { TEXTS } from "./texts.js";
import { $, t } from "./ui.js";

/** @param {string} lang */
export function setLanguage(lang) {
  state.language = lang === "en" ? "en" : "ru";
  document.documentElement.lang = state.language;
  $("language").value = state.language;
  for (const el of /** @type {NodeListOf<HTMLElement>} */ (document.querySelectorAll("[data-t]")))
    el.textContent = t(/** @type {string} */ (el.dataset.t));
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
  $("output-note").textContent = outputChoosable ? t("outputChoosable") : t("outputNotChoosable");
  $("progress").setAttribute("aria-label", t("progress"));
  if ($("tone").getAttribute("aria-pressed") === "true") $("tone").textContent = t("toneStop");
  document.title = t("title");
  storeWrite(STORE_LANGUAGE, state.language);
}

/** The language kept from the last visit, else the browser's first of ours, else Russian. */
export function preferredLanguage() {
  const kept = storeRead(STORE_LANGUAGE, null);
  if (kept && Object.hasOwn(TEXTS, kept)) return kept;
  const browser = (navigator.languages || [navigator.language]).find((l) => /^(ru|en)\b/i.test(l)) || "ru";
  return browser.slice(0, 2).toLowerCase();
}

export function wireLanguage() {
  $("language").addEventListener("change", (/** @type {Event} */ e) =>
    setLanguage(/** @type {HTMLSelectElement} */ (e.target).value));
}
