// The page's own logic without a browser: web/shell.html's script, run by Node against stand-ins
// for the browser, then its layout choice, its map rebuilding and its letting go of held keys.
"use strict";
const assert = require("assert"), fs = require("fs"), path = require("path"), vm = require("vm");

// The shell as the build configures it, for a window of 800 x 600.
const html = fs.readFileSync(path.join(__dirname, "..", "..", "web", "shell.html"), "utf8")
  .replaceAll("@WINDOW_WIDTH@", 800).replaceAll("@WINDOW_HEIGHT@", 600);
const script = html.match(/<script>([\s\S]*?)<\/script>/)[1];
// Whatever the script reaches for answers with another stand-in, "" as a value, and keeps the
// handlers it adds by event type; dispatched events are kept too.
const listeners = {}, dispatched = [];
const standIn = () => new Proxy(function () {}, {
  get: (target, name) => name == "addEventListener"
    ? (type, handler) => (listeners[type] ??= []).push(handler)
    : name == Symbol.toPrimitive ? () => "" : name in target ? target[name] : standIn(),
  apply: standIn, construct: standIn,
});
const page = vm.createContext({
  document: standIn(), window: { dispatchEvent: (event) => dispatched.push(event) },
  KeyboardEvent: function (type, init) { Object.assign(this, init, { type }); },
  matchMedia: standIn, visualViewport: standIn(), ResizeObserver: standIn, console,
  addEventListener: standIn, setTimeout: () => 0, setInterval: () => 0, atob, innerHeight: 600,
});
vm.runInContext(script, page);
const run = (code) => vm.runInContext(code, page);

// The layout: on a touch screen the arrangement that leaves the largest picture, within 800 and
// the screen; its keys as large as they can be without making the picture smaller.
const layoutFor = run("layoutFor"), arrangements = run("ARRANGEMENTS");
for (const [width, height] of [[280, 653], [360, 640], [640, 360], [390, 844], [844, 390],
                               [768, 1024], [1024, 768], [1280, 800], [2000, 300]]) {
  const layout = layoutFor(width, height, true), room = width - 15;
  const pictureWith = (keys, k) => layoutFor(width, height, true, { [keys]: arrangements[keys] },
                                             [k]).picture;
  assert.ok(layout.picture <= Math.min(800, room) && layout.picture > 0, [width, height]);
  for (const keys in arrangements)
    assert.ok(pictureWith(keys, 44) <= layout.picture, [width, height, keys]);
  assert.ok(layout.key == 52 || pictureWith(layout.keys, layout.key + 1) < layout.picture);
  assert.equal(layoutFor(width, height, false).keys, null);
}

// A map rebuilt from its pixels: rows as the entry lays them out, blue-green-red, padded to the
// stride, between the file's head and tail.
const fileOf = run("fileOf");
const rgba = Uint8Array.from({ length: 3 * 2 * 4 }, (_, i) => i); // 3 x 2, top row first
for (const bottomUp of [false, true]) {
  const file = fileOf({ width: 3, height: 2, stride: 12, bottomUp, head: btoa("HEAD"),
                        tail: btoa("T") }, rgba);
  const top = Array.from(file.subarray(bottomUp ? 16 : 4, bottomUp ? 28 : 16));
  assert.deepStrictEqual(top, [2, 1, 0, 6, 5, 4, 10, 9, 8, 0, 0, 0], `bottomUp ${bottomUp}`);
  assert.equal(Buffer.from(file).toString("latin1", 0, 4) + String.fromCharCode(file[28]),
               "HEADT");
}

// Keys held on the touch keys are let go when the page is hidden.
run("held.add('w'); held.add('d'); document.hidden = true;");
listeners.visibilitychange.forEach((handler) => handler());
assert.deepStrictEqual(dispatched.map((event) => event.type + " " + event.key), ["keyup w",
                                                                               "keyup d"]);
assert.equal(run("held.size"), 0);
console.log("page logic: layout, map rebuilding, held keys: ok");
