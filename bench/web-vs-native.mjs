// SPDX-License-Identifier: GPL-3.0-or-later
// The browser edition beside the native program, in one run on one machine:
//   - how long the page takes to become usable (navigation start to its "tarvel-ready" mark),
//   - the send's signal and both files in the page against the same steps native,
//   - a 5 s 48 kHz recording decoded in the page against the native decoder on the same samples.
//
// node bench/web-vs-native.mjs [BUILD] [PAGE]
//   BUILD: the native build with the benchmarks (make bench), default build
//   PAGE:  the page, default BUILD/web/tarvel.html
// puppeteer-core comes from TARVEL_WEB_MODULES (default BUILD/tests/web, after `npm ci` there);
// CHROMIUM names the browser (default /usr/bin/chromium). LOADS and RUNS set the repeats;
// WARMUP calls (default 20) go unmeasured between the first call and the RUNS measured ones.
import { execFileSync } from "node:child_process";
import { createRequire } from "node:module";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { pathToFileURL } from "node:url";

const build = path.resolve(process.argv[2] || "build");
const pageFile = path.resolve(process.argv[3] || path.join(build, "web/tarvel.html"));
const modules = path.resolve(process.env.TARVEL_WEB_MODULES || path.join(build, "tests/web"));
const loads = Number(process.env.LOADS || 15);
const runs = Number(process.env.RUNS || 30);
const warmup = Number(process.env.WARMUP ?? 20);
const puppeteer = createRequire(path.join(modules, "package.json"))("puppeteer-core");

const median = (xs) => {
  const s = [...xs].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};

// Google Benchmark's median wall time of each named benchmark, in milliseconds.
function nativeMedians(program, filter) {
  const out = execFileSync(path.join(build, "bench", program), ["--benchmark_filter=" + filter,
    "--benchmark_repetitions=" + Math.min(runs, 9), "--benchmark_report_aggregates_only=true",
    "--benchmark_format=json"], { encoding: "utf8", maxBuffer: 1 << 24 });
  const scale = { ns: 1e-6, us: 1e-3, ms: 1, s: 1e3 };
  const result = {};
  for (const b of JSON.parse(out).benchmarks)
    if (b.aggregate_name === "median") result[b.run_name] = b.real_time * scale[b.time_unit];
  return result;
}

// The mono samples of a 16-bit PCM WAV file, full scale ±1, and its rate.
function readWav(file) {
  const b = fs.readFileSync(file);
  let at = 12;
  let rate = 0;
  let channels = 1;
  while (at + 8 <= b.length) {
    const id = b.toString("ascii", at, at + 4);
    const size = b.readUInt32LE(at + 4);
    if (id === "fmt ") {
      channels = b.readUInt16LE(at + 10);
      rate = b.readUInt32LE(at + 12);
      if (b.readUInt16LE(at + 22) !== 16) throw new Error(file + ": not 16-bit PCM");
    } else if (id === "data") {
      const count = size / 2 / channels;
      const samples = new Array(count);
      for (let i = 0; i < count; ++i) samples[i] = b.readInt16LE(at + 8 + 2 * i * channels) / 32768;
      return { samples, rate };
    }
    at += 8 + size + (size & 1);
  }
  throw new Error(file + ": no data chunk");
}

async function pageFigures(recording) {
  const args = ["--headless=new", "--autoplay-policy=no-user-gesture-required"];
  if (process.getuid && process.getuid() === 0) args.push("--no-sandbox");
  const browser = await puppeteer.launch({ executablePath: process.env.CHROMIUM || "/usr/bin/chromium", args,
    userDataDir: fs.mkdtempSync(path.join(os.tmpdir(), "tarvel-bench-")) });
  try {
    const ready = [];
    let page = null;
    for (let i = 0; i <= loads; ++i) { // the first open warms the browser's caches: not counted
      const context = await browser.createBrowserContext();
      page = await context.newPage();
      await page.goto(pathToFileURL(pageFile).href);
      await page.waitForSelector("body[data-ready]", { timeout: 20000 });
      const at = await page.evaluate(() => performance.getEntriesByName("tarvel-ready")[0].startTime);
      if (i > 0) ready.push(at);
      if (i < loads) await context.close();
    }
    // times[0] is the first call; the WARMUP calls after it are left out of times.
    // The engine the page runs, called as the page's core.js calls it: the settings file's JSON
    // in, the files and the decoder's JSON out.
    const send = await page.evaluate(async (n, warm) => {
      const m = await createTarvel();
      const settings = m.UTF8ToString(m._tarvel_parameters()).match(/"defaults":(\{[^}]*\})/)[1];
      const bytes = new TextEncoder().encode(settings);
      const at = m._malloc(bytes.length);
      m.HEAPU8.set(bytes, at);
      const times = [];
      for (let i = 0; i <= n + warm; ++i) {
        const start = performance.now();
        const sizes = JSON.parse(m.UTF8ToString(m._tarvel_send(at, bytes.length)));
        const wav = m.HEAPU8.slice(m._tarvel_wav_bytes(), m._tarvel_wav_bytes() + sizes.wav_size);
        const fmsig = m.HEAPU8.slice(m._tarvel_fmsig_text(), m._tarvel_fmsig_text() + sizes.fmsig_size);
        if (!wav.length || !fmsig.length) throw new Error("no files");
        if (i === 0 || i > warm) times.push(performance.now() - start);
      }
      return times;
    }, runs, warmup);
    const decoded = await page.evaluate(async (samples, rate, n, warm) => {
      const m = await createTarvel();
      const recording = Float32Array.from(samples);
      const times = [];
      let ok = true;
      for (let i = 0; i <= n + warm; ++i) {
        const start = performance.now();
        m._tarvel_recording_open_samples(1, rate);
        const at = m._malloc(4 * recording.length);
        m.HEAPF32.set(recording, at / 4);
        m._tarvel_recording_feed_samples(at, recording.length);
        m._free(at);
        const r = JSON.parse(m.UTF8ToString(m._tarvel_recording_finish()));
        if (i === 0 || i > warm) times.push(performance.now() - start);
        ok = ok && r.crc && r.crc.ok;
      }
      return { times, ok };
    }, recording.samples, recording.rate, runs, warmup);
    if (!decoded.ok) throw new Error("the page did not decode the recording with CRC ok");
    return { ready, send: send, decode: decoded.times };
  } finally {
    await browser.close();
  }
}

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "tarvel-bench-"));
const recordingFile = path.join(scratch, "recording-5s-48k.wav");
execFileSync(path.join(build, "bench/decode_bench"), ["--write-recording", recordingFile]);
const recording = readWav(recordingFile);

// The native side does the page's steps: a fresh state, FormFM, both files in memory.
const signal = nativeMedians("signal_bench", "^BM_FormFM/filter:1$|^BM_SendFilesInMemory$");
const nativeSend = signal["BM_SendFilesInMemory"];
const nativeDecode = nativeMedians("decode_bench", "^BM_DecodeSamples5s48k$")["BM_DecodeSamples5s48k"];
const page = await pageFigures(recording);
fs.rmSync(scratch, { recursive: true, force: true });

const ms = (x) => x.toFixed(2) + " ms";
// The first call runs the browser's baseline code; chromium tiers up to optimised code over
// the next few calls (which the warm-up leaves out), and the medians show that code.
const pageSend = median(page.send.slice(1));
const pageDecode = median(page.decode.slice(1));
const readyMs = median(page.ready);
const bytes = fs.statSync(pageFile).size;
const verdict = (met) => (met ? "met" : "NOT met");
console.log(`load average ${os.loadavg().map((x) => x.toFixed(1)).join(" ")} on ${os.cpus().length} cores`);
console.log(`page ${pageFile}: ${bytes} bytes (goal < 600 KB: ${verdict(bytes < 600 * 1024)})`);
console.log(`page usable after opening, median of ${loads}: ${ms(readyMs)} ` +
  `(range ${ms(Math.min(...page.ready))}–${ms(Math.max(...page.ready))}; goal ≤ 300 ms: ${verdict(readyMs <= 300)})`);
console.log(`signal + files: page ${ms(pageSend)}, native ${ms(nativeSend)} (FormFM alone ${ms(signal["BM_FormFM/filter:1"])}) ` +
  `= ${(pageSend / nativeSend).toFixed(2)}× (goal ≤ 2×: ${verdict(pageSend <= 2 * nativeSend)}); ` +
  `first call in the page ${ms(page.send[0])}`);
console.log(`5 s recording decoded: page ${ms(pageDecode)}, native ${ms(nativeDecode)} ` +
  `= ${(pageDecode / nativeDecode).toFixed(2)}× (goal ≤ 3×: ${verdict(pageDecode <= 3 * nativeDecode)}); ` +
  `first call in the page ${ms(page.decode[0])}`);
