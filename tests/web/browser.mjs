// SPDX-License-Identifier: GPL-3.0-or-later
// Starts Debian's chromium headless on the built page and runs the built `tarvel` beside it.
// TARVEL_PAGE: build/web/tarvel.html; TARVEL_CLI: the tarvel binary; TARVEL_WEB_MODULES: the
// folder whose node_modules holds puppeteer-core (npm ci in tests/web's build folder).
import { execFileSync } from "node:child_process";
import { createRequire } from "node:module";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { pathToFileURL } from "node:url";

const require = createRequire(path.join(process.env.TARVEL_WEB_MODULES || process.cwd(), "package.json"));
const puppeteer = require("puppeteer-core");

export const pageFile = process.env.TARVEL_PAGE;
export const cli = process.env.TARVEL_CLI;
export const pageUrl = pathToFileURL(pageFile).href;

export function scratch() {
  return fs.mkdtempSync(path.join(os.tmpdir(), "tarvel-web-"));
}

// `tarvel ARGS...`; returns its standard output.
export function tarvel(...args) {
  return execFileSync(cli, args, { encoding: "utf8" });
}

// `audible`: the sound goes out (puppeteer mutes it unless told otherwise).
export async function launch(extraArgs = [], lang = "ru-RU", { audible = false } = {}) {
  const args = ["--headless=new", "--autoplay-policy=no-user-gesture-required", "--lang=" + lang,
    "--accept-lang=" + lang, ...extraArgs];
  if (process.getuid && process.getuid() === 0) args.push("--no-sandbox");
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    args,
    ignoreDefaultArgs: audible ? ["--mute-audio"] : [],
    env: { ...process.env, LANGUAGE: lang },
    userDataDir: scratch(),
  });
}

// Opens the page in a context of its own (nothing kept from another test) and waits until the
// core has started. Returns the page and every URL it asked for.
export async function open(browser) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const requests = [];
  const problems = [];
  page.on("request", (r) => requests.push(r.url()));
  page.on("pageerror", (e) => problems.push(String(e)));
  page.on("console", (m) => m.type() === "error" && problems.push(m.text()));
  await page.goto(pageUrl);
  await page.waitForSelector("body[data-ready]", { timeout: 10000 });
  return { page, requests, problems };
}

// Lets the page's downloads land in a fresh folder; returns it.
export async function downloadsTo(page) {
  const dir = scratch();
  const cdp = await page.createCDPSession();
  await cdp.send("Page.setDownloadBehavior", { behavior: "allow", downloadPath: dir });
  return dir;
}

export async function waitForFile(file, timeout_ms = 10000) {
  const end = Date.now() + timeout_ms;
  while (Date.now() < end) {
    // chromium writes NAME.crdownload, firefox NAME.part beside an empty NAME, until done.
    if (fs.existsSync(file) && !fs.existsSync(file + ".crdownload") && !fs.existsSync(file + ".part") &&
        fs.statSync(file).size > 0) return fs.readFileSync(file);
    await new Promise((r) => setTimeout(r, 50));
  }
  throw new Error("no download " + file);
}

// Sets the page's fields through the keyboard as a user would: {mode, pilot, threshold, release, maxTx}.
export async function enter(page, s) {
  await page.click(s.mode === "vox" ? "#keying-vox" : "#keying-pilot");
  const type = async (id, value) => {
    await page.click("#" + id, { clickCount: 3 });
    await page.keyboard.press("Backspace");
    await page.keyboard.type(String(value));
    await page.keyboard.press("Tab");
  };
  if (s.pilot !== undefined) {
    await page.click("#keying-pilot");
    await type("field-pilot_tone_hz", s.pilot);
    if (s.mode === "vox") await page.click("#keying-vox");
  }
  if (s.threshold !== undefined || s.release !== undefined) {
    await page.click("#keying-vox");
    if (s.threshold !== undefined) await type("field-vox_threshold_percent", s.threshold);
    if (s.release !== undefined) await type("field-vox_release_ms", s.release);
    if (s.mode !== "vox") await page.click("#keying-pilot");
  }
  const limited = await page.$eval("#max-tx-enabled", (e) => e.checked);
  if ((s.maxTx !== undefined) !== limited) await page.click("#max-tx-enabled");
  if (s.maxTx !== undefined) await type("field-max_transmit_s", s.maxTx);
}

// The same settings as `tarvel frame`/`tarvel wav` options.
export function options(s) {
  const o = ["--mode", s.mode || "pilot"];
  if (s.pilot !== undefined) o.push("--pilot-hz", String(s.pilot));
  if (s.threshold !== undefined) o.push("--vox-threshold", String(s.threshold));
  if (s.release !== undefined) o.push("--vox-release-ms", String(s.release));
  if (s.maxTx !== undefined) o.push("--max-tx-s", String(s.maxTx));
  return o;
}
