// SPDX-License-Identifier: GPL-3.0-or-later
// What the send tests do with a page in any engine: choose an output, follow every text the
// status line shows, and tell whether the page is ready for the next send.
import { execFileSync } from "node:child_process";

import { cli } from "./browser.mjs";

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The words of a send played to its end, and of one stopped.
export const PLAYED = /^Выдано до конца на /;
export const INTERRUPTED = /^прервано: /;
export const REFUSED = /^Не передано: /;

// Lists the devices (the microphone allowed, so that they have names) and chooses the output
// named `label`.
export async function chooseOutput(tab, label) {
  await tab.click("#list-devices");
  const value = await tab.waitFor((l) => {
    const o = Array.from(document.querySelector("#output").options).find((x) => x.text === l);
    return o && o.value;
  }, 10000, label);
  await tab.select("#output", value);
  // The choice is remembered once the browser has named the device again.
  await tab.waitFor(() => localStorage.getItem("tarvel.output") !== null, 5000);
}

// From now on every text of the status line is kept, to be read with `statuses`.
export function followStatus(tab) {
  return tab.call(() => {
    const seen = (window.__statuses = []);
    const status = document.querySelector("#status");
    new MutationObserver(() => seen.push(status.textContent)).observe(status, { childList: true, characterData: true,
      subtree: true });
  });
}

export function statuses(tab) {
  return tab.call(() => window.__statuses);
}

// Waits for the status line to match `pattern`; returns how long it took in milliseconds.
export async function statusWithin(tab, pattern, timeout_ms) {
  const start = Date.now();
  await tab.waitFor((source) => new RegExp(source).test(document.querySelector("#status").textContent), timeout_ms,
    pattern.source);
  return Date.now() - start;
}

// Every button the user sends with is usable again (none held, the cancel button hidden).
export function ready(tab) {
  return tab.call(() => !document.body.dataset.busy &&
    ["form", "send", "send-verify", "tone"].every((id) => {
      const b = document.getElementById(id);
      return !b.disabled && b.getAttribute("aria-disabled") !== "true";
    }) && document.getElementById("cancel").hidden);
}

// Presses "выдать" and waits until the page says how it ended; returns the status text.
// (A refusal may come and go between two looks: the status line is what tells it ended.)
export async function sendAndWait(tab, timeout_ms = 30000) {
  await tab.call(() => (document.querySelector("#status").textContent = ""));
  await tab.click("#send");
  await tab.waitFor(() => {
    const text = document.querySelector("#status").textContent;
    return !document.body.dataset.busy && text !== "" && !/^(Идёт передача|Sending)/.test(text);
  }, timeout_ms);
  return tab.text("#status");
}

// `tarvel decode FILE`'s first two lines (the frame and "CRC ok"), or its failure.
export function decoded(file) {
  try {
    return execFileSync(cli, ["decode", file], { encoding: "utf8" }).split("\n").slice(0, 2);
  } catch (e) {
    return ["tarvel decode failed", String(e.stdout || e.message)];
  }
}

export function expectedFrame() {
  return execFileSync(cli, ["frame"], { encoding: "utf8" }).trim();
}
