// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// "Проверить запись": a recording file read and decoded.
import { decodeChannels } from "./core.js";
import { $, errorText, t } from "./ui.js";
import { showVerdict } from "./verdict.js";

/** @param {File} file */
async function checkRecording(file) {
  $("verdict").textContent = t("decoding");
  try {
    const context = new AudioContext();
    try {
      const audio = await context.decodeAudioData(await file.arrayBuffer());
      const channels = [];
      for (let c = 0; c < audio.numberOfChannels; ++c) channels.push(audio.getChannelData(c));
      showVerdict(decodeChannels(channels, audio.sampleRate));
    } finally {
      context.close();
    }
  } catch (e) {
    $("verdict").textContent = t("decodeFailed") + errorText(e);
  }
}

export function wireRecording() {
  $("recording").addEventListener("change", (/** @type {Event} */ e) => {
    const files = /** @type {HTMLInputElement} */ (e.target).files;
    if (files && files[0]) checkRecording(files[0]);
  });
}
