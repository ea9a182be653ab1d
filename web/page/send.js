// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// Sound out: "выдать" (the send's _qq.wav played on the chosen output), the test tone and the
// downloads of the send's files.
import { sendFiles, toneWav } from "./core.js";
import { chosenOutput, outputChoosable } from "./devices.js";
import { form } from "./fields.js";
import { state } from "./state.js";
import { $, busy, download, errorText, holdWhileBusy, markBusy, setStatus, t } from "./ui.js";

/**
 * Plays WAV bytes on the chosen output. Resolves when the sound has ended; rejects with the
 * reason it could not be played. `onProgress(fraction)` follows it.
 * @param {BlobPart} bytes
 * @param {(fraction: number) => void} onProgress
 */
async function playWav(bytes, onProgress) {
  const url = URL.createObjectURL(new Blob([bytes], { type: "audio/wav" }));
  const audio = new Audio();
  audio.preload = "auto";
  audio.src = url;
  const sink = chosenOutput();
  try {
    if (outputChoosable && sink) await /** @type {any} */ (audio).setSinkId(sink);
    let frame = 0;
    const ended = new Promise((resolve, reject) => {
      audio.addEventListener("ended", resolve);
      audio.addEventListener("error", () => reject(audio.error || new Error(t("unknownError"))));
      state.playing = { audio, stop: () => { audio.pause(); reject(Object.assign(new Error(""), { name: "AbortError" })); } };
    });
    const follow = () => {
      if (audio.duration > 0) onProgress(Math.min(1, audio.currentTime / audio.duration));
      frame = requestAnimationFrame(follow);
    };
    await audio.play();
    follow();
    try {
      await ended;
      onProgress(1);
    } finally {
      cancelAnimationFrame(frame);
    }
  } finally {
    state.playing = null;
    URL.revokeObjectURL(url);
  }
}

/** @param {boolean} on */
function setBusy(on) {
  markBusy(on);
  for (const id of ["form", "send", "send-verify"]) holdWhileBusy($(id), on);
  holdWhileBusy($("tone"), on && !$("tone").getAttribute("aria-pressed").includes("true"));
}

/**
 * "выдать": forms the frame again from the fields as they are now, then plays _qq.wav.
 * `whileSending`, when given, is handed the playing and awaited in its place.
 * @param {(played: Promise<void>) => Promise<void>} [whileSending]
 */
export async function send(whileSending) {
  form();
  const files = sendFiles(state.settings);
  const bar = $("progress");
  bar.hidden = false;
  bar.value = 0;
  setBusy(true);
  setStatus(t("sending"));
  try {
    /** @param {number} f */
    const progress = (f) => (bar.value = f);
    await (whileSending ? whileSending(playWav(files.wav, progress)) : playWav(files.wav, progress));
    setStatus(t("sent"));
  } catch (e) {
    setStatus(t("playFailed") + errorText(e), true);
    throw e;
  } finally {
    setBusy(false);
  }
}

async function toggleTone() {
  const button = $("tone");
  if (state.playing && button.getAttribute("aria-pressed") === "true") {
    state.playing.stop();
    return;
  }
  const wav = toneWav(10);
  button.setAttribute("aria-pressed", "true");
  button.textContent = t("toneStop");
  setBusy(true);
  try {
    await playWav(wav, () => {});
  } catch (e) {
    if (/** @type {any} */ (e).name !== "AbortError") setStatus(t("playFailed") + errorText(e), true);
  } finally {
    button.setAttribute("aria-pressed", "false");
    button.textContent = t("tone");
    setBusy(false);
  }
}

export function wireSend() {
  $("send").addEventListener("click", () => busy() || send().catch(() => {}));
  $("tone").addEventListener("click", () => (busy() && $("tone").getAttribute("aria-pressed") !== "true") || toggleTone());
  $("download-wav").addEventListener("click", () => {
    form();
    download(sendFiles(state.settings).wav, "_qq.wav", "audio/wav");
  });
  $("download-fmsig").addEventListener("click", () => {
    form();
    download(sendFiles(state.settings).fmsig, "9_fmsig.h", "text/x-c");
  });
}
