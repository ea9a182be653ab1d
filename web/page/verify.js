// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// "выдать и проверить на слух": the chosen input recorded while the send plays, then decoded.
import { decode } from "./core.js";
import { chosenInput } from "./devices.js";
import { send } from "./send.js";
import { $, busy, errorText, t } from "./ui.js";
import { showVerdict } from "./verdict.js";

// Records the chosen input while sending, with the browser's voice processing off (it would
// take the tones for noise or echo), and decodes what it heard.
async function sendAndVerify() {
  const media = navigator.mediaDevices;
  if (!media || !media.getUserMedia) {
    $("verdict").textContent = t("recordFailed") + t("noMediaDevices");
    return;
  }
  /** @type {MediaTrackConstraints} */
  const constraints = { echoCancellation: false, noiseSuppression: false, autoGainControl: false };
  if (chosenInput()) constraints.deviceId = { exact: chosenInput() };
  let stream;
  try {
    stream = await media.getUserMedia({ audio: constraints });
  } catch (e) {
    $("verdict").textContent = t("recordFailed") + errorText(e);
    return;
  }
  const context = new AudioContext();
  /** @type {Float32Array[]} */
  const chunks = [];
  try {
    const source = context.createMediaStreamSource(stream);
    const tap = context.createScriptProcessor(4096, 1, 1);
    tap.onaudioprocess = (e) => chunks.push(new Float32Array(e.inputBuffer.getChannelData(0)));
    source.connect(tap);
    tap.connect(context.destination); // silent: the tap writes nothing to its output
    $("verdict").textContent = t("listening");
    /** @param {number} ms */
    const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
    await send(async (played) => {
      await played;
      await sleep(500); // the tail still on its way through the input
    });
    tap.disconnect();
  } catch (e) {
    return; // the send already says why
  } finally {
    stream.getTracks().forEach((track) => track.stop());
    await context.close();
  }
  const heard = new Float32Array(chunks.reduce((n, c) => n + c.length, 0));
  let at = 0;
  for (const c of chunks) {
    heard.set(c, at);
    at += c.length;
  }
  showVerdict(decode(heard, context.sampleRate));
}

export function wireVerify() {
  $("send-verify").addEventListener("click", () => busy() || sendAndVerify());
}
