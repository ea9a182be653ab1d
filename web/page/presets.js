// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// "Наборы настроек": presets kept in the browser by name, and preset files exported and imported.
import { presetToSettings, settingsToPresetText } from "./core.js";
import { clampFields, saveLast, showSettings } from "./fields.js";
import { state } from "./state.js";
import { STORE_PRESETS, storeRead, storeWrite } from "./storage.js";
import { $, download, t } from "./ui.js";

/** @returns {Record<string, any>} */
function presets() {
  const stored = storeRead(STORE_PRESETS, {});
  return stored && typeof stored === "object" ? stored : {};
}

/** @param {string} [selected] */
export function showPresets(selected) {
  const select = $("preset");
  select.textContent = "";
  const names = Object.keys(presets()).sort();
  if (names.length === 0) select.add(new Option(t("noPresets"), ""));
  for (const name of names) select.add(new Option(name, name));
  if (selected) select.value = selected;
  $("preset-load").disabled = $("preset-delete").disabled = names.length === 0;
}

/**
 * @param {string} text
 * @param {boolean} [isError]
 */
function presetStatus(text, isError) {
  $("preset-status").textContent = text;
  $("preset-status").classList.toggle("error", !!isError);
}

/** @param {string} text */
function applyPresetText(text) {
  const taken = presetToSettings(text, state.settings);
  state.settings = taken.settings;
  showSettings();
  saveLast();
  return taken.name;
}

/** @param {string} [name] */
const presetOf = (name) => JSON.parse(settingsToPresetText(state.settings, name));

function save() {
  const name = $("preset-name").value.trim();
  if (!name) return presetStatus(t("presetNeedsName"), true);
  clampFields();
  const all = presets();
  all[name] = presetOf(name);
  storeWrite(STORE_PRESETS, all);
  showPresets(name);
  presetStatus(t("presetSaved"));
}

function load() {
  const preset = presets()[$("preset").value];
  if (!preset) return;
  try {
    applyPresetText(JSON.stringify(preset));
    $("preset-name").value = $("preset").value;
    presetStatus(t("presetLoaded"));
  } catch (e) {
    presetStatus(t("badFile") + /** @type {Error} */ (e).message, true);
  }
}

function remove() {
  const all = presets();
  delete all[$("preset").value];
  storeWrite(STORE_PRESETS, all);
  showPresets();
  presetStatus(t("presetDeleted"));
}

function exportFile() {
  clampFields();
  const name = $("preset-name").value.trim();
  const text = settingsToPresetText(state.settings, name);
  download(new TextEncoder().encode(text), (name || "tarvel") + ".tarvel.json", "application/json");
}

/** @param {Event} e */
async function importFile(e) {
  const input = /** @type {HTMLInputElement} */ (e.target);
  const file = input.files && input.files[0];
  input.value = "";
  if (!file) return;
  try {
    const name = applyPresetText(await file.text());
    if (name) {
      const all = presets();
      all[name] = presetOf(name);
      storeWrite(STORE_PRESETS, all);
      showPresets(name);
      $("preset-name").value = name;
    }
    presetStatus(t("presetImported"));
  } catch (err) {
    presetStatus(t("badFile") + /** @type {Error} */ (err).message, true);
  }
}

export function wirePresets() {
  $("preset-save").addEventListener("click", save);
  $("preset-load").addEventListener("click", load);
  $("preset-delete").addEventListener("click", remove);
  $("preset-export").addEventListener("click", exportFile);
  $("preset-import").addEventListener("change", importFile);
}
