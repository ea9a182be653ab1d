// SPDX-License-Identifier: GPL-3.0-or-later
// What the page checks and keeps: a recording read back, the send heard through a microphone,
// the presets, and the language.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { after, describe, test } from "node:test";

import { downloadsTo, enter, launch, open, options, scratch, tarvel, waitForFile } from "./browser.mjs";

const browsers = [];
after(async () => { for (const b of browsers) await b.close(); });
async function browserWith(args = [], lang) {
  const b = await launch(args, lang);
  browsers.push(b);
  return b;
}

// tarvel wav's _qq.wav for these settings, and a copy with a stretch of its symbols silenced.
function recordings(s) {
  const dir = scratch();
  tarvel("wav", "-C", dir, ...options(s));
  const good = path.join(dir, "_qq.wav");
  const bytes = fs.readFileSync(good);
  const damaged = Buffer.from(bytes);
  damaged.fill(0, 44 + 2 * 30000, 44 + 2 * 34000); // about twelve symbols after the lead-in
  const bad = path.join(dir, "damaged.wav");
  fs.writeFileSync(bad, damaged);
  return { good, bad };
}

// A 16-bit PCM WAV head for `dataSize` bytes of samples.
function wavHead(rate, channels, dataSize) {
  const h = Buffer.alloc(44);
  h.write("RIFF", 0); h.writeUInt32LE(36 + dataSize, 4); h.write("WAVEfmt ", 8); h.writeUInt32LE(16, 16);
  h.writeUInt16LE(1, 20); h.writeUInt16LE(channels, 22); h.writeUInt32LE(rate, 24);
  h.writeUInt32LE(rate * channels * 2, 28); h.writeUInt16LE(channels * 2, 32); h.writeUInt16LE(16, 34);
  h.write("data", 36); h.writeUInt32LE(dataSize, 40);
  return h;
}

const verdict = (page) => page.$eval("#verdict", (e) => ({
  text: e.textContent, ok: !!e.querySelector(".ok"), error: !!e.querySelector(".error") }));

async function waitForVerdict(page) {
  await page.waitForFunction(() => document.querySelector("#verdict .ok, #verdict .error"), { timeout: 20000 });
  return verdict(page);
}

describe("checks", () => {
  test("a recording opened in the page is read by the core's decoder", async () => {
    const s = { mode: "vox", release: 800 };
    const { good, bad } = recordings(s);
    const { page } = await open(await browserWith());
    await enter(page, s);
    await page.click("#form");
    const frame = await page.$eval("#frame-hex", (e) => e.textContent);
    const input = await page.$("#recording");
    await input.uploadFile(good);
    let v = await waitForVerdict(page);
    assert.ok(v.ok, v.text);
    assert.match(v.text, /CRC ok/);
    assert.ok(v.text.includes(frame), v.text);
    assert.match(v.text, /dBFS/);
    await page.$eval("#verdict", (e) => (e.textContent = ""));
    await input.uploadFile(bad);
    v = await waitForVerdict(page);
    assert.ok(v.error && !v.ok, v.text);
  });

  test("a WAV is read with its own rate and channels; a cut one says where it ends, in the page's language", async () => {
    const dir = scratch();
    tarvel("wav", "-C", dir);
    const mono = fs.readFileSync(path.join(dir, "_qq.wav")).subarray(44);
    const frames = (mono.length / 2) * 3;
    // 48 kHz stereo 16-bit: silence on the first channel, the signal (three times the samples,
    // linearly between them) on the second.
    const wav = wavHead(48000, 2, frames * 4);
    const data = Buffer.alloc(frames * 4);
    for (let i = 0; i < frames; ++i) {
      const k = Math.floor(i / 3), a = mono.readInt16LE(2 * k);
      const b = 2 * k + 2 < mono.length ? mono.readInt16LE(2 * k + 2) : a;
      data.writeInt16LE(Math.round(a + ((b - a) * (i % 3)) / 3), 4 * i + 2);
    }
    const file = path.join(dir, "stereo48k.wav");
    fs.writeFileSync(file, Buffer.concat([wav, data]));
    const cut = path.join(dir, "cut.wav");
    fs.writeFileSync(cut, Buffer.concat([wavHead(16000, 1, 2 * 40000), mono.subarray(0, 2 * 40000)]));

    const { page, problems } = await open(await browserWith());
    const input = await page.$("#recording");
    await input.uploadFile(file);
    let v = await waitForVerdict(page);
    assert.ok(v.ok, v.text);
    assert.match(v.text, /48000 Гц, каналов: 2/);
    assert.match(v.text, /Кадр на странице ещё не сформирован/, "nothing to compare with before сформировать");
    await input.uploadFile(cut);
    v = await waitForVerdict(page);
    assert.match(v.text, /^Кадр не прочитан: запись кончается после символа \d+ из 128/);
    assert.doesNotMatch(v.text, /recording|symbol/);
    await page.select("#language", "en");
    assert.match(await page.$eval("#verdict", (e) => e.textContent), /^No frame read: /);
    assert.deepEqual(problems, []);
  });

  test("a long recording shows progress and can be cancelled; a large one the page cannot stream is refused up front", async () => {
    const dir = scratch();
    const silence = path.join(dir, "silence.wav");
    const bytes = 120 * 1024 * 1024;
    fs.writeFileSync(silence, Buffer.concat([wavHead(48000, 1, bytes), Buffer.alloc(bytes)]));
    const flac = path.join(dir, "big.flac");
    fs.writeFileSync(flac, Buffer.concat([Buffer.from("fLaC"), Buffer.alloc(70 * 1024 * 1024)]));
    const { page } = await open(await browserWith());
    await (await page.$("#recording")).uploadFile(silence);
    await page.waitForFunction(() => document.querySelector("#recording-progress").value > 0.05, { timeout: 20000 });
    await page.click("#recording-cancel");
    await page.waitForFunction(() => document.querySelector("#recording-progress").hidden, { timeout: 5000 });
    assert.equal(await page.$eval("#verdict", (e) => e.textContent), "Разбор записи отменён.");
    await (await page.$("#recording")).uploadFile(flac);
    await page.waitForFunction(() => document.querySelector("#verdict .error"), { timeout: 5000 });
    assert.equal(await page.$eval("#verdict", (e) => e.textContent),
      "Файл не прочитан: 70 МБ; браузер сам разбирает только WAV, а другие форматы — до 64 МБ.");
  });

  test("send and verify: chromium's fake microphone hears CRC ok, and a damaged recording as damaged", async () => {
    const { good, bad } = recordings({});
    for (const [file, heard] of [[good, true], [bad, false]]) {
      const b = await browserWith(["--use-fake-ui-for-media-stream", "--use-fake-device-for-media-stream",
        "--use-file-for-fake-audio-capture=" + file]);
      const { page } = await open(b);
      await page.click("#send-verify");
      await page.waitForFunction(() => document.querySelector("#verdict .ok, #verdict .error"), { timeout: 30000 });
      const v = await verdict(page);
      assert.equal(v.ok, heard, v.text);
      assert.equal(v.error, !heard, v.text);
    }
  });

  test("a preset exported from the page imports back and drives `tarvel wav --settings`; a foreign file changes nothing", async () => {
    const b = await browserWith();
    const { page } = await open(b);
    const dir = await downloadsTo(page);
    const s = { mode: "vox", threshold: 23, release: 900, maxTx: 45 };
    await enter(page, s);
    await page.type("#preset-name", "R1");
    await page.click("#preset-export");
    const file = path.join(dir, "R1.tarvel.json");
    const preset = JSON.parse(await waitForFile(file));
    assert.deepEqual(preset, { format: "tarvel-settings", version: 1, name: "R1", keying_mode: "VOX",
      pilot_tone_hz: 2000, vox_threshold_percent: 2.3, vox_release_ms: 900, max_transmit_s: 45 });
    const [bySettings, byOptions] = [scratch(), scratch()];
    tarvel("wav", "--settings", file, "-C", bySettings);
    tarvel("wav", ...options(s), "-C", byOptions);
    for (const name of ["_qq.wav", "9_fmsig.h"])
      assert.ok(fs.readFileSync(path.join(bySettings, name)).equals(fs.readFileSync(path.join(byOptions, name))), name);

    const other = (await open(b)).page;
    const foreign = path.join(dir, "foreign.json");
    fs.writeFileSync(foreign, JSON.stringify({ ...preset, format: "something-else" }));
    const outOfRange = path.join(dir, "range.json");
    fs.writeFileSync(outOfRange, JSON.stringify({ ...preset, vox_release_ms: 5000 }));
    for (const f of [foreign, outOfRange, file]) {
      await (await other.$("#preset-import")).uploadFile(f);
      await other.waitForFunction(() => document.querySelector("#preset-status").textContent !== "");
      const status = await other.$eval("#preset-status", (e) => ({ text: e.textContent, error: e.classList.contains("error") }));
      const release = await other.$eval("#field-vox_release_ms", (e) => e.value);
      if (f === file) {
        assert.ok(!status.error, status.text);
        assert.equal(release, "900");
        assert.equal(await other.$eval("#preset", (e) => e.value), "R1");
      } else {
        assert.ok(status.error, status.text);
        assert.equal(release, "300", "a refused file changes nothing");
      }
      await other.$eval("#preset-status", (e) => (e.textContent = ""));
    }
  });

  test("\"показать все устройства\" with no microphone says there is none, not that recording failed", async () => {
    const { page } = await open(await browserWith(["--use-fake-ui-for-media-stream"]));
    const inputs = await page.evaluate(async () =>
      (await navigator.mediaDevices.enumerateDevices()).filter((d) => d.kind === "audioinput").length);
    if (inputs > 0) return; // a machine with a microphone: nothing to show here
    await page.click("#list-devices");
    await page.waitForFunction(() => document.querySelector("#output-note").textContent.startsWith("Микрофона"),
      { timeout: 5000 });
  });

  test("English when the browser prefers it, and the switch between the two, lines already shown included", async () => {
    const { page } = await open(await browserWith([], "en-US"));
    assert.equal(await page.$eval("html", (e) => e.lang), "en");
    assert.equal(await page.$eval("#send", (e) => e.textContent), "send");
    assert.match(await page.$eval("#steps", (e) => e.textContent), /the red button labelled Кн1 \(“Button 1”\)/);
    await page.click("#form");
    const shown = () => page.evaluate(() => ["#status", "#preset option", "#output option"].map((s) =>
      document.querySelector(s).textContent));
    assert.deepEqual(await shown(), [" *** no errors ***", "(none saved)", "default (the system's)"]);
    await page.select("#language", "ru");
    assert.equal(await page.$eval("#send", (e) => e.textContent), "выдать");
    assert.equal(await page.$eval("label[for=field-pilot_tone_hz]", (e) => e.textContent),
      "Частота открывающего сигнала");
    assert.deepEqual(await shown(), [" *** нет ошибок ***", "(нет сохранённых)", "по умолчанию (системный)"]);
  });
});
