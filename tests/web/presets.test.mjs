// SPDX-License-Identifier: GPL-3.0-or-later
// Presets in the page: a refused file says why as the command line does, in the page's
// language, and costs no memory; names are kept whatever they are; nothing is replaced,
// deleted or lost without the user knowing.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { after, before, describe, test } from "node:test";

import { cli, launch, open, pageUrl, scratch } from "./browser.mjs";

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

const good = { format: "tarvel-settings", version: 1, name: "R1", keying_mode: "VOX", pilot_tone_hz: 2000,
  vox_threshold_percent: 2.3, vox_release_ms: 900, max_transmit_s: 45 };
const text = (o) => JSON.stringify(o);

// What `tarvel frame --settings FILE` says of the file on its one line of refusal.
function cliRefusal(file) {
  try {
    execFileSync(cli, ["frame", "--settings", file], { encoding: "utf8", stdio: "pipe" });
  } catch (e) {
    return e.stderr.trim();
  }
  throw new Error("tarvel took " + file);
}

async function importFile(page, file) {
  await page.$eval("#preset-status", (e) => (e.textContent = ""));
  await (await page.$("#preset-import")).uploadFile(file);
  await page.waitForFunction(() => document.querySelector("#preset-status").textContent !== "", { timeout: 10000 });
  return page.$eval("#preset-status", (e) => ({ text: e.textContent, error: e.classList.contains("error") }));
}

describe("presets", () => {
  // [file contents, what the Russian message must say]
  const refused = [
    ["{not json", /^Файл не принят, ничего не изменено: не JSON: ожидалась строка \(байт 3\)$/],
    [text({ ...good, vox_release_ms: 5000 }), /«Задержка на отпускание VOX» \(vox_release_ms\): не целое число от 0 до 3000$/],
    [text({ ...good, pilot_tone_hz: "2000" }), /«Частота открывающего сигнала» \(pilot_tone_hz\): не целое число от 300 до 3000$/],
    [text({ ...good, max_transmit_s: 45.5 }), /\(max_transmit_s\): не целое число от 5 до 250$/],
    [text({ ...good, vox_threshold_percent: 2.35 }), /\(vox_threshold_percent\): не число от 0,1 до 10,0 с шагом 0,1$/],
    [text(good).replace('"VOX"', "[".repeat(300) + "]".repeat(300)), /не JSON: слишком глубокая вложенность \(байт \d+\)$/],
    [text({ ...good, format: "x" }), /это не файл настроек Tarvel/],
    [text({ ...good, extra: 1 }), /неизвестное поле extra$/],
    [text(good) + "\0junk", /не JSON: после объекта есть ещё данные/],
  ];

  test("a refused file names the field and the reason in Russian, the command line's words in English", async () => {
    const dir = scratch();
    const files = refused.map(([contents], i) => {
      const file = path.join(dir, i + ".json");
      fs.writeFileSync(file, contents);
      return file;
    });
    const { page, problems } = await open(browser);
    for (const [i, [, message]] of refused.entries()) {
      const status = await importFile(page, files[i]);
      assert.ok(status.error, status.text);
      assert.match(status.text, message);
      assert.doesNotMatch(status.text, /undefined|[a-z]{4} [a-z]{4}/, "no English left: " + status.text);
    }
    assert.equal(await page.$eval("#field-vox_release_ms", (e) => e.value), "300", "nothing changed");
    await page.select("#language", "en");
    for (const file of files) {
      const status = await importFile(page, file);
      assert.ok(status.text.startsWith("File not taken, nothing changed: "), status.text);
      assert.ok(cliRefusal(file).endsWith(status.text.slice("File not taken, nothing changed: ".length)),
        status.text + " / " + cliRefusal(file));
    }
    assert.deepEqual(problems, []);
  });

  test("10 000 refusals in a row leave the core's memory as it was", async () => {
    const { page } = await open(browser);
    const grown = await page.evaluate(async () => {
      const core = await createTarvel();
      const bad = new TextEncoder().encode('{"format":"tarvel-settings","version":1,"keying_mode":"VOX","x":1}');
      const at = core._malloc(bad.length);
      core.HEAPU8.set(bad, at);
      const refuse = (n) => {
        for (let i = 0; i < n; ++i)
          if (!core.UTF8ToString(core._tarvel_settings_read(at, bad.length)).includes("unknown field")) return false;
        return true;
      };
      refuse(100); // the first calls set up what every later one reuses
      const probe = () => { const p = core._malloc(64); core._free(p); return p; };
      const before = { heap: core.HEAPU8.length, next: probe() };
      const refusedAll = refuse(10000);
      return { refusedAll, heap: core.HEAPU8.length - before.heap, next: probe() - before.next };
    });
    assert.deepEqual(grown, { refusedAll: true, heap: 0, next: 0 });
  });

  test("a file larger than a settings file is refused unread, at once", async () => {
    const file = path.join(scratch(), "big.json");
    fs.writeFileSync(file, text({ ...good, name: "x".repeat(30 * 1024 * 1024) }));
    const { page } = await open(browser);
    const started = Date.now();
    const status = await importFile(page, file);
    assert.ok(Date.now() - started < 3000, "took " + (Date.now() - started) + " ms");
    assert.match(status.text, /слишком велик для файла настроек$/);
  });

  test("any name is kept, \"__proto__\" too, and replacing or deleting asks first", async () => {
    const dir = scratch();
    const file = path.join(dir, "proto.json");
    fs.writeFileSync(file, text({ ...good, name: "__proto__" }));
    const { page } = await open(browser);
    const dialogs = [];
    let answer = false;
    page.on("dialog", (d) => { dialogs.push(d.message()); answer ? d.accept() : d.dismiss(); });
    assert.equal((await importFile(page, file)).text, "Набор импортирован и загружен.");
    await page.reload();
    await page.waitForSelector("body[data-ready]");
    assert.deepEqual(await page.$$eval("#preset option", (o) => o.map((e) => e.value)), ["__proto__"]);

    await page.type("#preset-name", "__proto__");
    await page.click("#preset-save");
    assert.equal(await page.$eval("#preset-status", (e) => e.textContent), "Набор не заменён.");
    answer = true;
    await page.click("#preset-save");
    assert.equal(await page.$eval("#preset-status", (e) => e.textContent), "Набор сохранён.");
    await page.click("#preset-delete");
    assert.equal(await page.$eval("#preset-status", (e) => e.textContent), "Набор удалён.");
    assert.deepEqual(dialogs, ["Набор «__proto__» уже есть. Заменить его?", "Набор «__proto__» уже есть. Заменить его?",
      "Удалить набор «__proto__»?"]);
  });

  test("values and a preset the browser's storage did not take are reported, not called saved", async () => {
    const context = await browser.createBrowserContext();
    const page = await context.newPage();
    await page.evaluateOnNewDocument(() => {
      Storage.prototype.setItem = () => { throw new DOMException("full", "QuotaExceededError"); };
    });
    await page.goto(pageUrl);
    await page.waitForSelector("body[data-ready]");
    await page.click("#keying-vox");
    assert.match(await page.$eval("#preset-status", (e) => e.textContent), /^Браузер не сохраняет данные страницы/);
    await page.type("#preset-name", "R2");
    await page.click("#preset-save");
    const status = await page.$eval("#preset-status", (e) => ({ text: e.textContent, error: e.classList.contains("error") }));
    assert.ok(status.error);
    assert.match(status.text, /^Набор не сохранён: браузер не дал места/);
    await context.close();
  });
});
