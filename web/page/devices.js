// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The sound devices: the output the send plays on and the input the check listens to. A choice
// is remembered by what a device keeps across unplugging and plugging back in (its label and
// group; its id may change), shown as missing while the device is gone, and taken again by
// itself when the device returns, also after a reload.
import { state } from "./state.js";
import { storeRead, storeWrite } from "./storage.js";
import { $, errorText, t } from "./ui.js";

/** Whether this browser can play on an output other than the system's default. */
export const outputChoosable = typeof HTMLMediaElement !== "undefined" && "setSinkId" in HTMLMediaElement.prototype;

/** The value of the option that stands for a chosen device that is not connected now. */
const MISSING = "missing";

/**
 * @typedef {{deviceId: string, label: string, groupId: string}} Remembered
 * @typedef {{kind: "default"} | {kind: "device", id: string, label: string} |
 *   {kind: "missing", label: string, unnamed: boolean}} Choice
 */

const KINDS = /** @type {const} */ ({
  audiooutput: { select: "output", store: "tarvel.output", defaultText: "defaultOutput" },
  audioinput: { select: "input", store: "tarvel.input", defaultText: "defaultInput" },
});

/**
 * The device `remembered` stands for among `devices`: the same id, else the same label and
 * group, else the only one with the same label.
 * @param {Remembered} remembered
 * @param {{deviceId: string, label: string, groupId: string}[]} devices
 */
export function findRemembered(remembered, devices) {
  const byId = devices.find((d) => d.deviceId === remembered.deviceId);
  if (byId) return byId;
  if (!remembered.label) return undefined;
  const byLabel = devices.filter((d) => d.label === remembered.label);
  return byLabel.find((d) => d.groupId === remembered.groupId) || (byLabel.length === 1 ? byLabel[0] : undefined);
}

/** @param {keyof typeof KINDS} kind @returns {Remembered | null} */
function remembered(kind) {
  const r = storeRead(KINDS[kind].store, null);
  return r && typeof r === "object" && typeof r.label === "string" && typeof r.deviceId === "string" ? r : null;
}

/** @param {HTMLSelectElement} select @returns {Choice} */
function choiceOf(select) {
  const option = select.selectedOptions[0];
  if (!option || !option.value) return { kind: "default" };
  if (option.value === MISSING) return { kind: "missing", label: option.dataset.label || "", unnamed: !!option.dataset.unnamed };
  return { kind: "device", id: option.value, label: option.dataset.label || option.text };
}

/** The chosen output: the system's default, a device, or a remembered device now missing. */
export function chosenOutput() {
  return choiceOf($("output"));
}

/** The chosen input, as `chosenOutput`. */
export function chosenInput() {
  return choiceOf($("input"));
}

/**
 * The name of an output or input for messages.
 * @param {Choice} choice
 * @param {"output" | "input"} which
 */
export function choiceName(choice, which) {
  return choice.kind === "default" ? t(which === "output" ? "systemOutput" : "systemInput") : "«" + choice.label + "»";
}

/** The browser's devices, or none when it gives no access to them. */
async function devices() {
  const media = navigator.mediaDevices;
  if (!media || !media.enumerateDevices) return [];
  return media.enumerateDevices();
}

/**
 * @param {keyof typeof KINDS} kind
 * @param {MediaDeviceInfo[]} all
 */
function fillDevices(kind, all) {
  const { select: id, defaultText } = KINDS[kind];
  /** @type {HTMLSelectElement} */
  const select = $(id);
  const list = all.filter((d) => d.kind === kind && d.deviceId && d.deviceId !== "default");
  const named = list.length > 0 && list.every((d) => d.label);
  const wanted = remembered(kind);
  // Read again every few seconds: a list that has not changed is left alone (an open list
  // would close under the user's hand).
  const key = JSON.stringify([list.map((d) => [d.deviceId, d.label, d.groupId]), wanted, state.language]);
  if (select.dataset.key === key) return;
  select.dataset.key = key;
  const current = select.value;
  select.textContent = "";
  select.add(new Option(t(defaultText), ""));
  list.forEach((d, i) => {
    const option = new Option(d.label || t(defaultText).split(" ")[0] + " " + (i + 1), d.deviceId);
    option.dataset.label = d.label;
    option.dataset.group = d.groupId;
    select.add(option);
  });
  if (!wanted) {
    select.value = list.some((d) => d.deviceId === current) ? current : "";
    return;
  }
  const found = findRemembered(wanted, list);
  if (found) {
    select.value = found.deviceId;
    // The same device under a new id: keep the id it has now.
    if (found.deviceId !== wanted.deviceId) storeWrite(KINDS[kind].store, remember(found));
  } else if (named || !wanted.label) {
    const option = new Option(t("deviceMissing").replace("%1", wanted.label || wanted.deviceId), MISSING);
    option.dataset.label = wanted.label;
    select.add(option);
    select.value = MISSING;
  } else {
    // The browser hides the names until a microphone is allowed: the choice cannot be told yet.
    const option = new Option(t("deviceUnnamed").replace("%1", wanted.label), MISSING);
    option.dataset.label = wanted.label;
    option.dataset.unnamed = "true";
    select.add(option);
    select.value = MISSING;
  }
}

/** @param {{deviceId: string, label: string, groupId: string}} d @returns {Remembered} */
function remember(d) {
  return { deviceId: d.deviceId, label: d.label, groupId: d.groupId };
}

// Devices are listed one call at a time, the latest answer last.
let listing = Promise.resolve();

/**
 * Fills both lists from the browser's devices. `askForNames`: ask for the microphone first, as
 * browsers name the devices only once a page may use one; asked by itself when the permission
 * is already given and a remembered choice needs its name.
 * @param {boolean} askForNames
 */
export function listDevices(askForNames) {
  listing = listing.then(() => fill(askForNames)).catch((e) => {
    $("output-note").textContent = t("devicesFailed") + errorText(e);
  });
  return listing;
}

/** @param {boolean} askForNames */
async function fill(askForNames) {
  const media = navigator.mediaDevices;
  if (!media || !media.enumerateDevices) {
    $("output-note").textContent = t("noMediaDevices");
    return;
  }
  let all = await devices();
  const hidden = all.some((d) => (d.kind === "audiooutput" || d.kind === "audioinput") && !d.label);
  const needed = remembered("audiooutput") || remembered("audioinput");
  if (askForNames || (hidden && needed && (await microphoneAllowed()))) {
    try {
      const stream = await media.getUserMedia({ audio: true });
      stream.getTracks().forEach((track) => track.stop());
      all = await devices();
    } catch (e) {
      // Asked only for the names: with no microphone at all there is nothing wrong to report.
      const noInput = /** @type {any} */ (e).name === "NotFoundError";
      if (askForNames) $("output-note").textContent = noInput ? t("noInput") : t("recordFailed") + inputErrorText(e, false);
    }
  }
  fillDevices("audiooutput", all);
  fillDevices("audioinput", all);
}

async function microphoneAllowed() {
  try {
    const status = await navigator.permissions.query(/** @type {any} */ ({ name: "microphone" }));
    return status.state === "granted";
  } catch (e) {
    return false; // a browser that cannot tell
  }
}

/**
 * What went wrong when the input was asked for, in the page's language.
 * @param {any} e
 * @param {boolean} chosen whether a particular input was asked for
 */
export function inputErrorText(e, chosen) {
  const name = e && e.name;
  // Some engines answer a missing device with OverconstrainedError although nothing was chosen.
  if (name === "NotFoundError" || (name === "OverconstrainedError" && !chosen)) return t("noInputDevice");
  return errorText(e);
}

/**
 * The outputs the browser lists now (ids and labels), to tell whether one is still there.
 * @returns {Promise<MediaDeviceInfo[]>}
 */
export async function outputsNow() {
  return (await devices()).filter((d) => d.kind === "audiooutput");
}

/** How often the lists are read while a device is chosen (some browsers tell no change unasked). */
const WATCH_MS = 2000;

export function wireDevices() {
  // A chosen device that is gone is shown missing, and taken again when it returns, without
  // waiting for the browser to say the devices changed.
  window.setInterval(() => {
    const chosen = remembered("audiooutput") || remembered("audioinput");
    if (chosen && document.visibilityState === "visible" && !document.hidden) listDevices(false);
  }, WATCH_MS);
  for (const kind of /** @type {(keyof typeof KINDS)[]} */ (Object.keys(KINDS))) {
    const select = $(KINDS[kind].select);
    select.addEventListener("change", () => {
      const option = select.selectedOptions[0];
      if (!option || option.value === MISSING) return;
      storeWrite(KINDS[kind].store, option.value ?
        remember({ deviceId: option.value, label: option.dataset.label || "", groupId: option.dataset.group || "" }) :
        null);
    });
  }
  $("list-devices").addEventListener("click", () => listDevices(true));
  if (navigator.mediaDevices && navigator.mediaDevices.addEventListener)
    navigator.mediaDevices.addEventListener("devicechange", () => listDevices(false));
}
