// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The page: the programmer's parameters, the commands, the output and the checks. The frame,
// the signal and the decoder all come from the core (tarvel.js); nothing here computes them.
// The page's texts and layout are set before the core starts, so nothing moves once it has;
// until it has, and for good when it cannot, every command stays disabled and says why.
import { parameters, readPreset } from "./core.js";
import { listDevices, wireDevices } from "./devices.js";
import { buildSpin, showSettings, spins, takeSettings, wireFields, wireSpin } from "./fields.js";
import { preferredLanguage, setLanguage, wireLanguage } from "./language.js";
import { keepOffline, wireOffline } from "./offline.js";
import { showPresets, wirePresets } from "./presets.js";
import { wireRecording } from "./recording.js";
import { wireSend } from "./send.js";
import { state } from "./state.js";
import { STORE_LAST, storeRead } from "./storage.js";
import { $, t } from "./ui.js";
import { wireVerify } from "./verify.js";

/** A module with one WebAssembly SIMD instruction: what the core is built with. */
const SIMD_PROBE = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0,
  65, 0, 253, 15, 253, 98, 11]);

/** What this browser lacks to run the core; null when nothing. */
function missingFeature() {
  if (typeof WebAssembly !== "object" || typeof WebAssembly.validate !== "function") return t("noWebAssembly");
  if (!WebAssembly.validate(SIMD_PROBE)) return t("noSimd");
  return null;
}

/**
 * The engine (tarvel.js) once it has run. It comes after the page, so that the page is shown
 * and set while it loads: written into the one-file page it has run by the time the document
 * is parsed; a site loads it beside the page.
 * @returns {Promise<void>}
 */
async function engineLoaded() {
  if (document.readyState === "loading")
    await new Promise((resolve) => document.addEventListener("DOMContentLoaded", resolve, { once: true }));
  if (typeof createTarvel === "function") return;
  const script = $("engine");
  if (!script.src) throw new Error(t("engineNotLoaded"));
  await new Promise((resolve, reject) => {
    script.addEventListener("load", resolve);
    script.addEventListener("error", () => reject(new Error(t("engineNotLoaded"))));
  });
}

/** @param {boolean} on */
function commandsEnabled(on) {
  for (const el of /** @type {NodeListOf<HTMLButtonElement | HTMLInputElement | HTMLSelectElement>} */ (
    document.querySelectorAll("main button, main input, main select")))
    el.disabled = !on;
}

/** @param {string} why */
function startFailed(why) {
  commandsEnabled(false);
  const status = $("status");
  status.textContent = t("startFailed") + why;
  status.classList.add("error");
  document.body.dataset.failed = "true";
}

async function start() {
  const missing = missingFeature();
  if (missing) return startFailed(missing);
  await engineLoaded();
  state.core = await createTarvel();
  state.parameters = parameters();
  for (const s of spins()) wireSpin(s);
  state.maxTxKept = state.parameters.ranges.find((r) => r.key === "max_transmit_s")?.default ?? 0;
  takeSettings(state.parameters.defaults);
  const last = storeRead(STORE_LAST, null);
  if (last) {
    try {
      takeSettings(readPreset(new TextEncoder().encode(JSON.stringify(last))).settings);
    } catch (e) {
      // a last state from another version of the page: start from the defaults
    }
  }
  wireFields();
  wireSend();
  wireDevices();
  wireVerify();
  wireRecording();
  wirePresets();
  commandsEnabled(true);
  showSettings();
  showPresets();
  listDevices(false).catch(() => {});
  document.body.dataset.ready = "true";
  performance.mark("tarvel-ready"); // how long the page takes to become usable (bench/README.md)
}

for (const s of spins()) buildSpin(s);
commandsEnabled(false);
wireLanguage();
wireOffline();
setLanguage(preferredLanguage());
showPresets();
// The keying kept from the last visit decides which fields show, before the core has started.
const voxKept = storeRead(STORE_LAST, {})?.keying_mode === "VOX";
$("pilot-fields").hidden = voxKept;
$("vox-fields").hidden = !voxKept;
document.body.dataset.texts = "true";
keepOffline();
start().catch((e) => startFailed(e && e.message ? e.message : String(e)));
