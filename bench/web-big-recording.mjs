// SPDX-License-Identifier: GPL-3.0-or-later
// "Проверить запись" on a 200 MB WAV in the page, at 8 kHz and at 48 kHz: silence with the
// send's signal at its very end, so that every byte is read. Prints how long the page took to
// its verdict, the verdict, and the browser's memory (its processes, resident)
// before, at its highest during the check, and after.
//
// node bench/web-big-recording.mjs [BUILD] [MB]
//   BUILD: the build with tarvel (for the signal) and web/tarvel.html, default build
//   MB: the recording's size, default 200
// puppeteer-core comes from TARVEL_WEB_MODULES (default BUILD/tests/web, after `npm ci`);
// CHROMIUM names the browser (default /usr/bin/chromium).
import { execFileSync } from "node:child_process";
import { createRequire } from "node:module";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { pathToFileURL } from "node:url";

const build = path.resolve(process.argv[2] || "build");
const megabytes = Number(process.argv[3] || 200);
const modules = path.resolve(process.env.TARVEL_WEB_MODULES || path.join(build, "tests/web"));
const puppeteer = createRequire(path.join(modules, "package.json"))("puppeteer-core");
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "tarvel-bench-"));

// The send's 16 kHz samples from `tarvel wav`.
execFileSync(path.join(build, "tarvel"), ["wav", "-C", scratch]);
const signal = fs.readFileSync(path.join(scratch, "_qq.wav")).subarray(44);
const at16k = Int16Array.from({ length: signal.length / 2 }, (_, i) => signal.readInt16LE(2 * i));

// The signal at `rate`, linearly between the 16 kHz samples (averaged in pairs for 8 kHz).
function resampled(rate) {
  if (rate === 8000) return Int16Array.from({ length: at16k.length / 2 }, (_, i) => (at16k[2 * i] + at16k[2 * i + 1]) / 2);
  const k = rate / 16000;
  return Int16Array.from({ length: Math.floor(at16k.length * k) }, (_, i) => {
    const x = i / k, j = Math.floor(x), f = x - j;
    return Math.round(at16k[j] * (1 - f) + (at16k[Math.min(j + 1, at16k.length - 1)] ?? 0) * f);
  });
}

function writeRecording(rate) {
  const tail = Buffer.from(resampled(rate).buffer);
  const dataSize = megabytes * 1024 * 1024;
  const head = Buffer.alloc(44);
  head.write("RIFF", 0); head.writeUInt32LE(36 + dataSize, 4); head.write("WAVEfmt ", 8);
  head.writeUInt32LE(16, 16); head.writeUInt16LE(1, 20); head.writeUInt16LE(1, 22); head.writeUInt32LE(rate, 24);
  head.writeUInt32LE(rate * 2, 28); head.writeUInt16LE(2, 32); head.writeUInt16LE(16, 34);
  head.write("data", 36); head.writeUInt32LE(dataSize, 40);
  const file = path.join(scratch, `recording-${rate}.wav`);
  const fd = fs.openSync(file, "w");
  fs.writeSync(fd, head);
  const silence = Buffer.alloc(1024 * 1024);
  for (let left = dataSize - tail.length; left > 0; left -= silence.length)
    fs.writeSync(fd, silence, 0, Math.min(left, silence.length));
  fs.writeSync(fd, tail);
  fs.closeSync(fd);
  return file;
}

// Resident memory of the browser this bench started and of every process under it, in MB
// (other chromiums on the machine left out).
function browserMemory(root) {
  const parents = new Map();
  const rss = new Map();
  for (const pid of fs.readdirSync("/proc").filter((p) => /^\d+$/.test(p))) {
    try {
      const status = fs.readFileSync(`/proc/${pid}/status`, "utf8");
      parents.set(Number(pid), Number(/^PPid:\s+(\d+)/m.exec(status)?.[1]));
      rss.set(Number(pid), Number(/^VmRSS:\s+(\d+)/m.exec(status)?.[1] || 0));
    } catch {
      // a process that ended meanwhile
    }
  }
  const ours = new Set([root]);
  for (let grew = true; grew;) {
    grew = false;
    for (const [pid, parent] of parents)
      if (!ours.has(pid) && ours.has(parent)) grew = ours.add(pid) !== null;
  }
  let kb = 0;
  for (const pid of ours) kb += rss.get(pid) || 0;
  return Math.round(kb / 1024);
}

const browser = await puppeteer.launch({ executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
  args: ["--headless=new", ...(process.getuid?.() === 0 ? ["--no-sandbox"] : [])] });
const chromiumMemory = () => browserMemory(browser.process().pid);
try {
  console.log(`load average ${os.loadavg().map((x) => x.toFixed(1)).join(" ")} on ${os.cpus().length} cores`);
  for (const rate of [8000, 48000]) {
    const file = writeRecording(rate);
    const page = await browser.newPage();
    await page.goto(pathToFileURL(path.join(build, "web/tarvel.html")).href);
    await page.waitForSelector("body[data-ready]", { timeout: 20000 });
    const before = chromiumMemory();
    let highest = before;
    const watch = setInterval(() => { highest = Math.max(highest, chromiumMemory()); }, 100);
    const start = Date.now();
    await (await page.$("#recording")).uploadFile(file);
    await page.waitForFunction(() => document.querySelector("#verdict .ok, #verdict .error"), { timeout: 600000 });
    const seconds = (Date.now() - start) / 1000;
    clearInterval(watch);
    const verdict = await page.$eval("#verdict", (e) => Array.from(e.children, (p) => p.textContent).join(" | "));
    await new Promise((r) => setTimeout(r, 1000));
    console.log(`${megabytes} MB at ${rate} Hz: ${seconds.toFixed(1)} s; memory ${before} MB before, ` +
      `${highest} MB at most, ${chromiumMemory()} MB after; ${verdict}`);
    await page.close();
    fs.rmSync(file);
  }
} finally {
  await browser.close();
  fs.rmSync(scratch, { recursive: true, force: true });
}
