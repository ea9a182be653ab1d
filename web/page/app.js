// SPDX-License-Identifier: GPL-3.0-or-later
// The page: the programmer's parameters, the commands, the output and the checks. The frame,
// the signal and the decoder all come from the core (tarvel.js); nothing here computes them.
"use strict";

const $ = (id) => document.getElementById(id);
const FIELD = { pilot_tone_hz: "pilot_hz", vox_threshold_percent: "voxThreshold", vox_release_ms: "voxRelease_ms",
  max_transmit_s: "maxTx_s" };

let core = null; // the WebAssembly module
let ranges = []; // from the core's parameter table
let settings = null;
let language = "ru";
let lastFrame = null; // hex of the latest "сформировать"
let playing = null; // {audio, kind, stop()} while sound is out

const t = (key) => TEXTS[language][key];

// --- the core -------------------------------------------------------------------------------

function settingsArray(s) {
  return [s.keyingMode, s.pilot_hz, s.voxThreshold, s.voxRelease_ms, s.maxTxEnabled ? 1 : 0, s.maxTx_s];
}

// Runs `use(pointer)` with the settings in the module's memory.
function withSettings(s, use) {
  const values = settingsArray(s);
  const at = core._malloc(4 * values.length);
  try {
    core.HEAP32.set(values, at / 4);
    return use(at);
  } finally {
    core._free(at);
  }
}

function formFrame(s) {
  const out = core._malloc(16);
  try {
    const crc = withSettings(s, (at) => core._tarvel_frame(at, out));
    return { bytes: Array.from(core.HEAPU8.subarray(out, out + 16)), crc };
  } finally {
    core._free(out);
  }
}

function sendFiles(s) {
  const samples = withSettings(s, (at) => core._tarvel_send(at));
  const wavAt = core._tarvel_wav_bytes();
  const wav = core.HEAPU8.slice(wavAt, wavAt + core._tarvel_wav_size());
  const fmsigAt = core._tarvel_fmsig_text();
  const fmsig = core.HEAPU8.slice(fmsigAt, fmsigAt + core._tarvel_fmsig_size());
  return { wav, fmsig, samples };
}

function decode(samples, rate) {
  const at = core._malloc(4 * samples.length);
  try {
    core.HEAPF32.set(samples, at / 4);
    return JSON.parse(core.UTF8ToString(core._tarvel_decode(at, samples.length, rate)));
  } finally {
    core._free(at);
  }
}

// --- parameters -----------------------------------------------------------------------------

const hex2 = (b) => b.toString(16).toUpperCase().padStart(2, "0");

function defaults() {
  const s = { keyingMode: 0, maxTxEnabled: false };
  for (const r of ranges) s[FIELD[r.key]] = r.default;
  return s;
}

// A text that is not a whole number reads as the minimum; out of range goes to the nearest bound.
function fieldValue(r, text) {
  const n = /^\s*[+-]?\d+\s*$/.test(text) ? parseInt(text, 10) : r.min;
  return Math.min(r.max, Math.max(r.min, n));
}

function buildSpin(container) {
  const r = ranges.find((x) => x.key === container.dataset.key);
  const id = "field-" + r.key;
  container.innerHTML =
    '<label for="' + id + '" class="spin-label"></label>' +
    '<span class="spin-row"><button type="button" class="step" data-dir="-1" tabindex="-1" aria-hidden="true">−</button>' +
    '<input type="text" inputmode="numeric" role="spinbutton" autocomplete="off" id="' + id + '">' +
    '<button type="button" class="step" data-dir="1" tabindex="-1" aria-hidden="true">+</button>' +
    '<span class="unit"></span></span>';
  const input = container.querySelector("input");
  input.setAttribute("aria-valuemin", r.min);
  input.setAttribute("aria-valuemax", r.max);
  const set = (value) => {
    settings[FIELD[r.key]] = value;
    input.value = String(value);
    input.setAttribute("aria-valuenow", value);
    saveLast();
  };
  const step = (dir) => set(Math.min(r.max, Math.max(r.min, fieldValue(r, input.value) + dir * r.step)));
  input.addEventListener("keydown", (e) => {
    if (e.key === "ArrowUp" || e.key === "ArrowDown") {
      e.preventDefault();
      step(e.key === "ArrowUp" ? 1 : -1);
    } else if (e.key === "PageUp" || e.key === "PageDown") {
      e.preventDefault();
      step((e.key === "PageUp" ? 10 : -10));
    }
  });
  // The value counts as typed; the field shows it clamped when it is left.
  input.addEventListener("input", () => {
    settings[FIELD[r.key]] = fieldValue(r, input.value);
    saveLast();
  });
  input.addEventListener("change", () => set(fieldValue(r, input.value)));
  for (const b of container.querySelectorAll(".step"))
    b.addEventListener("click", () => step(Number(b.dataset.dir)));
  container.refresh = () => {
    input.value = String(settings[FIELD[r.key]]);
    input.setAttribute("aria-valuenow", settings[FIELD[r.key]]);
  };
  container.clampShown = () => set(fieldValue(r, input.value));
}

function spins() {
  return Array.from(document.querySelectorAll(".spin"));
}

function showSettings() {
  $("keying-pilot").checked = settings.keyingMode === 0;
  $("keying-vox").checked = settings.keyingMode === 1;
  $("pilot-fields").hidden = settings.keyingMode !== 0;
  $("vox-fields").hidden = settings.keyingMode !== 1;
  $("max-tx-enabled").checked = settings.maxTxEnabled;
  for (const el of document.querySelectorAll('[data-key="max_transmit_s"] input, [data-key="max_transmit_s"] button'))
    el.disabled = !settings.maxTxEnabled;
  for (const s of spins()) s.refresh();
}

function saveLast() {
  storeWrite(STORE_LAST, settingsToPreset(settings));
}

// "сформировать": what a command sees is clamped first, as the window's fields are on leaving.
function form() {
  for (const s of spins()) s.clampShown();
  const frame = formFrame(settings);
  lastFrame = frame.bytes.map(hex2).join(" ");
  $("frame-hex").textContent = lastFrame;
  $("frame-crc").textContent = hex2(frame.crc >> 8) + hex2(frame.crc & 0xff);
  $("frame-view").hidden = false;
  setStatus(t("formed"));
  return frame;
}

function setStatus(text, isError) {
  $("status").textContent = text;
  $("status").classList.toggle("error", !!isError);
}

// --- sound out ------------------------------------------------------------------------------

const outputChoosable = typeof HTMLMediaElement !== "undefined" && "setSinkId" in HTMLMediaElement.prototype;

function errorText(e) {
  const known = t("errors")[e && e.name];
  return known ? known + (e.message ? " (" + e.message + ")" : "") : (e && e.message) || t("unknownError");
}

function wavBlob(bytes) {
  return new Blob([bytes], { type: "audio/wav" });
}

// A 16 kHz mono WAV around the test tone's samples, so it takes the signal's own path.
function toneWav(samples, rate) {
  const bytes = new Uint8Array(44 + samples.length * 2);
  const v = new DataView(bytes.buffer);
  const tag = (at, s) => { for (let i = 0; i < 4; ++i) bytes[at + i] = s.charCodeAt(i); };
  tag(0, "RIFF"); v.setUint32(4, 36 + samples.length * 2, true); tag(8, "WAVE"); tag(12, "fmt ");
  v.setUint32(16, 16, true); v.setUint16(20, 1, true); v.setUint16(22, 1, true); v.setUint32(24, rate, true);
  v.setUint32(28, rate * 2, true); v.setUint16(32, 2, true); v.setUint16(34, 16, true); tag(36, "data");
  v.setUint32(40, samples.length * 2, true);
  for (let i = 0; i < samples.length; ++i) v.setInt16(44 + 2 * i, samples[i], true);
  return bytes;
}

// Plays WAV bytes on the chosen output. Resolves when the sound has ended; rejects with the
// reason it could not be played. `onProgress(fraction)` follows it.
async function playWav(bytes, onProgress) {
  const url = URL.createObjectURL(wavBlob(bytes));
  const audio = new Audio();
  audio.preload = "auto";
  audio.src = url;
  const sink = $("output").value;
  try {
    if (outputChoosable && sink) await audio.setSinkId(sink);
    let frame = 0;
    const ended = new Promise((resolve, reject) => {
      audio.addEventListener("ended", resolve);
      audio.addEventListener("error", () => reject(audio.error || new Error(t("unknownError"))));
      playing = { audio, stop: () => { audio.pause(); reject(Object.assign(new Error(""), { name: "AbortError" })); } };
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
    playing = null;
    URL.revokeObjectURL(url);
  }
}

function setBusy(busy) {
  for (const id of ["form", "send", "send-verify", "tone"])
    if (id !== "tone") $(id).disabled = busy;
  $("tone").disabled = busy && !$("tone").getAttribute("aria-pressed").includes("true");
}

// "выдать": forms the frame again from the fields as they are now, then plays _qq.wav.
async function send(whileSending) {
  form();
  const files = sendFiles(settings);
  const bar = $("progress");
  bar.hidden = false;
  bar.value = 0;
  setBusy(true);
  setStatus(t("sending"));
  try {
    await (whileSending ? whileSending(playWav(files.wav, (f) => (bar.value = f))) :
      playWav(files.wav, (f) => (bar.value = f)));
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
  if (playing && button.getAttribute("aria-pressed") === "true") {
    playing.stop();
    return;
  }
  const at = core._tarvel_tone(core._tarvel_tone_default_hz(), 10);
  const samples = core.HEAP16.slice(at / 2, at / 2 + core._tarvel_tone_count());
  button.setAttribute("aria-pressed", "true");
  button.textContent = t("toneStop");
  setBusy(true);
  try {
    await playWav(toneWav(samples, core._tarvel_sample_rate()), () => {});
  } catch (e) {
    if (e.name !== "AbortError") setStatus(t("playFailed") + errorText(e), true);
  } finally {
    button.setAttribute("aria-pressed", "false");
    button.textContent = t("tone");
    setBusy(false);
  }
}

function download(bytes, name, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const a = document.createElement("a");
  a.href = url;
  a.download = name;
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 1000);
}

// --- devices --------------------------------------------------------------------------------

async function listDevices(askForNames) {
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
      $("output-note").textContent = t("recordFailed") + errorText(e);
    }
  }
  const devices = await media.enumerateDevices();
  fillDevices($("output"), devices.filter((d) => d.kind === "audiooutput"), t("defaultOutput"));
  fillDevices($("input"), devices.filter((d) => d.kind === "audioinput"), t("defaultInput"));
}

function fillDevices(select, devices, defaultText) {
  const chosen = select.value;
  select.textContent = "";
  select.add(new Option(defaultText, ""));
  devices.filter((d) => d.deviceId && d.deviceId !== "default").forEach((d, i) =>
    select.add(new Option(d.label || defaultText.split(" ")[0] + " " + (i + 1), d.deviceId)));
  select.value = Array.from(select.options).some((o) => o.value === chosen) ? chosen : "";
}

// --- verification ---------------------------------------------------------------------------

function showVerdict(result) {
  const v = $("verdict");
  v.textContent = "";
  const line = (text, cls) => {
    const p = document.createElement("p");
    p.textContent = text;
    if (cls) p.className = cls;
    v.appendChild(p);
  };
  if (result.status === "ok") {
    line(t("crcOk") + " (" + result.crc.computed + ")", "ok");
    line(result.frame === lastFrame ? t("sameFrame") : t("otherFrame"));
  } else if (result.status === "crc mismatch") {
    line(t("crcBad") + " (" + result.crc.computed + " ≠ " + result.crc.received + ")", "error");
  } else {
    line(t("notRead") + ": " + (t("reasons")[result.status] || result.status) + ". " + result.reason, "error");
    return;
  }
  line(t("frame") + ": " + result.frame);
  const s = result.signal;
  line(t("level") + " " + s.level_dbfs.toFixed(1) + " dBFS, " + t("snr") + " " + s.snr_db.toFixed(1) + " dB, " +
    t("rate") + " " + s.sample_rate_hz + " Hz");
}

// Every channel on its own, then their mix: the first with a matching CRC, else the first.
function decodeChannels(channels, rate) {
  const tries = channels.slice();
  if (channels.length > 1) {
    const mix = new Float32Array(channels[0].length);
    for (const c of channels) for (let i = 0; i < mix.length; ++i) mix[i] += c[i] / channels.length;
    tries.push(mix);
  }
  const results = tries.map((samples) => decode(samples, rate));
  return results.find((r) => r.status === "ok") || results.find((r) => r.frame) || results[0];
}

async function checkRecording(file) {
  $("verdict").textContent = t("decoding");
  try {
    const context = new (window.AudioContext || window.webkitAudioContext)();
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

// Records the chosen input while sending, with the browser's voice processing off (it would
// take the tones for noise or echo), and decodes what it heard.
async function sendAndVerify() {
  const media = navigator.mediaDevices;
  if (!media || !media.getUserMedia) {
    $("verdict").textContent = t("recordFailed") + t("noMediaDevices");
    return;
  }
  const constraints = { echoCancellation: false, noiseSuppression: false, autoGainControl: false };
  if ($("input").value) constraints.deviceId = { exact: $("input").value };
  let stream;
  try {
    stream = await media.getUserMedia({ audio: constraints });
  } catch (e) {
    $("verdict").textContent = t("recordFailed") + errorText(e);
    return;
  }
  const context = new AudioContext();
  const chunks = [];
  try {
    const source = context.createMediaStreamSource(stream);
    const tap = context.createScriptProcessor(4096, 1, 1);
    tap.onaudioprocess = (e) => chunks.push(new Float32Array(e.inputBuffer.getChannelData(0)));
    source.connect(tap);
    tap.connect(context.destination); // silent: the tap writes nothing to its output
    $("verdict").textContent = t("listening");
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
  for (const c of chunks) { heard.set(c, at); at += c.length; }
  showVerdict(decode(heard, context.sampleRate));
}

// --- presets --------------------------------------------------------------------------------

function presets() {
  const stored = storeRead(STORE_PRESETS, {});
  return stored && typeof stored === "object" ? stored : {};
}

function showPresets(selected) {
  const select = $("preset");
  select.textContent = "";
  const names = Object.keys(presets()).sort();
  if (names.length === 0) select.add(new Option(t("noPresets"), ""));
  for (const name of names) select.add(new Option(name, name));
  if (selected) select.value = selected;
  $("preset-load").disabled = $("preset-delete").disabled = names.length === 0;
}

function presetStatus(text, isError) {
  $("preset-status").textContent = text;
  $("preset-status").classList.toggle("error", !!isError);
}

function applyPresetText(text) {
  const taken = presetToSettings(text, settings);
  settings = taken.settings;
  showSettings();
  saveLast();
  return taken.name;
}

// --- language -------------------------------------------------------------------------------

function setLanguage(lang) {
  language = TEXTS[lang] ? lang : "ru";
  document.documentElement.lang = language;
  $("language").value = language;
  for (const el of document.querySelectorAll("[data-t]")) el.textContent = t(el.dataset.t);
  $("steps").textContent = "";
  for (const step of t("steps")) {
    const li = document.createElement("li");
    li.textContent = step;
    $("steps").appendChild(li);
  }
  for (const s of spins()) {
    const [label, unit] = t(s.dataset.key);
    s.querySelector(".spin-label").textContent = label;
    s.querySelector(".unit").textContent = unit;
    s.querySelector('[data-dir="-1"]').title = t("stepDown");
    s.querySelector('[data-dir="1"]').title = t("stepUp");
  }
  $("output-note").textContent = outputChoosable ? t("outputChoosable") : t("outputNotChoosable");
  $("progress").setAttribute("aria-label", t("progress"));
  if ($("tone").getAttribute("aria-pressed") === "true") $("tone").textContent = t("toneStop");
  document.title = t("title");
  storeWrite("tarvel.language", language);
}

// --- start ----------------------------------------------------------------------------------

function wire() {
  for (const radio of document.querySelectorAll('input[name="keying"]'))
    radio.addEventListener("change", () => { settings.keyingMode = Number(radio.value); showSettings(); saveLast(); });
  $("max-tx-enabled").addEventListener("change", (e) => {
    settings.maxTxEnabled = e.target.checked;
    showSettings();
    saveLast();
  });
  $("form").addEventListener("click", form);
  $("send").addEventListener("click", () => send().catch(() => {}));
  $("tone").addEventListener("click", toggleTone);
  $("download-wav").addEventListener("click", () => { form(); download(sendFiles(settings).wav, "_qq.wav", "audio/wav"); });
  $("download-fmsig").addEventListener("click", () => { form(); download(sendFiles(settings).fmsig, "9_fmsig.h", "text/x-c"); });
  $("list-devices").addEventListener("click", () => listDevices(true));
  $("send-verify").addEventListener("click", sendAndVerify);
  $("recording").addEventListener("change", (e) => e.target.files[0] && checkRecording(e.target.files[0]));
  $("language").addEventListener("change", (e) => setLanguage(e.target.value));
  $("preset-save").addEventListener("click", () => {
    const name = $("preset-name").value.trim();
    if (!name) return presetStatus(t("presetNeedsName"), true);
    for (const s of spins()) s.clampShown();
    const all = presets();
    all[name] = settingsToPreset(settings, name);
    storeWrite(STORE_PRESETS, all);
    showPresets(name);
    presetStatus(t("presetSaved"));
  });
  $("preset-load").addEventListener("click", () => {
    const preset = presets()[$("preset").value];
    if (!preset) return;
    try {
      applyPresetText(JSON.stringify(preset));
      $("preset-name").value = $("preset").value;
      presetStatus(t("presetLoaded"));
    } catch (e) {
      presetStatus(t("badFile") + e.message, true);
    }
  });
  $("preset-delete").addEventListener("click", () => {
    const all = presets();
    delete all[$("preset").value];
    storeWrite(STORE_PRESETS, all);
    showPresets();
    presetStatus(t("presetDeleted"));
  });
  $("preset-export").addEventListener("click", () => {
    for (const s of spins()) s.clampShown();
    const name = $("preset-name").value.trim();
    const text = settingsToPresetText(settings, name);
    download(new TextEncoder().encode(text), (name || "tarvel") + ".tarvel.json", "application/json");
  });
  $("preset-import").addEventListener("change", async (e) => {
    const file = e.target.files[0];
    e.target.value = "";
    if (!file) return;
    try {
      const text = await file.text();
      const before = settings;
      const name = applyPresetText(text);
      if (name) {
        const all = presets();
        all[name] = settingsToPreset(settings, name);
        storeWrite(STORE_PRESETS, all);
        showPresets(name);
        $("preset-name").value = name;
      }
      presetStatus(t("presetImported"));
      void before;
    } catch (err) {
      presetStatus(t("badFile") + err.message, true);
    }
  });
  if (navigator.mediaDevices && navigator.mediaDevices.addEventListener)
    navigator.mediaDevices.addEventListener("devicechange", () => listDevices(false));
}

async function start() {
  core = await createTarvel();
  ranges = JSON.parse(core.UTF8ToString(core._tarvel_parameters())).ranges;
  for (const s of spins()) buildSpin(s);
  settings = defaults();
  const last = storeRead(STORE_LAST, null);
  if (last) {
    try {
      settings = presetToSettings(JSON.stringify(last), settings).settings;
    } catch (e) {
      // a last state from another version of the page: start from the defaults
    }
  }
  const preferred = storeRead("tarvel.language", null) ||
    ((navigator.languages || [navigator.language]).find((l) => /^(ru|en)\b/i.test(l)) || "ru").slice(0, 2).toLowerCase();
  wire();
  setLanguage(preferred);
  showSettings();
  showPresets();
  listDevices(false).catch(() => {});
  document.body.dataset.ready = "true";
  performance.mark("tarvel-ready"); // how long the page takes to become usable (bench/README.md)
}

start();
