// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// What the decoder read from a recording, shown under "Проверка".
import { state } from "./state.js";
import { $, t } from "./ui.js";

/** @param {any} result the decoder's result, as `tarvel decode --json` gives it */
export function showVerdict(result) {
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
    line(result.frame === state.lastFrame ? t("sameFrame") : t("otherFrame"));
  } else if (result.status === "crc mismatch") {
    line(t("crcBad") + " (" + result.crc.computed + " ≠ " + result.crc.received + ")", "error");
  } else {
    line(t("notRead") + ": " + (t("reasons")[result.status] || result.status) + ". " + result.reason, "error");
    return;
  }
  line(t("frame") + ": " + result.frame);
  const s = result.signal;
  line(t("level") + " " + s.level_dbfs.toFixed(1) + " dBFS, " + t("snr") + " " + s.snr_db.toFixed(1) + " dB, " +
    t("rate") + " " + s.sample_rate_hz + " Hz");
}
