// SPDX-License-Identifier: GPL-3.0-or-later
// The page's whole job in each browser engine (chromium, firefox-esr, WebKitGTK), from disk and
// served: it starts, forms tarvel frame's frame, sends into a private PulseAudio what `tarvel
// decode` reads back "CRC ok", downloads tarvel wav's _qq.wav byte for byte, checks a recording,
// and nothing goes wrong in the page on the way (no error, unhandled rejection, console error
// or Content-Security-Policy violation). TARVEL_ENGINES picks engines (default: all three).
import assert from "node:assert/strict";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import { after, before, describe, test } from "node:test";

import { pageFile, pageUrl, scratch, tarvel, waitForFile } from "./browser.mjs";
import { ENGINES, launchEngine } from "./engines.mjs";
import { INTERFACE, privatePulse } from "./pulse.mjs";
import { PLAYED, decoded, expectedFrame, sendAndWait } from "./sending.mjs";

const engines = (process.env.TARVEL_ENGINES || ENGINES.join(",")).split(",").filter(Boolean);
const frame = expectedFrame();

// site/ over HTTP, as a web server would give it (the types a browser needs for modules).
function serve(folder) {
  const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".svg": "image/svg+xml",
    ".json": "application/json", ".webmanifest": "application/manifest+json", ".png": "image/png" };
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, "http://x").pathname).replace(/\/$/, "/index.html");
    const file = path.join(folder, path.normalize(name));
    if (!file.startsWith(folder) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

for (const name of engines) {
  describe(name, () => {
    let pulse;
    let engine;
    let tab;
    before(async () => {
      pulse = await privatePulse();
      // The interface is the system's default output here: WebKit can play nowhere else.
      pulse.pactl("set-default-sink", INTERFACE.sink);
      engine = await launchEngine(name, { env: pulse.env, downloads: scratch() });
      console.log(`# ${name}: ${await engine.version()}`);
      tab = await engine.open(pageUrl);
    });
    after(async () => {
      await engine?.close();
      await pulse?.stop();
    });

    test("forms tarvel frame's frame and names its icon", async () => {
      await tab.click("#form");
      assert.equal(await tab.text("#frame-hex"), frame);
      assert.ok(await tab.call(() => !!document.querySelector('link[rel="icon"]')?.href));
    });

    test("sends what tarvel decode reads back \"CRC ok\"", async () => {
      const recording = await pulse.record(INTERFACE);
      const status = await sendAndWait(tab);
      await recording.stop();
      assert.match(status, PLAYED);
      assert.deepEqual(decoded(recording.file), [frame, "CRC ok"]);

      // The same recording checked by the page.
      await tab.setFile("#recording", "recorded.wav", fs.readFileSync(recording.file));
      await tab.waitFor(() => /CRC ok/.test(document.querySelector("#verdict").textContent), 15000);
    });

    test("downloads tarvel wav's _qq.wav byte for byte", async () => {
      await tab.click("#download-wav");
      const wav = await waitForFile(path.join(engine.downloads, "_qq.wav"), 15000);
      const cliDir = scratch();
      tarvel("wav", "-C", cliDir);
      assert.ok(wav.equals(fs.readFileSync(path.join(cliDir, "_qq.wav"))));
    });

    test("nothing went wrong in the page", async () => {
      assert.deepEqual(await tab.problems(), []);
    });

    test("served over HTTP: starts with its icon and no policy violation", async () => {
      const server = await serve(path.join(path.dirname(pageFile), "site"));
      try {
        const served = await engine.open(`http://127.0.0.1:${server.address().port}/`);
        await served.call(() => new Promise((r) => setTimeout(r, 500))); // the tab's own icon request
        assert.deepEqual(await served.problems(), []);
        const icon = await served.call(() => new Promise((resolve) => {
          const img = new Image();
          img.onload = () => resolve(true);
          img.onerror = () => resolve(false);
          img.src = document.querySelector('link[rel="icon"]').href;
        }));
        assert.equal(icon, true, "the icon is there to load");
      } finally {
        server.closeAllConnections();
        server.close();
      }
    });
  });
}
