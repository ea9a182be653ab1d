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

  test("English when the browser prefers it, and the switch between the two", async () => {
    const { page } = await open(await browserWith([], "en-US"));
    assert.equal(await page.$eval("html", (e) => e.lang), "en");
    assert.equal(await page.$eval("#send", (e) => e.textContent), "send");
    await page.select("#language", "ru");
    assert.equal(await page.$eval("#send", (e) => e.textContent), "выдать");
    assert.equal(await page.$eval("label[for=field-pilot_tone_hz]", (e) => e.textContent),
      "Частота открывающего сигнала");
  });
});
