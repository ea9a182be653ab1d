// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The page: the programmer's parameters, the commands, the output and the checks. The frame,
// the signal and the decoder all come from the core (tarvel.js); nothing here computes them.
import { parameters, presetToSettings } from "./core.js";
import { listDevices, wireDevices } from "./devices.js";
import { buildSpin, defaults, showSettings, spins, wireFields } from "./fields.js";
import { preferredLanguage, setLanguage, wireLanguage } from "./language.js";
import { showPresets, wirePresets } from "./presets.js";
import { wireRecording } from "./recording.js";
import { wireSend } from "./send.js";
import { state } from "./state.js";
import { STORE_LAST, storeRead } from "./storage.js";
import { wireVerify } from "./verify.js";

async function start() {
  state.core = await createTarvel();
  state.ranges = parameters().ranges;
  for (const s of spins()) buildSpin(s);
  state.settings = defaults();
  const last = storeRead(STORE_LAST, null);
  if (last) {
    try {
      state.settings = presetToSettings(JSON.stringify(last), state.settings).settings;
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
  wireLanguage();
  setLanguage(preferredLanguage());
  showSettings();
  showPresets();
  listDevices(false).catch(() => {});
  document.body.dataset.ready = "true";
  performance.mark("tarvel-ready"); // how long the page takes to become usable (bench/README.md)
}

start();
