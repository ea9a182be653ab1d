// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The browser's storage: the last values, the presets by name, the language. A browser that
// keeps nothing (private mode, storage switched off) still runs the page.

export const STORE_LAST = "tarvel.last";
export const STORE_PRESETS = "tarvel.presets";
export const STORE_LANGUAGE = "tarvel.language";

/**
 * @param {string} key
 * @param {any} fallback
 */
export function storeRead(key, fallback) {
  try {
    const text = window.localStorage.getItem(key);
    return text === null ? fallback : JSON.parse(text);
  } catch (e) {
    return fallback;
  }
}

/**
 * @param {string} key
 * @param {any} value
 * @returns {boolean} whether the value was kept
 */
export function storeWrite(key, value) {
  try {
    window.localStorage.setItem(key, JSON.stringify(value));
    return true;
  } catch (e) {
    return false;
  }
}
