// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// "выдать и проверить на слух": the chosen input is listened to first, the send starts only once
// its sound actually arrives (a microphone takes up to seconds to start, and a check that misses
// the lead-in fails a perfect send), everything heard is kept off the main thread by an
// AudioWorklet, and then decoded and told as the command line's --verify tells it.
import { decode } from "./core.js";
import { choiceName, chosenInput, inputErrorText } from "./devices.js";
import { judgeHeard, peakDbfs } from "./heard.js";
import { PlaybackStopped } from "./playback.js";
import { SendRefused, send } from "./send.js";
import { state } from "./state.js";
import { $, t } from "./ui.js";
import { showVerdict } from "./verdict.js";

// The capture itself, run on the audio thread. Inlined and loaded from a Blob: the single-file
// page has no file beside it to load. Posts about 20 ms at a time, and whether the input had a
// channel yet (a source not yet running gives none).
const CAPTURE = `class TarvelCapture extends AudioWorkletProcessor {
  constructor() { super(); this.parts = []; this.size = 0; this.live = false; }
  process(inputs) {
    const channel = inputs[0] && inputs[0][0];
    if (channel) { this.parts.push(channel.slice()); this.live = true; }
    else this.parts.push(new Float32Array(128));
    this.size += 128;
    if (this.size >= 1024) {
      const out = new Float32Array(this.size);
      let at = 0;
      for (const p of this.parts) { out.set(p, at); at += p.length; }
      this.port.postMessage({ samples: out, live: this.live }, [out.buffer]);
      this.parts = []; this.size = 0; this.live = false;
    }
    return true;
  }
}
registerProcessor("tarvel-capture", TarvelCapture);`;

/** How long the input may take to give its first sound before the check gives up. */
const READY_TIMEOUT_MS = 10000;
/** An input that delivers only exact zeros counts as running after this long (a silent line). */
const SILENT_READY_MS = 1000;
/** What is still on its way through the input after the last sample was played. */
const TAIL_MS = 600;

/** @param {number} ms */
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

/** @param {string} text @param {boolean} [isError] */
function say(text, isError) {
  const v = $("verdict");
  v.textContent = "";
  const p = document.createElement("p");
  p.textContent = text;
  if (isError) p.className = "error";
  v.appendChild(p);
}

/** @param {string} text */
function micState(text) {
  $("mic-state").textContent = text;
}

/**
 * The chosen input, listened to from now on: `ready` resolves once its sound arrives; `stop()`
 * ends it and gives back everything heard.
 * @param {MediaStream} stream
 * @param {(why: string) => void} onFault the input or its context stopped while listening
 */
async function listen(stream, onFault) {
  const context = new AudioContext();
  const url = URL.createObjectURL(new Blob([CAPTURE], { type: "text/javascript" }));
  try {
    await context.audioWorklet.addModule(url);
  } finally {
    URL.revokeObjectURL(url);
  }
  const source = context.createMediaStreamSource(stream);
  const tap = new AudioWorkletNode(context, "tarvel-capture", { numberOfInputs: 1, numberOfOutputs: 0 });
  /** @type {Float32Array[]} */
  const chunks = [];
  let liveSince = -1;
  /** @type {() => void} */
  let arrived = () => {};
  const ready = new Promise((resolve) => (arrived = () => resolve(undefined)));
  const meter = $("input-level");
  tap.port.onmessage = (/** @type {MessageEvent} */ e) => {
    const samples = /** @type {Float32Array} */ (e.data.samples);
    if (e.data.live && liveSince < 0) liveSince = performance.now();
    // Nothing from before the input runs is kept: it would only be silence ahead of the lead-in.
    if (liveSince < 0) return;
    chunks.push(samples);
    let peak = 0;
    for (let i = 0; i < samples.length; ++i) peak = Math.max(peak, Math.abs(samples[i]));
    meter.value = peak;
    if (peak > 0 || performance.now() - liveSince >= SILENT_READY_MS) arrived();
  };
  source.connect(tap);
  const stateChanged = () => {
    if (context.state !== "running") onFault(t("stopReasons").captureStopped + " (" + context.state + ")");
  };
  context.addEventListener("statechange", stateChanged);
  for (const track of stream.getTracks()) track.addEventListener("ended", () => onFault(t("stopReasons").inputGone));
  if (context.state !== "running") await context.resume();
  return {
    ready,
    sampleRate: context.sampleRate,
    async stop() {
      context.removeEventListener("statechange", stateChanged);
      tap.port.onmessage = null;
      source.disconnect();
      stream.getTracks().forEach((track) => track.stop());
      await context.close().catch(() => {});
      meter.value = 0;
      const heard = new Float32Array(chunks.reduce((n, c) => n + c.length, 0));
      let at = 0;
      for (const c of chunks) {
        heard.set(c, at);
        at += c.length;
      }
      return heard;
    },
  };
}

/**
 * The input asked for with the browser's voice processing off (it would take the tones for
 * noise or echo). Throws a text in the page's language.
 */
async function openInput() {
  const media = navigator.mediaDevices;
  if (!media || !media.getUserMedia) throw new Error(t("recordFailed") + t("noMediaDevices"));
  const choice = chosenInput();
  if (choice.kind === "missing")
    throw new Error(t("recordFailed") + t("inputMissing").replace("%1", choiceName(choice, "input")));
  /** @type {MediaTrackConstraints} */
  const constraints = { echoCancellation: false, noiseSuppression: false, autoGainControl: false };
  if (choice.kind === "device") constraints.deviceId = { exact: choice.id };
  try {
    return await media.getUserMedia({ audio: constraints });
  } catch (e) {
    throw new Error(t("recordFailed") + inputErrorText(e, choice.kind === "device"));
  }
}

/** @param {ReturnType<typeof judgeHeard>} j */
function heardText(j) {
  const line = t("heard")[j.heard];
  const notes = [];
  if (j.heard === "verified" && j.lowLevel) notes.push(t("heardNotes").low);
  if (j.heard === "verified" && j.clipped) notes.push(t("heardNotes").clipped);
  return [line, ...notes].join(" ");
}

// Every way out of here ends the check's text: a verdict, or what stopped it.
async function sendAndVerify() {
  /** @type {Awaited<ReturnType<typeof listen>> | null} */
  let listening = null;
  let fault = "";
  $("send-verify").disabled = true;
  try {
    say(t("micStarting"));
    micState(t("micStarting"));
    const stream = await openInput();
    listening = await listen(stream, (why) => {
      fault = why;
      if (state.playing) state.playing.stop("captureStopped");
    });
    const live = listening;
    await send(async () => {
      // The send's cancel button also ends this wait.
      let cancelled = false;
      state.playing = { stop: () => (cancelled = true) };
      const timeout = sleep(READY_TIMEOUT_MS).then(() => "timeout");
      const cancel = (async () => {
        while (!cancelled && !fault) await sleep(50);
        return "cancelled";
      })();
      const first = await Promise.race([live.ready.then(() => "ready"), timeout, cancel]);
      cancelled = true;
      state.playing = null;
      if (first === "timeout") throw new SendRefused(t("micSilent"));
      if (first === "cancelled") throw new SendRefused(fault ? t("recordFailed") + fault : t("cancelledBeforeStart"));
      micState(t("micReady"));
      say(t("listening"));
    });
    await sleep(TAIL_MS);
    if (fault) throw new Error(fault);
    const heard = await listening.stop();
    const rate = listening.sampleRate;
    listening = null;
    const result = decode(heard, rate);
    showVerdict(result);
    const judged = judgeHeard(result, peakDbfs(heard), state.lastFrame);
    const p = document.createElement("p");
    p.className = judged.heard === "verified" ? "ok" : "error";
    p.id = "heard";
    p.dataset.heard = judged.heard;
    p.textContent = heardText(judged);
    $("verdict").prepend(p);
  } catch (e) {
    // The send has said why on its own line; the check's text says the check ended.
    say(t("checkStopped") + (e instanceof Error && !(e instanceof PlaybackStopped) && e.name !== "SendRefused" ?
      e.message : t("checkSeeStatus")), true);
  } finally {
    if (listening) await listening.stop();
    micState("");
    $("send-verify").disabled = false;
  }
}

export function wireVerify() {
  $("send-verify").addEventListener("click", () => sendAndVerify());
}
