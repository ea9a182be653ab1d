// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// What the decoder read from a recording, shown under "Проверка" in the page's language.
import { state } from "./state.js";
import { $, t } from "./ui.js";

/**
 * Why nothing was read: the core's reason code in the page's words, else the core's own.
 * @param {any} result
 */
export function reasonText(result) {
  const text = state.language === "en" ? null : t("reasonCodes")[result.reason_code];
  return text ? text.replace("{n}", String(result.symbols_read)) : result.reason;
}

/**
 * One line in place of the verdict: a step of a check, or why it ended.
 * @param {string} text
 * @param {boolean} [isError]
 */
export function say(text, isError) {
  const v = $("verdict");
  v.textContent = "";
  const p = document.createElement("p");
  p.textContent = text;
  if (isError) p.className = "error";
  v.appendChild(p);
}

/**
 * @param {any} result the decoder's result, as `tarvel decode --json` gives it
 * @param {string} [source] what the recording was (its rate and channels, as the file says)
 */
export function showVerdict(result, source) {
  const v = $("verdict");
  v.textContent = "";
  /** @type {(text: string, cls?: string) => void} */
  const line = (text, cls) => {
    const p = document.createElement("p");
    p.textContent = text;
    if (cls) p.className = cls;
    v.appendChild(p);
  };
  if (result.status === "ok") {
    line(t("crcOk") + " (" + result.crc.computed + ")", "ok");
    if (state.lastFrame === null) line(t("noFrameFormed"));
    else line(result.frame === state.lastFrame ? t("sameFrame") : t("otherFrame"));
  } else if (result.status === "crc mismatch") {
    line(t("crcBad") + " (" + result.crc.computed + " ≠ " + result.crc.received + ")", "error");
  } else {
    line(t("notRead") + ": " + reasonText(result), "error");
    if (source) line(source);
    return;
  }
  line(t("frame") + ": " + result.frame);
  const s = result.signal;
  line(t("level") + " " + s.level_dbfs.toFixed(1) + " dBFS, " + t("snr") + " " + s.snr_db.toFixed(1) + " dB, " +
    t("rate") + " " + s.sample_rate_hz + " Hz");
  if (source) line(source);
}
