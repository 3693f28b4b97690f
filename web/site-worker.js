// The site's worker: keeps the site's files (listed by tools/web-app at build time) in one cache
// per version and answers the page's requests from it, so that the viewer starts without a network.
const SITE = SITE_FILES; // { version, digest, files }, relative to this script
// One cache per copy of the site (its scope) and version; the digest of the files tells builds
// of one version apart, so that a rebuilt site replaces its files too.
const PREFIX = `kivo-model ${registration.scope} `;
const CACHE = `${PREFIX}${SITE.version} ${SITE.digest}`;
// The program's script and WebAssembly as the page asks for them: gzipped, or plain where the
// browser cannot undo gzip.
const KEPT = SITE.files.filter((file) => self.DecompressionStream
  ? !SITE.files.includes(`${file}.gz`)
  : !(file.endsWith(".gz") && SITE.files.includes(file.slice(0, -3))));

// Every file asked from the server afresh (revalidated), so the cache holds this version's.
addEventListener("install", (event) => event.waitUntil(caches.open(CACHE).then((cache) =>
  cache.addAll(KEPT.map((file) => new Request(file, { cache: "no-cache" }))))));

// The older versions' caches of this copy go once this version takes over.
addEventListener("activate", (event) => event.waitUntil(caches.keys().then((names) =>
  Promise.all(names.filter((name) => name.startsWith(PREFIX) && name != CACHE)
    .map((name) => caches.delete(name))))));

// From the cache where it holds the file, the folder itself being its index.html; else the
// network.
addEventListener("fetch", (event) => {
  if (event.request.method != "GET")
    return;
  const url = new URL(event.request.url);
  url.search = url.hash = "";
  const key = url.href == registration.scope ? "index.html" : event.request;
  event.respondWith(caches.match(key, { cacheName: CACHE, ignoreSearch: true })
    .then((kept) => kept ?? fetch(event.request)));
});
