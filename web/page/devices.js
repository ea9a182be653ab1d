// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The sound devices: the output the send plays on and the input the check listens to.
import { $, errorText, t } from "./ui.js";

/** Whether this browser can play on an output other than the system's default. */
export const outputChoosable = typeof HTMLMediaElement !== "undefined" && "setSinkId" in HTMLMediaElement.prototype;

/** The chosen output's device id; "" for the system's default. */
export function chosenOutput() {
  return $("output").value;
}

/** The chosen input's device id; "" for the system's default. */
export function chosenInput() {
  return $("input").value;
}

/**
 * @param {HTMLSelectElement} select
 * @param {MediaDeviceInfo[]} devices
 * @param {string} defaultText
 */
function fillDevices(select, devices, defaultText) {
  const chosen = select.value;
  select.textContent = "";
  select.add(new Option(defaultText, ""));
  devices.filter((d) => d.deviceId && d.deviceId !== "default").forEach((d, i) =>
    select.add(new Option(d.label || defaultText.split(" ")[0] + " " + (i + 1), d.deviceId)));
  select.value = Array.from(select.options).some((o) => o.value === chosen) ? chosen : "";
}

/** @param {boolean} askForNames */
export async function listDevices(askForNames) {
  const media = navigator.mediaDevices;
  if (!media || !media.enumerateDevices) {
    $("output-note").textContent = t("noMediaDevices");
    return;
  }
  if (askForNames) {
    // Browsers name the devices only once a page may use a microphone.
    try {
      const stream = await media.getUserMedia({ audio: true });
      stream.getTracks().forEach((track) => track.stop());
    } catch (e) {
      // Asked only for the names: with no microphone at all there is nothing wrong to report.
      const noInput = /** @type {any} */ (e).name === "NotFoundError";
      $("output-note").textContent = noInput ? t("noInput") : t("recordFailed") + errorText(e);
    }
  }
  const devices = await media.enumerateDevices();
  fillDevices($("output"), devices.filter((d) => d.kind === "audiooutput"), t("defaultOutput"));
  fillDevices($("input"), devices.filter((d) => d.kind === "audioinput"), t("defaultInput"));
}

export function wireDevices() {
  $("list-devices").addEventListener("click", () => listDevices(true));
  if (navigator.mediaDevices && navigator.mediaDevices.addEventListener)
    navigator.mediaDevices.addEventListener("devicechange", () => listDevices(false));
}
