// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// Sound out: "выдать" (the send's _qq.wav played on the chosen output), the test tone and the
// downloads of the send's files. A send is called done only when its last sample was played on
// the output it started on; anything that stops it says so and why, and leaves the page ready
// to send again.
import { sendFiles, toneWav } from "./core.js";
import { choiceName, chosenOutput, outputChoosable } from "./devices.js";
import { form } from "./fields.js";
import { PlaybackStopped, playWav } from "./playback.js";
import { state } from "./state.js";
import { $, busy, download, errorText, holdWhileBusy, markBusy, setStatus, t } from "./ui.js";

/** A send that was not started: `message` says why, in the page's language. */
export class SendRefused extends Error {
  /** @param {string} message */
  constructor(message) {
    super(message);
    this.name = "SendRefused";
  }
}

/**
 * Holds the commands while a send, a check or the tone runs (the one that started it keeps the
 * focus), and shows "отменить" for a send or a check.
 * @param {boolean} on
 */
export function setBusy(on) {
  markBusy(on);
  for (const id of ["form", "send", "send-verify"]) holdWhileBusy($(id), on);
  const toning = $("tone").getAttribute("aria-pressed") === "true";
  holdWhileBusy($("tone"), on && !toning);
  $("cancel").hidden = !on || toning;
  $("cancel").disabled = !on;
}

/**
 * The output to play on, or a refusal: a chosen output that is not connected, or a browser
 * that lists no output at all (no sound server), is never replaced by another one.
 * @returns {Promise<{sinkId: string, name: string}>}
 */
async function outputToUse() {
  const choice = chosenOutput();
  const name = choiceName(choice, "output");
  if (choice.kind === "missing")
    throw new SendRefused(t(choice.unnamed ? "refusedUnnamed" : "refusedMissing").replace("%1", name));
  if (!outputChoosable || !navigator.mediaDevices) return { sinkId: "", name };
  const all = await navigator.mediaDevices.enumerateDevices();
  const outputs = all.filter((d) => d.kind === "audiooutput");
  // Some browsers list outputs only once a microphone is allowed: no output counts only where
  // the browser has named its devices, or lists none of any kind.
  const told = all.length === 0 || all.some((d) => d.label);
  if (outputs.length === 0 && told) throw new SendRefused(t("refusedNoOutput"));
  if (choice.kind === "device" && !outputs.some((d) => d.deviceId === choice.id))
    throw new SendRefused(t("refusedMissing").replace("%1", name));
  return { sinkId: choice.kind === "device" ? choice.id : "", name };
}

/**
 * Why a send stopped, in the page's language, naming the output.
 * @param {PlaybackStopped} e
 * @param {string} name
 */
function stoppedText(e, name) {
  const reason = t("stopReasons")[e.reason] + (e.detail ? " (" + e.detail + ")" : "");
  return t("interrupted").replace("%1", name).replace("%2", reason);
}

/**
 * "выдать": forms the frame again from the fields as they are now, then plays _qq.wav.
 * `beforePlaying`, when given, runs once the output is known to be there and before the first
 * sample (the check starts listening there). Resolves with the output's name once every sample
 * was played; rejects after saying why not.
 * @param {() => Promise<void>} [beforePlaying]
 * @returns {Promise<string>}
 */
export async function send(beforePlaying) {
  form();
  const files = sendFiles(state.settings);
  const bar = $("progress");
  // A check holds the commands itself, from before the send until it has decoded.
  const owner = !busy();
  if (owner) setBusy(true);
  let name = choiceName(chosenOutput(), "output");
  try {
    const output = await outputToUse();
    name = output.name;
    if (beforePlaying) await beforePlaying();
    bar.hidden = false;
    bar.value = 0;
    setStatus(t("sendingTo").replace("%1", name));
    const playback = playWav(files.wav, { sinkId: output.sinkId, onProgress: (f) => (bar.value = f) });
    state.playing = { stop: playback.stop };
    await playback.done;
    setStatus(t("playedTo").replace("%1", name));
    return name;
  } catch (e) {
    // Whatever stopped it (the browser refusing to play, too), the caller learns it was told.
    const why = e instanceof SendRefused || e instanceof PlaybackStopped ? e : new PlaybackStopped("playError", errorText(e));
    setStatus(why instanceof SendRefused ? why.message : stoppedText(why, name), true);
    throw why;
  } finally {
    state.playing = null;
    if (owner) setBusy(false);
    // The control that started the send was disabled while it ran; the keyboard stays there.
    if (document.activeElement === document.body || document.activeElement === $("cancel")) $("send").focus();
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
    const output = await outputToUse();
    const playback = playWav(wav, { sinkId: output.sinkId });
    state.playing = { stop: playback.stop };
    await playback.done;
  } catch (e) {
    if (e instanceof SendRefused) setStatus(e.message, true);
    else if (!(e instanceof PlaybackStopped && e.reason === "cancelled")) setStatus(t("playFailed") + errorText(e), true);
  } finally {
    state.playing = null;
    button.setAttribute("aria-pressed", "false");
    button.textContent = t("tone");
    setBusy(false);
  }
}

export function wireSend() {
  $("send").addEventListener("click", () => busy() || send().catch(() => {}));
  $("cancel").addEventListener("click", () => state.playing && state.playing.stop("cancelled"));
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
