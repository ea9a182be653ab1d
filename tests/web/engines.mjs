// SPDX-License-Identifier: GPL-3.0-or-later
// The page in each of the three browser engines behind one small interface, so that a test is
// written once and run in each: Debian's chromium and firefox-esr through puppeteer-core (CDP and
// WebDriver BiDi), and WebKitGTK through webkit-driver.py under Xvfb.
//   const engine = await launchEngine("firefox", { env, downloads });
//   const tab = await engine.open(url);  await tab.click("#send");  await tab.call(() => 1);
// Every tab records what went wrong in the page (errors, unhandled promise rejections, console
// errors, Content-Security-Policy violations) in `await tab.problems()`.
import { spawn } from "node:child_process";
import { createRequire } from "node:module";
import path from "node:path";
import readline from "node:readline";
import { fileURLToPath } from "node:url";

import { scratch } from "./browser.mjs";

const require = createRequire(path.join(process.env.TARVEL_WEB_MODULES || process.cwd(), "package.json"));
const puppeteer = require("puppeteer-core");
const here = path.dirname(fileURLToPath(import.meta.url));

export const ENGINES = ["chromium", "firefox", "webkit"];

// Installed in every document before the page's own scripts.
const WATCH = `(() => {
  const problems = (window.__problems = []);
  const note = (what) => problems.push(String(what));
  window.addEventListener("error", (e) => note("error: " + (e.message || e.type)));
  window.addEventListener("unhandledrejection", (e) => note("unhandled rejection: " + (e.reason && (e.reason.stack || e.reason.message) || e.reason)));
  document.addEventListener("securitypolicyviolation", (e) => note("CSP: " + e.violatedDirective + " " + e.blockedURI));
  const error = console.error.bind(console);
  console.error = (...args) => { note("console.error: " + args.join(" ")); error(...args); };
})();`;

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// What a test does with a page, the same in every engine.
class Tab {
  // Runs `fn(...args)` in the page (awaiting a promise it returns); the value comes back as JSON.
  async call(fn, ...args) {
    throw new Error("not provided by " + this.constructor.name + " " + fn + args);
  }

  // Also times out when the page itself stands still and a look never returns.
  async waitFor(fn, timeout_ms = 10000, ...args) {
    const end = Date.now() + timeout_ms;
    const late = () => new Error("timed out after " + timeout_ms + " ms waiting for " + fn);
    for (;;) {
      let timer;
      const deadline = new Promise((_, reject) => (timer = setTimeout(() => reject(late()), Math.max(0, end - Date.now()))));
      try {
        const value = await Promise.race([this.call(fn, ...args), deadline]);
        if (value) return value;
      } finally {
        clearTimeout(timer);
      }
      if (Date.now() > end) throw late();
      await sleep(50);
    }
  }

  text(selector) {
    return this.call((s) => document.querySelector(s)?.textContent ?? null, selector);
  }

  async problems() {
    return (await this.call(() => window.__problems || [])).concat(this.outside || []);
  }

  // Chooses an option of a <select> as the user would.
  select(selector, value) {
    return this.call((s, v) => {
      const el = document.querySelector(s);
      el.value = v;
      el.dispatchEvent(new Event("change", { bubbles: true }));
      return el.value === v;
    }, selector, value);
  }

  // Gives a file input the file `name` with `bytes` (a Buffer), as a choice in the file dialog.
  setFile(selector, name, bytes) {
    return this.call((s, n, b64) => {
      const raw = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
      const list = new DataTransfer();
      list.items.add(new File([raw], n, { type: "audio/wav" }));
      const input = document.querySelector(s);
      input.files = list.files;
      input.dispatchEvent(new Event("change", { bubbles: true }));
    }, selector, name, bytes.toString("base64"));
  }
}

class PuppeteerTab extends Tab {
  constructor(page) {
    super();
    this.page = page;
    this.outside = [];
    page.on("pageerror", (e) => this.outside.push("pageerror: " + e));
    page.on("console", (m) => m.type() === "error" && this.outside.push("console: " + m.text()));
  }

  call(fn, ...args) {
    return this.page.evaluate(fn, ...args);
  }

  click(selector) {
    return this.page.click(selector);
  }

  async reload() {
    await this.page.reload();
    await this.page.waitForSelector("body[data-ready]", { timeout: 15000 });
  }

  close() {
    return this.page.close();
  }
}

class PuppeteerEngine {
  constructor(name, browser, downloads) {
    this.name = name;
    this.browser = browser;
    this.downloads = downloads;
  }

  async version() {
    return this.browser.version();
  }

  async open(url) {
    const page = await this.browser.newPage();
    await page.evaluateOnNewDocument(WATCH);
    if (this.name === "chromium") {
      const cdp = await page.createCDPSession();
      await cdp.send("Page.setDownloadBehavior", { behavior: "allow", downloadPath: this.downloads });
    }
    const tab = new PuppeteerTab(page);
    await page.goto(url);
    await page.waitForSelector("body[data-ready]", { timeout: 15000 });
    return tab;
  }

  close() {
    return this.browser.close();
  }
}

class WebKitTab extends Tab {
  constructor(engine) {
    super();
    this.engine = engine;
  }

  call(fn, ...args) {
    return this.engine.send({ op: "call", body: "return await (" + fn + ")(..." + JSON.stringify(args) + ");" });
  }

  click(selector) {
    return this.call((s) => document.querySelector(s).click(), selector);
  }

  async reload() {
    await this.engine.send({ op: "open", url: this.url });
    await this.waitFor(() => document.body.dataset.ready, 15000);
  }

  close() {
    return this.engine.send({ op: "open", url: "about:blank" });
  }
}

class WebKitEngine {
  constructor(env, downloads) {
    this.name = "webkit";
    this.downloads = downloads;
    this.pending = new Map();
    this.next = 1;
    // xvfb-run -a finds a free display; the driver's window lives there and nowhere else.
    this.child = spawn("xvfb-run", ["-a", "/usr/bin/python3", path.join(here, "webkit-driver.py")], {
      env: { ...env, WEBKIT_DISABLE_COMPOSITING_MODE: "1", GTK_A11Y: "none", NO_AT_BRIDGE: "1" },
      stdio: ["pipe", "pipe", "pipe"],
    });
    this.log = [];
    this.child.stderr.on("data", (d) => this.log.push(String(d)));
    readline.createInterface({ input: this.child.stdout }).on("line", (line) => {
      let m;
      try {
        m = JSON.parse(line);
      } catch {
        return; // WebKit's own messages on standard output
      }
      const p = this.pending.get(m.id);
      if (!p) return;
      this.pending.delete(m.id);
      if (m.error) p.reject(new Error("webkit: " + m.error));
      else p.resolve(m.value);
    });
    this.child.on("exit", (code) => {
      for (const p of this.pending.values()) p.reject(new Error("webkit driver ended (" + code + "): " + this.log.join("")));
      this.pending.clear();
    });
  }

  send(command) {
    const id = this.next++;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      this.child.stdin.write(JSON.stringify({ id, ...command }) + "\n");
    });
  }

  version() {
    return this.send({ op: "version" }).then((v) => "WebKitGTK " + v);
  }

  async open(url) {
    if (!this.prepared) {
      await this.send({ op: "preload", source: WATCH });
      await this.send({ op: "downloads", dir: this.downloads });
      this.prepared = true;
    }
    const tab = new WebKitTab(this);
    tab.url = url;
    await this.send({ op: "open", url });
    await tab.waitFor(() => document.body.dataset.ready, 15000);
    return tab;
  }

  async close() {
    if (this.child.exitCode !== null) return;
    const gone = new Promise((r) => this.child.once("exit", r));
    await Promise.race([this.send({ op: "quit" }).catch(() => {}), sleep(3000)]);
    await Promise.race([gone, sleep(3000)]);
    if (this.child.exitCode === null) this.child.kill("SIGTERM");
  }
}

// Starts `name` ("chromium", "firefox" or "webkit") with sound going to the PulseAudio that
// `env` names, microphone requests granted, autoplay allowed, downloads into `downloads`.
export async function launchEngine(name, { env = process.env, lang = "ru-RU", downloads = scratch() } = {}) {
  if (name === "webkit") return new WebKitEngine({ ...env, TARVEL_LANG: lang, LANG: lang.replace("-", "_") + ".UTF-8" }, downloads);
  const root = process.getuid && process.getuid() === 0;
  if (name === "chromium") {
    const args = ["--headless=new", "--autoplay-policy=no-user-gesture-required", "--use-fake-ui-for-media-stream",
      "--lang=" + lang, "--accept-lang=" + lang];
    if (root) args.push("--no-sandbox");
    const browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
      args,
      ignoreDefaultArgs: ["--mute-audio"],
      env: { ...env, LANGUAGE: lang },
      userDataDir: scratch(),
    });
    return new PuppeteerEngine(name, browser, downloads);
  }
  if (name === "firefox") {
    const browser = await puppeteer.launch({
      browser: "firefox",
      product: "firefox", // puppeteer-core 22 names the engine so
      protocol: "webDriverBiDi",
      executablePath: process.env.FIREFOX || "/usr/bin/firefox-esr",
      headless: true,
      env: { ...env, MOZ_HEADLESS: "1" },
      extraPrefsFirefox: {
        "intl.accept_languages": lang + ", en",
        "intl.locale.requested": lang,
        "media.navigator.permission.disabled": true,
        "media.autoplay.default": 0,
        "media.autoplay.blocking_policy": 0,
        "media.setsinkid.enabled": true,
        "browser.download.folderList": 2,
        "browser.download.dir": downloads,
        "browser.download.useDownloadDir": true,
        "browser.download.always_ask_before_handling_new_types": false,
        "browser.helperApps.neverAsk.saveToDisk": "audio/wav,text/x-c,application/json",
      },
    });
    return new PuppeteerEngine(name, browser, downloads);
  }
  throw new Error("unknown engine " + name + "; known: " + ENGINES.join(", "));
}
