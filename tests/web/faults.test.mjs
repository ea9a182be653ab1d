// SPDX-License-Identifier: GPL-3.0-or-later
// "выдать" meets a fault in a private PulseAudio 2.5 s into the send: the page must never say
// the send was played to its end, must say why within 5 s (a stream the system moves is the
// one fault a browser cannot see: the page says only what it knows), and must be ready for the
// next send, which then reaches the interface whole. Then the replug: the chosen output
// unloaded and loaded again is missing (send refused) and then taken again by itself.
// TARVEL_ENGINES: a comma-separated list (default chromium,firefox); WebKit cannot choose an
// output, and runs the faults of its default output that it can show.
import assert from "node:assert/strict";
import { after, afterEach, describe, test } from "node:test";

import { pageUrl } from "./browser.mjs";
import { launchEngine } from "./engines.mjs";
import { INTERFACE, SPEAKERS, privatePulse } from "./pulse.mjs";
import { INTERRUPTED, PLAYED, REFUSED, chooseOutput, decoded, expectedFrame, followStatus, ready, sendAndWait,
  sleep, statuses, statusWithin } from "./sending.mjs";

const engines = (process.env.TARVEL_ENGINES || "chromium,firefox").split(",").filter(Boolean);
const frame = expectedFrame();

let pulse = null;
let engine = null;
afterEach(async () => {
  await engine?.close();
  engine = null;
  await pulse?.stop();
  pulse = null;
});
after(async () => {
  await engine?.close();
  await pulse?.stop();
});

// A private server, the engine on it, the page open with the interface chosen (or, where the
// engine cannot choose, the interface made the system's default output).
async function start(name) {
  pulse = await privatePulse();
  engine = await launchEngine(name, { env: pulse.env });
  const tab = await engine.open(pageUrl);
  if (name === "webkit") pulse.pactl("set-default-sink", INTERFACE.sink);
  else await chooseOutput(tab, INTERFACE.label);
  await followStatus(tab);
  return tab;
}

// A send after the fault is undone reaches the interface whole.
async function sendsAgain(tab) {
  assert.ok(await ready(tab), "every button usable after the fault");
  const recording = await pulse.record(INTERFACE);
  const status = await sendAndWait(tab);
  await recording.stop();
  assert.match(status, PLAYED);
  assert.deepEqual(decoded(recording.file), [frame, "CRC ok"]);
}

const FAULTS = [
  { name: "the chosen output unloaded", engines: ["chromium", "firefox"], inject: () => pulse.unloadSink(INTERFACE),
    undo: () => pulse.addSink(INTERFACE), reason: /пропал из списка устройств/, settle_ms: 7000 },
  { name: "the chosen output suspended", inject: () => pulse.suspend(INTERFACE),
    undo: () => pulse.suspend(INTERFACE, false), reason: /звук перестал идти/ },
  // WebKitGTK's page itself stands still while the server is stopped (its sound calls wait on
  // the server in the page's own thread): nothing there can tell the user.
  { name: "the sound server stopped (kill -STOP)", engines: ["chromium", "firefox"], inject: () => pulse.freeze(),
    undo: () => pulse.thaw(), reason: /звук перестал идти/ },
];

for (const name of engines) {
  describe(name + ": a fault during a send", () => {
    for (const fault of FAULTS.filter((f) => !f.engines || f.engines.includes(name))) {
      test(fault.name + " stops the send with its reason within 5 s", async () => {
        const tab = await start(name);
        await tab.click("#send");
        await pulse.waitForStream();
        await sleep(2500);
        fault.inject();
        const took = await statusWithin(tab, INTERRUPTED, 5000);
        const said = await tab.text("#status");
        assert.match(said, fault.reason);
        if (name !== "webkit") assert.ok(said.includes("«" + INTERFACE.label + "»"), "names the output: " + said);
        assert.ok(await ready(tab), "every button usable while the fault lasts");
        console.log(`# ${name}: ${fault.name}: told in ${took} ms after the fault`);
        await fault.undo();
        // The output comes back chosen by itself.
        if (name !== "webkit")
          await tab.waitFor((l) => document.querySelector("#output").selectedOptions[0]?.text === l, 5000,
            INTERFACE.label);
        // A server woken from a stop catches up on its own clock first; chromium keeps a stream
        // it closed open for a few seconds and plays the next send on it, wherever the server
        // has moved it meanwhile (bench: web/README.md).
        await sleep(fault.settle_ms || 2000);
        await sendsAgain(tab);
        assert.ok(!(await statuses(tab)).slice(0, -1).some((s) => PLAYED.test(s)), "the faulty send never said done");
        assert.deepEqual(await tab.problems(), []);
      });
    }

    if (name !== "webkit") {
      test("a stream moved to another output: the page says what it knows and points to the check", async () => {
        const tab = await start(name);
        const onInterface = await pulse.record(INTERFACE);
        await tab.click("#send");
        await pulse.waitForStream();
        await sleep(2500);
        const moved = pulse.moveStreams(SPEAKERS);
        await tab.waitFor(() => !document.body.dataset.busy, 15000);
        await onInterface.stop();
        const said = await tab.text("#status");
        assert.match(said, PLAYED);
        assert.ok(said.includes("«" + INTERFACE.label + "»") && said.includes("выдать и проверить на слух"), said);
        assert.ok(!(await statuses(tab)).some((s) => /Передано/.test(s)));
        // Firefox pins a stream to the output it was asked for: the server refuses to move it.
        if (moved === 0) assert.deepEqual(decoded(onInterface.file), [frame, "CRC ok"]);
        else assert.notDeepEqual(decoded(onInterface.file), [frame, "CRC ok"], "the move took the rest away");
        console.log(`# ${name}: a moved stream: ${moved ? "moved, the page cannot see it" : "refused by the server"}`);
        assert.deepEqual(await tab.problems(), []);
      });

      test("the replug: the chosen output missing is refused, and taken again when it returns", async () => {
        const tab = await start(name);
        pulse.unloadSink(INTERFACE);
        await tab.waitFor(() => document.querySelector("#output").selectedOptions[0]?.text.includes("не подключён"),
          5000);
        const status = await sendAndWait(tab, 5000);
        assert.match(status, REFUSED);
        assert.ok(status.includes("«" + INTERFACE.label + "»"), status);
        assert.equal(pulse.playingStreams(), 0, "nothing played to another output");
        pulse.addSink(INTERFACE);
        await tab.waitFor((l) => document.querySelector("#output").selectedOptions[0]?.text === l, 5000,
          INTERFACE.label);
        await sendsAgain(tab);
        // ... and the choice survives a reload (firefox names the devices only once the microphone
        // is asked for again).
        await tab.reload();
        if (name === "firefox") await tab.click("#list-devices");
        await tab.waitFor((l) => document.querySelector("#output").selectedOptions[0]?.text === l, 5000,
          INTERFACE.label);
        assert.deepEqual(await tab.problems(), []);
      });
    }

    if (name === "webkit") {
      test("playback refused by the browser: the check ends its text, nothing goes unhandled", async () => {
        pulse = await privatePulse();
        engine = await launchEngine(name, { env: { ...pulse.env, TARVEL_AUTOPLAY: "deny" } });
        const tab = await engine.open(pageUrl);
        await tab.click("#send-verify");
        const verdict = await tab.waitFor(() => !document.body.dataset.busy &&
          /^Проверка не выполнена/.test(document.querySelector("#verdict").textContent) &&
          document.querySelector("#verdict").textContent, 20000);
        // The refusal is told in the page's language, on the check's line or the send's.
        assert.match(verdict + (await tab.text("#status")), /браузер не разрешил/);
        assert.doesNotMatch(await tab.text("#status"), PLAYED);
        assert.ok(await ready(tab));
        assert.deepEqual(await tab.problems(), []);
      });
    }

    test("no sound server: the send is refused, nothing is said to be sent", async () => {
      pulse = await privatePulse();
      await pulse.stop();
      const env = pulse.env;
      pulse = null;
      engine = await launchEngine(name, { env });
      const tab = await engine.open(pageUrl);
      const status = await sendAndWait(tab, 10000);
      // WebKitGTK lists no outputs at all and plays into nothing as if it were there: the page can
      // only say what the browser told it, and point to the check.
      if (name === "webkit") assert.match(status, /выдать и проверить на слух/);
      else assert.match(status, REFUSED);
      assert.ok(await ready(tab));
      // The check finds no input either, and says so in the page's language.
      await tab.click("#send-verify");
      const verdict = await tab.waitFor(() => !document.body.dataset.busy &&
        document.querySelector("#verdict").textContent.startsWith("Проверка не выполнена") &&
        document.querySelector("#verdict").textContent, 15000);
      assert.match(verdict, /нет ни одного входа звука/);
      assert.ok(await ready(tab));
      assert.deepEqual(await tab.problems(), []);
    });
  });
}
