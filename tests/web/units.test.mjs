// SPDX-License-Identifier: GPL-3.0-or-later
// The page's plain decisions, run in Node without a browser: what a check heard, when the audio
// clock counts as stuck, and which device a remembered choice stands for after a replug.
import assert from "node:assert/strict";
import { describe, test } from "node:test";

import { findRemembered } from "../../web/page/devices.js";
import { CaptureGaps, judgeHeard, peakDbfs } from "../../web/page/heard.js";
import { STALL_MS, StallWatch } from "../../web/page/playback.js";

const SENT = "01 02 05 01 06 00 00 3C 14 00 64 00 1E 28 FC 6C";
const OTHER = "01 02 05 01 06 00 00 3C 14 00 65 00 1E 28 12 34";
const ok = (frame, level) => ({ status: "ok", frame, signal: { level_dbfs: level } });

describe("what a check heard", () => {
  const cases = [
    // [what, decoder result, recording peak dBFS, heard, low level, clipped]
    ["nothing above the floor", { status: "no signal" }, -70, "silent", false, false],
    ["digital silence", { status: "no signal" }, -Infinity, "silent", false, false],
    ["the frame sent", ok(SENT, -10), -3, "verified", false, false],
    ["the frame sent, quietly", ok(SENT, -40), -35, "verified", true, false],
    ["the frame sent, at full scale", ok(SENT, -3), 0, "verified", false, true],
    ["another frame", ok(OTHER, -10), -3, "other", false, false],
    ["not read, at full scale", { status: "no lead-in" }, 0, "clipped", false, true],
    ["not read, weak and never found", { status: "no signal" }, -45, "quiet", false, false],
    ["a damaged frame, weak", { status: "crc mismatch", frame: SENT, signal: { level_dbfs: -38 } }, -31, "quiet", true,
      false],
    ["a damaged frame at a good level", { status: "crc mismatch", frame: SENT, signal: { level_dbfs: -12 } }, -4,
      "damaged", false, false],
  ];
  for (const [what, result, peak, heard, lowLevel, clipped] of cases)
    test(what, () => assert.deepEqual(judgeHeard(result, peak, SENT), { heard, lowLevel, clipped }));

  test("a recording with a hole in it blames the recording, never what it could not have caused", () => {
    const damaged = { status: "crc mismatch", frame: SENT, signal: { level_dbfs: -12 } };
    assert.equal(judgeHeard(damaged, -4, SENT, 23).heard, "incomplete");
    assert.equal(judgeHeard({ status: "no lead-in" }, -4, SENT, 23).heard, "incomplete");
    assert.equal(judgeHeard({ status: "no lead-in" }, 0, SENT, 23).heard, "incomplete", "even at full scale");
    assert.equal(judgeHeard({ status: "no signal" }, -45, SENT, 23).heard, "incomplete", "even when weak");
    assert.equal(judgeHeard(ok(SENT, -10), -3, SENT, 23).heard, "verified");
    assert.equal(judgeHeard(ok(OTHER, -10), -3, SENT, 23).heard, "other");
    assert.equal(judgeHeard({ status: "no signal" }, -70, SENT, 23).heard, "silent");
  });

  test("the peak of a recording in dBFS", () => {
    assert.equal(peakDbfs(new Float32Array(8)), -Infinity);
    assert.equal(peakDbfs(Float32Array.from([0.1, -0.5, 0.25])).toFixed(2), "-6.02");
    assert.equal(peakDbfs(Float32Array.from([-1.5])), 0, "beyond full scale counts as full scale");
  });
});

describe("sound lost on its way into a check's recording", () => {
  // Blocks of 1024 samples at 44.1 kHz, stamped as captured (ms), as chromium hands them over.
  const BLOCK_MS = (1024 * 1000) / 44100;
  const gapsOf = (stamps, startAt = 0, filled = 0) => {
    const gaps = new CaptureGaps();
    stamps.forEach((stamp, i) => {
      if (i === startAt) gaps.start();
      gaps.stamped(stamp, 1024, 44100);
    });
    gaps.filled(filled, 44100);
    return gaps.lost_ms();
  };
  const steady = (n, from = 0) => Array.from({ length: n }, (_, i) => from + i * BLOCK_MS);
  // As measured in chromium: single stamps up to 5 ms off, their run within 5 ms.
  const jitter = steady(40).map((ms, i) => ms + [0, 5, -1, 3, 0, -2][i % 6]);
  const dropped = steady(40).map((ms, i) => (i >= 20 ? ms + BLOCK_MS : ms));
  const added = steady(40).map((ms, i) => (i >= 20 ? ms - BLOCK_MS : ms));
  // Stamps taken late on a busy machine: single blocks, and a run of three 43 ms late.
  const late = steady(40).map((ms, i) => ms + (i === 7 ? 20 : i >= 30 && i < 33 ? 43 : 0));
  // Stamps running two blocks ahead while the input starts, then steady.
  const settling = [...steady(5), ...steady(35, 6 * BLOCK_MS + BLOCK_MS)];
  const cases = [
    // [what, stamps, count from block, samples filled with silence, lost ms]
    ["every block in its place", steady(40), 0, 0, 0],
    ["stamps a few ms early and late", jitter, 0, 0, 0],
    ["stamps taken late, the samples all there", late, 0, 0, 0],
    ["a block lost", dropped, 0, 0, Math.round(BLOCK_MS)],
    ["a block added", added, 0, 0, Math.round(BLOCK_MS)],
    ["the input settling before the send", settling, 10, 0, 0],
    ["a block lost before the send", dropped, 25, 0, 0],
    ["silence filled in by the capture", steady(40), 0, 4410, 100],
  ];
  for (const [what, stamps, startAt, filled, lost] of cases)
    test(what, () => assert.equal(gapsOf(stamps, startAt, filled), lost));

  // An audio graph's capture, told by when its messages of 1024 samples reach the page.
  const graphCases = [
    // [what, page ms at each message, lost ms]
    ["a graph keeping time, its messages late by up to 40 ms", steady(60).map((ms, i) => ms + (i % 7) * 6), 0],
    ["a graph whose clock stood still for 0.8 s", steady(60).map((ms, i) => (i >= 30 ? ms + 800 : ms)), 800],
  ];
  for (const [what, times, lost] of graphCases)
    test(what, () => {
      const gaps = new CaptureGaps();
      times.forEach((ms, i) => {
        gaps.clocked(ms, (i + 1) * 1024, 44100);
        if (i === 5) gaps.start();
      });
      assert.equal(gaps.lost_ms(), lost);
    });
});

describe("the audio clock standing still", () => {
  test("is stuck once it has not moved for the whole limit, and not before", () => {
    const watch = new StallWatch();
    assert.equal(watch.stuck(0, 0.5), false);
    assert.equal(watch.stuck(STALL_MS - 1, 0.5), false);
    assert.equal(watch.stuck(STALL_MS, 0.5), true);
  });

  test("a clock that moves is never stuck, however slowly, and a move starts the wait again", () => {
    const watch = new StallWatch(1000);
    for (let ms = 0; ms <= 10000; ms += 900) assert.equal(watch.stuck(ms, ms / 100000), false, String(ms));
    assert.equal(watch.stuck(10800, 0.108), false);
    assert.equal(watch.stuck(11700, 0.108), false);
    assert.equal(watch.stuck(11800, 0.108), true);
  });
});

describe("a remembered device after a replug", () => {
  const iface = { deviceId: "a1", label: "Tarvel-Interface", groupId: "g1" };
  const cases = [
    // [what, remembered, devices now, the device id found (undefined: none)]
    ["the same id", iface, [{ deviceId: "a1", label: "", groupId: "" }], "a1"],
    ["a new id, the same label and group", iface,
      [{ deviceId: "s", label: "Speakers", groupId: "g2" }, { deviceId: "b2", label: "Tarvel-Interface", groupId: "g1" }],
      "b2"],
    ["a new id and group, the only one of its label", iface, [{ deviceId: "b2", label: "Tarvel-Interface",
      groupId: "g9" }], "b2"],
    ["two of the label: the group decides", iface,
      [{ deviceId: "x", label: "Tarvel-Interface", groupId: "g8" }, { deviceId: "y", label: "Tarvel-Interface",
        groupId: "g1" }], "y"],
    ["two of the label, neither of its group: none is guessed", iface,
      [{ deviceId: "x", label: "Tarvel-Interface", groupId: "g8" }, { deviceId: "y", label: "Tarvel-Interface",
        groupId: "g7" }], undefined],
    ["gone", iface, [{ deviceId: "s", label: "Speakers", groupId: "g2" }], undefined],
    ["chosen before the names were known: only its id counts", { deviceId: "a1", label: "", groupId: "" },
      [{ deviceId: "z", label: "", groupId: "" }], undefined],
  ];
  for (const [what, remembered, devices, found] of cases)
    test(what, () => assert.equal(findRemembered(remembered, devices)?.deviceId, found));
});
