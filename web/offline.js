// offline.js - the page's service worker: once the page has been loaded,
// its files are kept, so the program starts again without the network
// (installed as an app, or the page reloaded where the server is gone).
// Each load fetches the files anew where it can and keeps what it got;
// without the network the kept files answer.
'use strict';
const site = 'kx418-site';
const files = ['./', 'index.html', 'KX418.js', 'KX418.wasm', 'KX418.svg', 'manifest.webmanifest'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(site).then((cache) => cache.addAll(files)).then(() =>
    self.skipWaiting()));
});

self.addEventListener('activate', (event) => event.waitUntil(self.clients.claim()));

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(fetch(event.request).then((response) => {
    if (response.ok) {
      const copy = response.clone();
      caches.open(site).then((cache) => cache.put(event.request, copy));
    }
    return response;
  }).catch(() => caches.match(event.request, {ignoreSearch: true})));
});
