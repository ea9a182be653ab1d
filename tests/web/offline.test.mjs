// SPDX-License-Identifier: GPL-3.0-or-later
// The page served from a web site (build/web/site/) is kept by its service worker: loaded
// once, it reloads and sends with the server gone, and a new version deployed takes over.
import assert from "node:assert/strict";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import { after, before, describe, test } from "node:test";

import { launch, pageFile, scratch } from "./browser.mjs";

const TYPES = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".png": "image/png",
  ".svg": "image/svg+xml", ".webmanifest": "application/manifest+json" };

// Serves `folder` on 127.0.0.1:`port` (0: any free port); resolves to the server.
function serve(folder, port = 0) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, "http://x").pathname).replace(/^\/$/, "/index.html");
    const file = path.join(folder, path.normalize(name));
    if (!file.startsWith(folder) || !fs.existsSync(file)) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { "Content-Type": TYPES[path.extname(file)] || "application/octet-stream" });
    response.end(fs.readFileSync(file));
  });
  return new Promise((resolve) => server.listen(port, "127.0.0.1", () => resolve(server)));
}

const stop = (server) => new Promise((resolve) => { server.closeAllConnections(); server.close(resolve); });

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

describe("offline", () => {
  test("loaded once from the site, the page reloads and sends with the server stopped, and takes a new version", async () => {
    const site = path.join(scratch(), "site");
    fs.cpSync(path.join(path.dirname(pageFile), "site"), site, { recursive: true });
    let server = await serve(site);
    const port = server.address().port;
    const url = "http://127.0.0.1:" + port + "/";
    const page = await browser.newPage(); // the default profile: an incognito one installs nothing
    const problems = [];
    page.on("pageerror", (e) => problems.push(String(e)));
    await page.goto(url);
    await page.waitForSelector("body[data-ready]", { timeout: 15000 });
    await page.waitForFunction(() => navigator.serviceWorker.controller !== null, { timeout: 15000 });
    const cdp = await page.createCDPSession();
    assert.deepEqual((await cdp.send("Page.getInstallabilityErrors")).installabilityErrors, [], "installable");
    const version = await page.$eval("#version", (e) => e.textContent);
    assert.match(version, /^\d+\.\d+/);

    await stop(server);
    await page.reload();
    await page.waitForSelector("body[data-ready]", { timeout: 15000 });
    await page.click("#send");
    await page.waitForFunction(() => document.body.dataset.busy, { timeout: 5000 });
    await page.waitForFunction(() => !document.body.dataset.busy, { timeout: 30000 });
    const status = await page.$eval("#status", (e) => ({ text: e.textContent, error: e.classList.contains("error") }));
    assert.ok(!status.error, status.text);
    assert.notEqual(await page.$eval("#frame-hex", (e) => e.textContent), "");

    // A new version deployed: the same site with another page.
    const html = path.join(site, "index.html");
    fs.writeFileSync(html, fs.readFileSync(html, "utf8").replace(version, "99.0"));
    const worker = path.join(site, "sw.js");
    fs.writeFileSync(worker, fs.readFileSync(worker, "utf8").replace(/tarvel-[0-9a-f]+/, "tarvel-new"));
    server = await serve(site, port);
    try {
      await page.reload();
      await page.waitForSelector("#update:not([hidden])", { timeout: 20000 });
      await Promise.all([page.waitForNavigation(), page.click("#update-reload")]);
      await page.waitForSelector("body[data-ready]", { timeout: 15000 });
      assert.equal(await page.$eval("#version", (e) => e.textContent), "99.0");
    } finally {
      await stop(server);
    }
    assert.deepEqual(problems, []);
  });
});
