// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The page kept for use without network: served from a web site, it registers its service
// worker (sw.js), and when a new version takes over it offers a reload. Opened from disk there
// is nothing to keep: the one file is the whole page.
import { $ } from "./ui.js";

export function keepOffline() {
  if (!("serviceWorker" in navigator) || !/^https?:$/.test(location.protocol)) return;
  const hadWorker = !!navigator.serviceWorker.controller;
  navigator.serviceWorker.addEventListener("controllerchange", () => {
    if (hadWorker) $("update").hidden = false;
  });
  navigator.serviceWorker.register("sw.js").catch(() => {
    // a browser that refuses workers (private mode in some) still runs the page online
  });
}

export function wireOffline() {
  $("update-reload").addEventListener("click", () => location.reload());
}
