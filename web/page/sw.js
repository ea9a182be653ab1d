// SPDX-License-Identifier: GPL-3.0-or-later
// @ts-check
// The page's service worker: keeps every file of the page for use without network. Its cache
// is named by the page's content, so a page deployed anew brings a new worker, which keeps the
// new files, drops the old and takes over the open pages (they offer a reload).
const CACHE = "@CACHE@";
const FILES = ["@FILES@"];

const worker = /** @type {any} */ (self);

worker.addEventListener("install", (/** @type {any} */ event) => {
  event.waitUntil(caches.open(CACHE)
    .then((cache) => cache.addAll(FILES.map((f) => new Request(f, { cache: "reload" }))))
    .then(() => worker.skipWaiting()));
});

worker.addEventListener("activate", (/** @type {any} */ event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n.startsWith("tarvel-") && n !== CACHE).map((n) => caches.delete(n))))
    .then(() => worker.clients.claim()));
});

// The page's own files from the cache, whatever the network does; anything else as usual.
worker.addEventListener("fetch", (/** @type {any} */ event) => {
  const request = /** @type {Request} */ (event.request);
  if (request.method !== "GET" || new URL(request.url).origin !== location.origin) return;
  event.respondWith(caches.open(CACHE)
    .then((cache) => cache.match(request, { ignoreSearch: true }))
    .then((kept) => kept || fetch(request)));
});
