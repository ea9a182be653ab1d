// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The core's refusals in the page's language. The core words them in English, as the command
// line prints them; each kind of message has a pattern here and a text in texts.js with the
// same name. A message no pattern knows is shown as the core wrote it.
import { state } from "./state.js";
import { t } from "./ui.js";

/** @type {[string, RegExp][]} */
const SETTINGS = [
  ["missing", /^missing field "(?<field>[^"]*)"$/],
  ["wholeNumber", /^"(?<field>[^"]*)" is not a whole number from (?<from>\S+) to (?<to>\S+)$/],
  ["tenths", /^"(?<field>[^"]*)" is not a number from (?<from>\S+) to (?<to>\S+) in steps of 0\.1$/],
  ["format", /^"format" is not "[^"]*": not a Tarvel settings file$/],
  ["version", /^"version" is not (?<version>\d+): a settings file of another version$/],
  ["unknown", /^unknown field (?<field>".*")$/],
  ["twice", /^field (?<field>".*") given twice$/],
  ["nameNotText", /^"name" is not text$/],
  ["keying", /^"keying_mode" is not "pilot tone" or "VOX"$/],
  ["tooLarge", /^too large for a settings file$/],
  ["notJson", /^not JSON: (?<what>.*) \(byte (?<byte>\d+)\)$/],
];

/** @type {[string, RegExp][]} */
const JSON_FAULTS = [
  ["notObject", /^not a JSON object$/],
  ["moreText", /^more text after the object$/],
  ["notValue", /^not a JSON value$/],
  ["tooDeep", /^nested too deeply$/],
  ["notNumber", /^not a JSON number$/],
  ["escapeDigits", /^a \\u escape needs four hexadecimal digits$/],
  ["expectedString", /^expected a string$/],
  ["notClosed", /^a string is not closed$/],
  ["controlCharacter", /^a control character in a string$/],
  ["unknownEscape", /^an unknown escape in a string$/],
  ["expected", /^expected (?<what>.*)$/],
];

/** @type {[string, RegExp][]} */
const RECORDING = [
  ["rate", /^sample rate (?<rate>\S+) Hz is outside 8000\.\.96000 Hz$/],
  ["empty", /^the file is empty$/],
  ["container", /^not a WAV, FLAC or OGG recording$/],
  ["tooLarge", /^larger than (?<limit>\d+) bytes$/],
];

/**
 * `template` with each {name} replaced by the group of that name.
 * @param {string} template
 * @param {Record<string, string>} groups
 */
const fill = (template, groups) => template.replace(/\{(\w+)\}/g, (_, name) => groups[name] ?? "");

/**
 * The first pattern that matches `message`, filled into its text under `texts`; null when none does.
 * @param {[string, RegExp][]} patterns
 * @param {Record<string, string>} texts
 * @param {string} message
 * @param {(groups: Record<string, string>) => Record<string, string>} [extend]
 */
function translate(patterns, texts, message, extend = (g) => g) {
  for (const [name, pattern] of patterns) {
    const m = pattern.exec(message);
    if (m) return fill(texts[name], extend({ ...m.groups }));
  }
  return null;
}

/**
 * A field of the settings file by the label the page shows it under, with its key.
 * @param {string} key
 */
function fieldName(key) {
  const spin = state.parameters && state.parameters.ranges.some((r) => r.key === key);
  const label = key === "keying_mode" ? t("keying") : spin ? t(key)[0] : null;
  return label ? "«" + label + "» (" + key + ")" : key;
}

/**
 * What the core refused, in the page's language.
 * @param {import("./core.js").CoreError} e
 */
export function refusalText(e) {
  if (state.language === "en") return e.message;
  if (e.code === "settings") {
    const texts = t("settingsRefusals");
    return translate(SETTINGS, texts, e.message, (g) => {
      if (g.field) g.field = fieldName(g.field.replace(/^"(.*)"$/, "$1"));
      if (g.what) g.what = translate(JSON_FAULTS, t("jsonFaults"), g.what) ?? g.what;
      if (g.from) g.from = g.from.replace(".", ",");
      if (g.to) g.to = g.to.replace(".", ",");
      return g;
    }) ?? e.message;
  }
  if (e.code === "recording" || e.code === "too_large") return translate(RECORDING, t("recordingRefusals"), e.message) ?? e.message;
  if (e.code === "memory") return t("outOfMemory");
  return e.message;
}
