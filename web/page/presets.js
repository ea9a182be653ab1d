// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// "Наборы настроек": presets kept in the browser by name, and preset files exported and
// imported. Every name is kept as it is (a Map, so that "__proto__" is a name like any other)
// or refused with a reason; nothing is overwritten or deleted without asking.
import { CoreError, presetText, readPreset } from "./core.js";
import { clampFields, saveLast, showSettings, takeSettings } from "./fields.js";
import { refusalText } from "./refusals.js";
import { state } from "./state.js";
import { STORE_PRESETS, storeRead, storeWrite } from "./storage.js";
import { $, download, t } from "./ui.js";

/** @returns {Map<string, any>} */
function presets() {
  const stored = storeRead(STORE_PRESETS, {});
  return new Map(stored && typeof stored === "object" && !Array.isArray(stored) ? Object.entries(stored) : []);
}

/**
 * Writes the presets; false when the browser's storage took nothing.
 * @param {Map<string, any>} all
 */
const keep = (all) => storeWrite(STORE_PRESETS, Object.fromEntries(all));

/** @param {string} [selected] */
export function showPresets(selected) {
  const select = $("preset");
  const keepChoice = selected ?? select.value;
  select.textContent = "";
  const names = Array.from(presets().keys()).sort();
  if (names.length === 0) select.add(new Option(t("noPresets"), ""));
  for (const name of names) select.add(new Option(name, name));
  if (names.includes(keepChoice)) select.value = keepChoice;
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

/** @param {unknown} e */
function refused(e) {
  presetStatus(t("badFile") + (e instanceof CoreError ? refusalText(e) : String(e)), true);
}

/**
 * Keeps the page's values as the preset `name`, asking before one of that name is replaced.
 * @param {string} name
 * @returns {boolean} whether it was kept
 */
function store(name) {
  const all = presets();
  if (all.has(name) && !window.confirm(t("presetReplace").replace("{name}", name))) {
    presetStatus(t("presetNotReplaced"));
    return false;
  }
  all.set(name, JSON.parse(presetText(state.settings, name)));
  if (!keep(all)) {
    presetStatus(t("storageFailed"), true);
    return false;
  }
  showPresets(name);
  return true;
}

function save() {
  const name = $("preset-name").value.trim();
  if (!name) return presetStatus(t("presetNeedsName"), true);
  clampFields();
  if (store(name)) presetStatus(t("presetSaved"));
}

function load() {
  const name = $("preset").value;
  const preset = presets().get(name);
  if (!preset) return;
  try {
    takeSettings(readPreset(new TextEncoder().encode(JSON.stringify(preset))).settings);
    showSettings();
    saveLast();
    $("preset-name").value = name;
    presetStatus(t("presetLoaded"));
  } catch (e) {
    refused(e);
  }
}

function remove() {
  const name = $("preset").value;
  const all = presets();
  if (!all.has(name) || !window.confirm(t("presetDeleteAsk").replace("{name}", name))) return;
  all.delete(name);
  if (!keep(all)) return presetStatus(t("storageFailed"), true);
  showPresets();
  presetStatus(t("presetDeleted"));
}

function exportFile() {
  clampFields();
  const name = $("preset-name").value.trim();
  download(new TextEncoder().encode(presetText(state.settings, name)), (name || "tarvel") + ".tarvel.json",
    "application/json");
}

/** @param {Event} e */
async function importFile(e) {
  const input = /** @type {HTMLInputElement} */ (e.target);
  const file = input.files && input.files[0];
  input.value = "";
  if (!file) return;
  const limit = state.parameters ? state.parameters.settings_file_limit : 0;
  // Refused by its size before a byte is read: a file this large is something else.
  if (file.size > limit) return refused(new CoreError("settings", "too large for a settings file"));
  try {
    const taken = readPreset(new Uint8Array(await file.arrayBuffer()));
    takeSettings(taken.settings);
    showSettings();
    saveLast();
    if (taken.name) {
      $("preset-name").value = taken.name;
      if (!store(taken.name)) return; // the values are on the page; the status says why not kept
    }
    presetStatus(t("presetImported"));
  } catch (err) {
    refused(err);
  }
}

export function wirePresets() {
  $("preset-save").addEventListener("click", save);
  $("preset-load").addEventListener("click", load);
  $("preset-delete").addEventListener("click", remove);
  $("preset-export").addEventListener("click", exportFile);
  $("preset-import").addEventListener("change", importFile);
}
