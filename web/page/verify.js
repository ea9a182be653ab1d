// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// "выдать и проверить на слух": the chosen input is listened to first, the send starts only once
// its sound actually arrives (a microphone takes up to seconds to start, and a check that misses
// the lead-in fails a perfect send), everything heard is taken as captured (or off the main
// thread by an AudioWorklet), and then decoded and told as the command line's --verify tells it.
import { decode } from "./core.js";
import { choiceName, chosenInput, inputErrorText } from "./devices.js";
import { CaptureGaps, judgeHeard, peakDbfs } from "./heard.js";
import { PlaybackStopped } from "./playback.js";
import { SendRefused, send, setBusy } from "./send.js";
import { state } from "./state.js";
import { $, busy, errorText, t } from "./ui.js";
import { say, showVerdict } from "./verdict.js";

// The capture itself, run on the audio thread. Inlined and loaded as a data: URL: the single-file
// page has no file beside it to load, and a page from disk may not load a Blob's URL as a
// module. Posts about 20 ms at a time, whether the input had a channel yet (a source not yet
// running gives none), and how many samples it filled with silence since the input ran (a
// source that gave no sound for a while: a hole in the recording).
const CAPTURE = `class TarvelCapture extends AudioWorkletProcessor {
  constructor() { super(); this.parts = []; this.size = 0; this.live = false; this.running = false; this.filled = 0; }
  process(inputs) {
    const channel = inputs[0] && inputs[0][0];
    if (channel) { this.parts.push(channel.slice()); this.live = this.running = true; }
    else { this.parts.push(new Float32Array(128)); if (this.running) this.filled += 128; }
    this.size += 128;
    if (this.size >= 1024) {
      const out = new Float32Array(this.size);
      let at = 0;
      for (const p of this.parts) { out.set(p, at); at += p.length; }
      this.port.postMessage({ samples: out, live: this.live, filled: this.filled }, [out.buffer]);
      this.parts = []; this.size = 0; this.live = false; this.filled = 0;
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

/** A check that could not start, its reason in the page's language. */
class CheckFailed extends Error {}

/** @param {number} ms */
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

/** @param {string} text */
function micState(text) {
  $("mic-state").textContent = text;
}

/**
 * Everything heard, as it comes in: its level on the meter, whether real sound has arrived yet.
 */
class Collector {
  constructor() {
    /** @type {Float32Array[]} */
    this.chunks = [];
    this.received = 0;
    this.rate = 0;
    this.liveSince = -1;
    /** @type {() => void} */
    this.arrived = () => {};
    this.ready = new Promise((resolve) => (this.arrived = () => resolve(undefined)));
    this.meter = $("input-level");
    this.gaps = new CaptureGaps();
  }

  /** @param {Float32Array} samples @param {number} rate */
  push(samples, rate) {
    if (this.liveSince < 0) this.liveSince = performance.now();
    this.rate = rate;
    this.chunks.push(samples);
    this.received += samples.length;
    let peak = 0;
    for (let i = 0; i < samples.length; ++i) peak = Math.max(peak, Math.abs(samples[i]));
    this.meter.value = peak;
    if (peak > 0 || performance.now() - this.liveSince >= SILENT_READY_MS) this.arrived();
  }

  /**
   * Waits until `ms` more of sound has come in (counted in samples: what the capture hands over
   * may lag behind the clock when the machine is busy), or a while longer at most.
   * @param {number} ms
   */
  async drain(ms) {
    const target = this.received + (ms * this.rate) / 1000;
    const end = performance.now() + ms + 3000;
    while (this.received < target && performance.now() < end) await sleep(20);
  }

  all() {
    this.meter.value = 0;
    const heard = new Float32Array(this.received);
    let at = 0;
    for (const c of this.chunks) {
      heard.set(c, at);
      at += c.length;
    }
    return heard;
  }
}

/**
 * @typedef {{ready: Promise<unknown>, sampleRate: () => number, drain: (ms: number) => Promise<void>,
 *   stop: () => Promise<Float32Array>, gaps: CaptureGaps}} Listening
 */

/**
 * The chosen input, listened to from now on: `ready` resolves once its sound arrives; `stop()`
 * ends it and gives back everything heard. Where the browser hands over the captured sound
 * itself (MediaStreamTrackProcessor), it is taken as captured, sample for sample; elsewhere an
 * AudioWorklet takes it off the audio graph, whose clock may add or drop a little on a busy
 * machine.
 * @param {MediaStream} stream
 * @param {(why: string) => void} onFault the input or its context stopped while listening
 * @returns {Promise<Listening>}
 */
async function listen(stream, onFault) {
  for (const track of stream.getTracks()) track.addEventListener("ended", () => onFault(t("stopReasons").inputGone));
  const Processor = /** @type {any} */ (globalThis).MediaStreamTrackProcessor;
  return Processor ? listenToFrames(stream, Processor) : listenInGraph(stream, onFault);
}

/** @param {MediaStream} stream @param {any} Processor @returns {Listening} */
function listenToFrames(stream, Processor) {
  const heard = new Collector();
  // Room for seconds of sound, so that a busy page loses none of it.
  const reader = new Processor({ track: stream.getAudioTracks()[0], maxBufferSize: 1000 }).readable.getReader();
  const pump = (async () => {
    for (;;) {
      const { value: frame, done } = await reader.read();
      if (done) return;
      try {
        const samples = new Float32Array(frame.numberOfFrames);
        frame.copyTo(samples, { planeIndex: 0, format: "f32-planar" });
        heard.push(samples, frame.sampleRate);
        heard.gaps.stamped(frame.timestamp / 1000, frame.numberOfFrames, frame.sampleRate);
      } finally {
        frame.close();
      }
    }
  })().catch(() => {});
  return {
    ready: heard.ready,
    gaps: heard.gaps,
    sampleRate: () => heard.rate,
    drain: (ms) => heard.drain(ms),
    async stop() {
      await reader.cancel().catch(() => {});
      stream.getTracks().forEach((track) => track.stop());
      await pump;
      return heard.all();
    },
  };
}

/** @param {MediaStream} stream @param {(why: string) => void} onFault @returns {Promise<Listening>} */
async function listenInGraph(stream, onFault) {
  // Large buffers: the capture needs no short delay, and a busy machine then drops less.
  const context = new AudioContext({ latencyHint: "playback" });
  await context.audioWorklet.addModule("data:text/javascript;charset=utf-8," + encodeURIComponent(CAPTURE));
  const source = context.createMediaStreamSource(stream);
  const tap = new AudioWorkletNode(context, "tarvel-capture", { numberOfInputs: 1, numberOfOutputs: 0 });
  const heard = new Collector();
  tap.port.onmessage = (/** @type {MessageEvent} */ e) => {
    // Nothing from before the input runs is kept: it would only be silence ahead of the lead-in.
    if (e.data.live || heard.liveSince >= 0) heard.push(e.data.samples, context.sampleRate);
    heard.gaps.filled(e.data.filled, context.sampleRate);
    heard.gaps.clocked(performance.now(), heard.received, context.sampleRate);
  };
  source.connect(tap);
  const stateChanged = () => {
    if (context.state !== "running") onFault(t("stopReasons").captureStopped + " (" + context.state + ")");
  };
  context.addEventListener("statechange", stateChanged);
  if (context.state !== "running") await context.resume();
  return {
    ready: heard.ready,
    gaps: heard.gaps,
    sampleRate: () => context.sampleRate,
    drain: (ms) => heard.drain(ms),
    async stop() {
      context.removeEventListener("statechange", stateChanged);
      tap.port.onmessage = null;
      source.disconnect();
      stream.getTracks().forEach((track) => track.stop());
      await context.close().catch(() => {});
      return heard.all();
    },
  };
}

/**
 * The input asked for with the browser's voice processing off (it would take the tones for
 * noise or echo). Throws a text in the page's language.
 */
async function openInput() {
  const media = navigator.mediaDevices;
  if (!media || !media.getUserMedia) throw new CheckFailed(t("recordFailed") + t("noMediaDevices"));
  const choice = chosenInput();
  if (choice.kind === "missing")
    throw new CheckFailed(t("recordFailed") + t("inputMissing").replace("%1", choiceName(choice, "input")));
  /** @type {MediaTrackConstraints} */
  const constraints = { echoCancellation: false, noiseSuppression: false, autoGainControl: false };
  // Large capture buffers where the browser takes the wish: a busy machine then drops nothing.
  /** @type {any} */ (constraints).latency = { ideal: 0.1 };
  if (choice.kind === "device") constraints.deviceId = { exact: choice.id };
  try {
    return await media.getUserMedia({ audio: constraints });
  } catch (e) {
    throw new CheckFailed(t("recordFailed") + inputErrorText(e, choice.kind === "device"));
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
  /** @type {Listening | null} */
  let listening = null;
  let fault = "";
  setBusy(true);
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
      live.gaps.start();
    });
    await listening.drain(TAIL_MS);
    if (fault) throw new CheckFailed(t("recordFailed") + fault);
    const rate = listening.sampleRate();
    const lost_ms = listening.gaps.lost_ms();
    const heard = await listening.stop();
    listening = null;
    const result = decode(heard, rate);
    showVerdict(result);
    const judged = judgeHeard(result, peakDbfs(heard), state.lastFrame, lost_ms);
    const p = document.createElement("p");
    p.className = judged.heard === "verified" ? "ok" : "error";
    p.id = "heard";
    p.dataset.heard = judged.heard;
    p.dataset.lostMs = String(lost_ms);
    p.textContent = heardText(judged).replace("%1", String(lost_ms));
    $("verdict").prepend(p);
  } catch (e) {
    // A send that stopped has said why on its own line; the check's text says the check ended.
    const stopped = e instanceof PlaybackStopped || e instanceof SendRefused;
    say(t("checkStopped") + (e instanceof CheckFailed ? e.message : stopped ? t("checkSeeStatus") :
      t("recordFailed") + errorText(e)), true);
  } finally {
    if (listening) await listening.stop();
    micState("");
    setBusy(false);
  }
}

export function wireVerify() {
  $("send-verify").addEventListener("click", () => busy() || sendAndVerify());
}
