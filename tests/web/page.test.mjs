// SPDX-License-Identifier: GPL-3.0-or-later
// The page in a real chromium against the built `tarvel`: what it loads, its fields, and the
// frame and files it makes.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { after, before, describe, test } from "node:test";

import { downloadsTo, enter, launch, open, options, pageUrl, scratch, tarvel, waitForFile } from "./browser.mjs";

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

const value = (page, key) => page.$eval("#field-" + key, (e) => e.value);

describe("the page", () => {
  test("loads from file:// with no network request and no error", async () => {
    const { page, requests, problems } = await open(browser);
    const outside = requests.filter((u) => !/^(file|data|blob):/.test(u));
    assert.deepEqual(outside, []);
    assert.deepEqual(problems, []);
    assert.equal(await page.$eval("html", (e) => e.lang), "ru");
    assert.equal(await page.$eval("#form", (e) => e.textContent), "сформировать");
    await page.close();
  });

  test("without WebAssembly SIMD it says what is missing and every command stays disabled", async () => {
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    await page.evaluateOnNewDocument(() => { WebAssembly.validate = () => false; });
    await page.goto(pageUrl);
    await page.waitForSelector("body[data-failed]", { timeout: 10000 });
    assert.match(await page.$eval("#status", (e) => e.textContent),
      /^Программатор не запустился: браузер не поддерживает WebAssembly SIMD; нужен Chrome 95/);
    assert.deepEqual(await page.$$eval("main button, main input, main select", (all) => all.filter((e) => !e.disabled)
      .map((e) => e.id)), []);
    await context.close();
  });

  test("starts from the window's defaults", async () => {
    const { page } = await open(browser);
    assert.equal(await value(page, "pilot_tone_hz"), "2000");
    assert.equal(await value(page, "vox_threshold_percent"), "5");
    assert.equal(await value(page, "vox_release_ms"), "300");
    assert.equal(await value(page, "max_transmit_s"), "60");
    assert.equal(await page.$eval("#keying-pilot", (e) => e.checked), true);
    assert.equal(await page.$eval("#max-tx-enabled", (e) => e.checked), false);
    assert.equal(await page.$eval("#field-max_transmit_s", (e) => e.disabled), true);
    await page.close();
  });

  test("clamps and steps as the window's fields do", async () => {
    const { page } = await open(browser);
    await enter(page, { pilot: 5000 });
    assert.equal(await value(page, "pilot_tone_hz"), "3000", "5000 is clamped on leaving the field");
    // Typed but not yet left: "сформировать" sees the clamped value.
    await page.click("#field-pilot_tone_hz", { clickCount: 3 });
    await page.keyboard.type("100");
    await page.click("#form");
    assert.equal(await value(page, "pilot_tone_hz"), "300");
    await enter(page, { pilot: 310 });
    await page.focus("#field-pilot_tone_hz");
    await page.keyboard.press("ArrowDown");
    assert.equal(await value(page, "pilot_tone_hz"), "300", "a step stops at the bound");
    await enter(page, { mode: "vox", release: 2990 });
    await page.focus("#field-vox_release_ms");
    await page.keyboard.press("ArrowUp");
    assert.equal(await value(page, "vox_release_ms"), "3000");
    await enter(page, { mode: "vox", release: "" });
    assert.equal(await value(page, "vox_release_ms"), "0", "an empty field reads as its minimum");
    await enter(page, { mode: "vox", threshold: "x" });
    assert.equal(await value(page, "vox_threshold_percent"), "1");
    await page.close();
  });

  test("a field takes digits only, typed or pasted, as the window's fields do", async () => {
    const { page } = await open(browser);
    for (const pasted of ["2.3", "1e3", "２０００", "-5", "12 "]) {
      await page.click("#field-pilot_tone_hz", { clickCount: 3 });
      await page.evaluate((t) => document.execCommand("insertText", false, t), pasted);
      assert.equal(await value(page, "pilot_tone_hz"), "2000", pasted + " is refused whole");
    }
    await page.click("#field-pilot_tone_hz", { clickCount: 3 });
    await page.keyboard.type("1.5e3");
    assert.equal(await value(page, "pilot_tone_hz"), "153", "only the digits' keys go in");
    await page.click("#form");
    assert.equal(await page.evaluate(() => document.activeElement.id), "form", "focus stays on the button");
  });

  test("focus stays on \"выдать\" while it sends and after", async () => {
    const { page } = await open(browser);
    await page.click("#send");
    await page.waitForFunction(() => document.body.dataset.busy, { timeout: 5000 });
    const during = await page.evaluate(() => [document.activeElement.id, document.activeElement.getAttribute("aria-disabled"),
      document.querySelector("#form").disabled]);
    assert.deepEqual(during, ["send", "true", true]);
    await page.click("#send"); // held: a second send does not start
    await page.waitForFunction(() => !document.body.dataset.busy, { timeout: 30000 });
    assert.deepEqual(await page.evaluate(() => [document.activeElement.id, document.activeElement.getAttribute("aria-disabled")]),
      ["send", null]);
  });

  test("at 360 px every control is at least 44 px high and none touches another", async () => {
    const { page } = await open(browser);
    await page.setViewport({ width: 360, height: 800 });
    const boxes = await page.$$eval("main button:not([hidden]), main select, main input:not([type=radio]):not([type=checkbox]), " +
      "main label:has(> input[type=radio]), main label.check", (all) => all.filter((e) => e.offsetParent !== null)
      .map((e) => { const r = e.getBoundingClientRect(); return { id: e.id || e.textContent.trim(), x: r.x, y: r.y, w: r.width, h: r.height }; }));
    assert.ok(boxes.length > 15, String(boxes.length));
    for (const b of boxes) assert.ok(b.h >= 44 && b.x >= 0 && b.x + b.w <= 360, JSON.stringify(b));
    const overlap = (a, b) => a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
    const inside = (a, b) => a.x >= b.x && a.y >= b.y && a.x + a.w <= b.x + b.w && a.y + a.h <= b.y + b.h;
    for (const [i, a] of boxes.entries())
      for (const b of boxes.slice(i + 1))
        if (!inside(a, b) && !inside(b, a)) assert.ok(!overlap(a, b), JSON.stringify([a, b]));
  });

  test("frame and CRC equal tarvel frame's", async () => {
    const cases = [
      {},
      { pilot: 300 }, { pilot: 3000 }, { pilot: 2010 }, { pilot: 1234 },
      { mode: "vox" }, { mode: "vox", threshold: 1, release: 0 }, { mode: "vox", threshold: 100, release: 3000 },
      { mode: "vox", threshold: 37, release: 1234 },
      { maxTx: 5 }, { maxTx: 250 }, { mode: "vox", maxTx: 120, release: 50 },
      { pilot: 650, threshold: 9, release: 700, maxTx: 77 },
    ];
    for (const s of cases) {
      const { page } = await open(browser);
      await enter(page, s);
      await page.click("#form");
      const shown = (await page.$eval("#frame-hex", (e) => e.textContent)) + " ";
      const crc = await page.$eval("#frame-crc", (e) => e.textContent);
      const expected = tarvel("frame", ...options(s)).trim();
      assert.equal(shown.trim(), expected, JSON.stringify(s));
      assert.equal(crc, expected.slice(-5).replace(" ", ""), JSON.stringify(s));
      await page.close();
    }
  });

  test("keeps the last values across a reload", async () => {
    const { page } = await open(browser);
    await enter(page, { mode: "vox", release: 650, maxTx: 90 });
    await page.reload();
    await page.waitForSelector("body[data-ready]");
    assert.equal(await page.$eval("#keying-vox", (e) => e.checked), true);
    assert.equal(await value(page, "vox_release_ms"), "650");
    assert.equal(await page.$eval("#max-tx-enabled", (e) => e.checked), true);
    assert.equal(await value(page, "max_transmit_s"), "90");
    await page.close();
  });

  test("downloaded _qq.wav and 9_fmsig.h are tarvel wav's, byte for byte", async () => {
    for (const s of [{}, { mode: "vox", threshold: 12, release: 450, maxTx: 30 }]) {
      const { page } = await open(browser);
      const dir = await downloadsTo(page);
      await enter(page, s);
      await page.click("#download-wav");
      const wav = await waitForFile(path.join(dir, "_qq.wav"));
      await page.click("#download-fmsig");
      const table = await waitForFile(path.join(dir, "9_fmsig.h"));
      const cliDir = scratch();
      tarvel("wav", "-C", cliDir, ...options(s));
      assert.ok(wav.equals(fs.readFileSync(path.join(cliDir, "_qq.wav"))), "_qq.wav " + JSON.stringify(s));
      assert.ok(table.equals(fs.readFileSync(path.join(cliDir, "9_fmsig.h"))), "9_fmsig.h " + JSON.stringify(s));
      await page.close();
    }
  });
});
