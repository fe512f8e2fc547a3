#!/usr/bin/env node
// Plays one SWF movie (or an HTML page that embeds movies) in Ruffle inside
// headless Chromium and prints what happened as one JSON object.
//
//   node driver.mjs --root DIR (--swf NAME | --page NAME) [options]
//   node driver.mjs --serve     (many movies, one per line of standard input:
//                                see serve() at the end)
//
//   --root DIR        folder served on http://127.0.0.1:PORT/
//   --swf NAME        movie (relative to DIR) shown alone at its stage size
//   --page NAME       page (relative to DIR) loaded as it is; Ruffle is added to it
//   --run MS          how long the movie plays after it started (default 2000)
//   --shot MS:FILE    PNG screenshot of the stage at MS after the start (repeatable)
//   --click MS:X,Y    mouse click at stage pixel X,Y at MS after the start (repeatable)
//   --move MS:X,Y     mouse moved to stage pixel X,Y at MS (repeatable; hover looks)
//   --hold MS:X,Y     mouse moved to X,Y and pressed at MS, released at the next
//                     --move or --click (repeatable; pressed looks)
//   --scale N         stage pixels per CSS pixel for --swf (default 1)
//   --flashvars Q     query string of FlashVars for --swf
//   --timeout MS      how long to wait (real time) for the movie to load (default 60000)
//   --slow BYTES      serve SWF files at BYTES per second of movie time (a slow
//                     connection: a preloader shows while the movie arrives);
//                     movie time then counts from when the stage is known
//                     (the movie's header arrived), not from the full load
//   --viewport WxH    size of the browser window in CSS pixels (default 1280x960)
//   --page-bare       with --page: add nothing to the page (it brings its own
//                     player and settings, as it would on a web server)
//
// The page runs on virtual time: its clock (Date, performance.now, timers,
// requestAnimationFrame) stands still unless this driver moves it, and the
// AudioContext is replaced by one whose clock and "ended" events follow the
// page clock, so that Ruffle paces movies with stream sound by the same
// clock (nothing is heard). All times above and in the result are movie time:
// milliseconds of virtual time since Ruffle reported the movie loaded, so
// "--shot 2400:F" is the same frame on an idle and on a loaded machine.
// The driver moves the clock in small steps and, before each step, waits for
// the page's requests to this server to finish, so a movie that loads a file
// sees it arrive at the same movie time every run. Ruffle shows frame 1 one
// frame interval after the start (1/fps), frame N at N/fps.
//
// The result: { ok, loaded, metadata, errors, warnings, console, traces, shots,
// clicks, navigations, popups, requests, stage, failure }. "errors" holds
// Ruffle's error log lines, uncaught page errors and load failures; "warnings"
// Ruffle's warning lines; "traces" what the movie's trace actions printed,
// with the movie time of each line. Requests to any host but 127.0.0.1 never
// leave the machine: they are answered with an empty page and listed under
// "navigations" (main frame), "popups" (new windows) or "requests"
// (everything else).
import http from 'node:http';
import fs from 'node:fs';
import zlib from 'node:zlib';
import path from 'node:path';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const ruffleDir = path.join(here, 'node_modules', '@ruffle-rs', 'ruffle');
const harnessPath = '/__reelcast__/player.html';
export const rufflePrefix = '/__reelcast__/ruffle/';

function parseArgs(argv) {
  const opts = {
    run: 2000, shots: [], clicks: [], scale: 1, flashvars: '', timeout: 60000, slow: 0,
    viewport: { width: 1280, height: 960 },
  };
  for (let i = 0; i < argv.length; i++) {
    const key = argv[i];
    const value = () => {
      if (i + 1 >= argv.length) throw new Error(`${key} needs a value`);
      return argv[++i];
    };
    switch (key) {
      case '--root': opts.root = path.resolve(value()); break;
      case '--swf': opts.swf = value(); break;
      case '--page': opts.page = value(); break;
      case '--page-loads-ruffle': opts.pageLoadsRuffle = true; break;
      case '--page-bare': opts.pageBare = true; break;
      case '--slow': opts.slow = Number(value()); break;
      case '--viewport': {
        const m = /^(\d+)x(\d+)$/.exec(value());
        if (!m) throw new Error('--viewport wants WxH');
        opts.viewport = { width: Number(m[1]), height: Number(m[2]) };
        break;
      }
      case '--run': opts.run = Number(value()); break;
      case '--scale': opts.scale = Number(value()); break;
      case '--flashvars': opts.flashvars = value(); break;
      case '--timeout': opts.timeout = Number(value()); break;
      case '--shot': {
        const v = value();
        const at = v.indexOf(':');
        if (at < 1) throw new Error(`--shot wants MS:FILE, got ${v}`);
        opts.shots.push({ at: Number(v.slice(0, at)), file: path.resolve(v.slice(at + 1)) });
        break;
      }
      case '--click': case '--move': case '--hold': {
        const m = /^(\d+):(-?[\d.]+),(-?[\d.]+)$/.exec(value());
        if (!m) throw new Error(`${key} wants MS:X,Y`);
        opts.clicks.push({ at: Number(m[1]), x: Number(m[2]), y: Number(m[3]), mode: key.slice(2) });
        break;
      }
      default: throw new Error(`unknown option ${key}`);
    }
  }
  if (!opts.root) throw new Error('--root is required');
  if (!opts.swf === !opts.page) throw new Error('give exactly one of --swf and --page');
  return opts;
}

export const mimeTypes = {
  '.html': 'text/html; charset=utf-8', '.htm': 'text/html; charset=utf-8',
  '.js': 'text/javascript', '.mjs': 'text/javascript', '.wasm': 'application/wasm',
  '.swf': 'application/x-shockwave-flash', '.flv': 'video/x-flv', '.mp3': 'audio/mpeg',
  '.json': 'application/json', '.xml': 'text/xml', '.png': 'image/png', '.jpg': 'image/jpeg',
  '.jpeg': 'image/jpeg', '.gif': 'image/gif', '.css': 'text/css', '.txt': 'text/plain',
  '.map': 'application/json',
};

export const rufflePlayerConfig = {
  autoplay: 'on',
  unmuteOverlay: 'hidden',
  splashScreen: false,
  letterbox: 'off',
  contextMenu: 'off',
  warnOnUnsupportedContent: false,
  logLevel: 'warn',
  openUrlMode: 'allow',
  allowScriptAccess: true,
  allowNetworking: 'all',
  showSwfDownload: false,
  publicPath: rufflePrefix,
  polyfills: true,
};

export const configOnlyScript =
  `<script>window.RufflePlayer = window.RufflePlayer || {};` +
  `window.RufflePlayer.config = ${JSON.stringify(rufflePlayerConfig)};</script>`;
export const configScript = configOnlyScript + `<script src="${rufflePrefix}ruffle.js"></script>`;

// The page of --swf mode: one player, sized to the stage once Ruffle knows it,
// at the top-left corner of the viewport so that stage and page pixels match.
function harnessPage(swf, size, scale, flashvars) {
  const w = size ? size.width * scale : 100;
  const h = size ? size.height * scale : 100;
  return `<!DOCTYPE html><html><head><meta charset="utf-8">
<style>html,body{margin:0;padding:0;background:#808080;overflow:hidden}
#stage{position:absolute;left:0;top:0}</style>${configScript}</head><body>
<div id="stage"></div>
<script>
window.__reelcast = { metadata: null, failure: null, started: false, traces: [] };
window.addEventListener('DOMContentLoaded', () => {
  const player = window.RufflePlayer.newest().createPlayer();
  player.id = 'player';
  player.style.width = '${w}px';
  player.style.height = '${h}px';
  player.style.display = 'block';
  document.getElementById('stage').appendChild(player);
  player.addEventListener('loadedmetadata', () => {
    const m = player.ruffle().metadata;
    window.__reelcast.metadata = m;
    if (${size ? 'false' : 'true'}) {
      player.style.width = (m.width * ${scale}) + 'px';
      player.style.height = (m.height * ${scale}) + 'px';
    }
  });
  player.addEventListener('loadeddata', () => { window.__reelcast.started = true; });
  // The player exists once load() resolves, before the movie's first frame.
  player.ruffle().load({ url: ${JSON.stringify(swf)}, parameters: ${JSON.stringify(flashvars)} })
    .then(() => {
      player.ruffle().traceObserver = (text) =>
        window.__reelcast.traces.push({ text: String(text), at: performance.now() });
    })
    .catch((e) => { window.__reelcast.failure = String(e && e.message || e); });
});
</script></body></html>`;
}

// The stage size from the movie's header, so that the player has its final
// size before the first frame is drawn (a resize later blanks the canvas until
// the next frame, which at a low frame rate is long). Null when unreadable.
export function stageSize(file) {
  let data;
  try {
    data = fs.readFileSync(file);
  } catch {
    return null;
  }
  if (data.length < 9) return null;
  const signature = data.toString('latin1', 0, 3);
  let body;
  if (signature === 'FWS') body = data.subarray(8);
  else if (signature === 'CWS') {
    try {
      body = zlib.inflateSync(data.subarray(8), { finishFlush: zlib.constants.Z_SYNC_FLUSH });
    } catch {
      return null;
    }
  } else return null;
  let bit = 0;
  const read = (n) => {
    let v = 0;
    for (let i = 0; i < n; i++, bit++) {
      const byte = body[bit >> 3];
      if (byte === undefined) throw new Error('short header');
      v = v * 2 + ((byte >> (7 - (bit & 7))) & 1);
    }
    return v;
  };
  try {
    const n = read(5);
    const signed = () => {
      const v = read(n);
      return n && v >= 2 ** (n - 1) ? v - 2 ** n : v;
    };
    const [x0, x1, y0, y1] = [signed(), signed(), signed(), signed()];
    const width = Math.round((x1 - x0) / 20);
    const height = Math.round((y1 - y0) / 20);
    return width > 0 && height > 0 ? { width, height } : null;
  } catch {
    return null;
  }
}

export function insideRoot(root, urlPath) {
  const decoded = decodeURIComponent(urlPath);
  const full = path.resolve(root, '.' + path.posix.normalize('/' + decoded));
  if (full !== root && !full.startsWith(root + path.sep)) return null;
  return full;
}

// Serves opts.root (and Ruffle under its prefix) on 127.0.0.1. With
// opts.slow, SWF files go out at opts.slow bytes per second of movie time:
// server.release(ms) sends what the connection carries in ms, and the
// driver calls it as it moves the clock. server.slowPaths holds the paths
// still being sent that way.
export function startServer(opts) {
  const throttled = [];
  const slowPaths = new Set();
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    let file = null;
    let body = null;
    if (url.pathname === harnessPath && opts.swf) {
      const size = stageSize(insideRoot(opts.root, '/' + opts.swf) || '');
      body = Buffer.from(harnessPage('/' + opts.swf, size, opts.scale, opts.flashvars));
      res.setHeader('Content-Type', mimeTypes['.html']);
    } else if (url.pathname.startsWith(rufflePrefix)) {
      file = insideRoot(ruffleDir, url.pathname.slice(rufflePrefix.length));
    } else {
      file = insideRoot(opts.root, url.pathname);
    }
    if (!body) {
      if (!file || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
        res.statusCode = 404;
        res.end('not found');
        return;
      }
      const ext = path.extname(file).toLowerCase();
      res.setHeader('Content-Type', mimeTypes[ext] || 'application/octet-stream');
      body = fs.readFileSync(file);
      // Pages of --page mode get Ruffle added in front of their own scripts
      // (only its settings with --page-loads-ruffle: the page's own loader
      // script must bring the player).
      if (opts.page && !opts.pageBare && (ext === '.html' || ext === '.htm')) {
        let text = body.toString('latin1');
        const head = /<head[^>]*>/i.exec(text);
        const at = head ? head.index + head[0].length : 0;
        text = text.slice(0, at) + (opts.pageLoadsRuffle ? configOnlyScript : configScript) + text.slice(at);
        body = Buffer.from(text, 'latin1');
      }
    }
    res.setHeader('Cache-Control', 'no-store');
    if (opts.slow > 0 && file && path.extname(file).toLowerCase() === '.swf') {
      res.setHeader('Content-Length', body.length);
      const entry = { res, body, sent: 0, path: url.pathname };
      throttled.push(entry);
      slowPaths.add(url.pathname);
      // The first bytes at once: the header tells the player the stage.
      sendSlice(entry, 1024);
      return;
    }
    res.end(body);
  });
  const sendSlice = (entry, bytes) => {
    const end = Math.min(entry.body.length, entry.sent + Math.max(1, Math.round(bytes)));
    entry.res.write(entry.body.subarray(entry.sent, end));
    entry.sent = end;
    if (entry.sent >= entry.body.length) {
      entry.res.end();
      throttled.splice(throttled.indexOf(entry), 1);
      if (!throttled.some((t) => t.path === entry.path)) slowPaths.delete(entry.path);
    }
  };
  server.slowPaths = slowPaths;
  server.release = (ms) => {
    for (const entry of [...throttled]) sendSlice(entry, (opts.slow * ms) / 1000);
  };
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

export const chromiumFlags = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
  '--disable-component-update', '--disable-sync', '--no-first-run',
  '--autoplay-policy=no-user-gesture-required',
  // Ruffle is 14 MB of WebAssembly compiled afresh by every page; optimising
  // it in the background would cost more processor time than the short
  // plays of a test save by running faster.
  '--js-flags=--liftoff-only',
];

// Ruffle logs through console.log with a styled level word ("%cERROR%c
// file:line%c text", then one CSS argument per %c). The level decides the
// kind; the browser's own errors count as errors too. The graphics driver's
// performance notes are not about the movie.
function cleanText(format, args) {
  if (typeof format !== 'string' || !format.includes('%c')) return null;
  const parts = format.split('%c').map((p) => p.trim()).filter((p) => p.length);
  return parts.join(' ');
}

function classify(type, text) {
  if (/^ERROR\b/.test(text)) return 'error';
  if (/^WARN\b/.test(text)) return 'warning';
  if (/GL Driver Message/.test(text)) return null;
  if (type === 'error') return 'error';
  if (type === 'warning') return 'warning';
  return null;
}

// The page clock: paused from the first script of every page on, moved only
// by advance(). Its date is fixed so that a movie reading it sees the same
// value every run.
export const clockOrigin = Date.UTC(2026, 0, 1, 12, 0, 0);
// Virtual milliseconds per step of the clock. Ruffle draws on animation
// frames, one every 16 ms of page time, and requests are waited for between
// steps: a load the movie starts arrives within a step.
const clockStep = 48;
// How long (real time) a request to this server may take before the driver
// lets the clock move on regardless and reports it.
const requestDeadlineMs = 30000;

// Debian's Chromium, headless, with nothing of its own on the network.
export function launchBrowser() {
  return chromium.launch({
    executablePath: process.env.REELCAST_CHROMIUM || '/usr/bin/chromium',
    headless: true, args: chromiumFlags,
  });
}

// A browser context on the paused virtual clock, with the virtual
// AudioContext in every page.
export async function newVirtualContext(browser, viewport = { width: 1280, height: 960 }) {
  const context = await browser.newContext({ viewport, deviceScaleFactor: 1 });
  await context.addInitScript({ path: path.join(here, 'virtual-audio.js') });
  await context.addInitScript({ path: path.join(here, 'window-watch.js') });
  await context.clock.install({ time: clockOrigin });
  // install() lets time run until paused; pause a little ahead of it.
  await context.clock.pauseAt(clockOrigin + 1000);
  return context;
}

// Plays one movie (opts as parseArgs gives them) in a context of its own
// in the given browser, and gives what happened.
export async function play(browser, opts) {
  const result = {
    ok: false, loaded: false, metadata: null, errors: [], warnings: [], console: [], traces: [],
    shots: [], clicks: [], navigations: [], popups: [], requests: [], stage: null, failure: null,
  };
  const server = await startServer(opts);
  const origin = `http://127.0.0.1:${server.address().port}`;
  const startUrl = origin + (opts.swf ? harnessPath : '/' + opts.page);
  let context = null;
  const pending = [];
  // Virtual time since the clock was paused, and the moment the movie started
  // on it; times in the result count from the start (negative before).
  let now = 0;
  let t0 = 0;
  const elapsed = () => now - t0;
  // Requests to this server still on their way.
  const inFlight = new Set();
  try {
    context = await newVirtualContext(browser, opts.viewport);
    // Nothing but this server is ever reached.
    await context.route('**/*', async (route) => {
      const request = route.request();
      const url = new URL(request.url());
      if (url.origin === origin) return route.continue();
      // Page loads show up as navigations or popups; list the rest here.
      if (!request.isNavigationRequest()) result.requests.push(request.url());
      return route.fulfill({ status: 200, contentType: 'text/html', body: '<html><body></body></html>' });
    });
    const page = await context.newPage();
    const popupPages = [];
    context.on('page', (popup) => {
      if (popup === page) return;
      const record = { url: popup.url(), at: elapsed() };
      result.popups.push(record);
      popupPages.push({ popup, record });
      popup.on('framenavigated', (frame) => {
        if (frame === popup.mainFrame() && frame.url() !== 'about:blank') record.url = frame.url();
      });
    });
    // The addresses the movie opened new windows at, from the page's own
    // record of window.open: the browser loads a new window in real time,
    // which on a busy machine may come well after the run. A window the
    // browser opened without the page asking (none expected) keeps the
    // address it reached, if any.
    let perfAtStart = 0;
    const settlePopups = async () => {
      const opened = await page.evaluate(() => window.__reelcastOpened || []).catch(() => []);
      opened.forEach((o, i) => {
        const at = Math.round(o.at - perfAtStart);
        if (i < result.popups.length) Object.assign(result.popups[i], { url: o.url, at });
        else result.popups.push({ url: o.url, at });
      });
      for (const { popup, record } of popupPages.slice(opened.length))
        if (!record.url || record.url === 'about:blank') record.url = popup.url();
    };
    // Lets a full-screen switch the page started end (real time, with a
    // deadline) so that a shot or a click sees the page as it then is.
    const settleFullscreen = async () => {
      const deadline = Date.now() + requestDeadlineMs;
      for (;;) {
        const busy = await page.evaluate(() => window.__fullscreenSwitches || 0).catch(() => 0);
        if (!busy) return;
        if (Date.now() > deadline) {
          result.errors.push(`a full-screen switch still running after ${requestDeadlineMs / 1000} s`);
          return;
        }
        await new Promise((r) => setTimeout(r, 5));
      }
    };
    page.on('console', (msg) => {
      const record = { type: msg.type(), text: msg.text(), at: elapsed() };
      result.console.push(record);
      const format = msg.args().length ? msg.args()[0].jsonValue().catch(() => null) : null;
      pending.push(Promise.resolve(format).then((f) => {
        const clean = cleanText(f);
        if (clean !== null) record.text = clean;
        const kind = classify(record.type, record.text);
        if (kind === 'error') result.errors.push(record.text);
        else if (kind === 'warning') result.warnings.push(record.text);
      }));
    });
    page.on('pageerror', (err) => result.errors.push('page error: ' + err.message));
    page.on('framenavigated', (frame) => {
      if (frame !== page.mainFrame()) return;
      // The browser reports the start page with its name percent-encoded.
      if (frame.url() !== new URL(startUrl).href) result.navigations.push({ url: frame.url(), at: elapsed() });
    });
    page.on('request', (request) => {
      if (new URL(request.url()).origin === origin) inFlight.add(request);
    });
    page.on('requestfinished', (request) => inFlight.delete(request));
    page.on('requestfailed', (request) => {
      inFlight.delete(request);
      const url = new URL(request.url());
      // Ruffle's loader may abort one of its own wasm downloads when another
      // one wins; that is no fault of the page, wherever the files are served.
      const ruffleOwn = url.pathname.startsWith(rufflePrefix) ||
        (url.pathname.endsWith('.wasm') && request.failure()?.errorText === 'net::ERR_ABORTED');
      if (url.origin !== origin || ruffleOwn) return;
      const reason = request.failure()?.errorText;
      const text = `request failed: ${request.url()} (${reason})`;
      if (reason !== 'net::ERR_ABORTED') {
        result.errors.push(text);
        return;
      }
      // The browser may report a download as aborted when the page let go of
      // it after reading it to its end, before the network side had marked
      // it finished. A response that arrived whole (as many body bytes as
      // its Content-Length) was delivered; anything less is a failure.
      pending.push(Promise.all([request.response(), request.sizes()]).then(([response, sizes]) => {
        const length = response && response.status() < 400 ? Number(response.headers()['content-length']) : NaN;
        if (!(length >= 0 && sizes.responseBodySize === length)) result.errors.push(text);
      }, () => result.errors.push(text)));
    });
    page.on('response', (response) => {
      if (response.status() >= 400 && new URL(response.url()).origin === origin)
        result.errors.push(`HTTP ${response.status()}: ${response.url()}`);
    });

    // Moves the page clock on by ms, a step at a time, each step once the
    // page's requests to this server have arrived.
    const stalled = new Set();
    const advance = async (ms) => {
      while (ms > 0) {
        const deadline = Date.now() + requestDeadlineMs;
        // A slowly served file arrives as the clock moves; only the rest is
        // waited for.
        const waiting = () => [...inFlight].filter((r) => !server.slowPaths.has(new URL(r.url()).pathname));
        while (waiting().length && Date.now() < deadline && !result.navigations.length)
          await new Promise((r) => setTimeout(r, 5));
        for (const request of waiting()) {
          if (stalled.has(request)) continue;
          stalled.add(request);
          result.errors.push(`request still running after ${requestDeadlineMs / 1000} s: ${request.url()}`);
        }
        const step = Math.min(ms, clockStep);
        // A script that throws in a timer or animation frame of the page
        // fails the step; in a browser on its own clock it would be an
        // uncaught page error, and so it counts here.
        await page.clock.runFor(step).catch((e) => {
          const message = String(e && e.message || e).split('\n')[0].replace(/^clock\.runFor: (Error: )?/, '');
          const text = 'page error: ' + message;
          if (!result.errors.includes(text)) result.errors.push(text);
        });
        now += step;
        ms -= step;
        server.release(step);
      }
    };
    // The movie's trace lines so far, on the movie's clock.
    const collectTraces = async () => {
      const lines = await page.evaluate(() => {
        const r = window.__reelcast;
        if (r && r.traces) return r.traces.splice(0);
        // A page's own players: hooked as soon as they exist, so lines of
        // frames before that are not seen.
        const out = window.__reelcastTraces || (window.__reelcastTraces = []);
        for (const p of document.querySelectorAll('ruffle-object, ruffle-embed, ruffle-player')) {
          if (p.__reelcastHooked || !p.ruffle || !p.ruffle().metadata) continue;
          p.__reelcastHooked = true;
          p.ruffle().traceObserver = (text) => out.push({ text: String(text), at: performance.now() });
        }
        return out.splice(0);
      }).catch(() => []);
      for (const l of lines) result.traces.push({ text: l.text, at: Math.round(l.at - perfAtStart) });
    };

    await page.goto(startUrl, { waitUntil: 'load' });
    let stage;
    // Runs the page clock until the movie runs, the load fails, Ruffle
    // reports an error or the (real-time) deadline passes.
    const deadline = Date.now() + opts.timeout;
    if (opts.swf) {
      for (;;) {
        const s = await page.evaluate(() => window.__reelcast);
        await Promise.all(pending);
        // A slowly served movie starts on its first frames, while the rest
        // is still on its way: its clock starts once the stage is known.
        const running = opts.slow > 0 ? !!s.metadata : s.started;
        if (running || s.failure || result.errors.length || Date.now() > deadline) break;
        await advance(16);
      }
      const state = await page.evaluate(() => window.__reelcast);
      result.metadata = state.metadata;
      result.loaded = opts.slow > 0 ? !!state.metadata : !!state.started;
      if (state.failure) result.errors.push('load failed: ' + state.failure);
      if (!result.loaded && !state.failure) result.errors.push('load failed: the movie did not start');
      stage = page.locator('#player');
    } else {
      // The first Ruffle player of the page is the stage.
      const firstMetadata = () => page.evaluate(() => {
        const p = document.querySelector('ruffle-object, ruffle-embed, ruffle-player');
        return p && p.ruffle && p.ruffle().metadata ? p.ruffle().metadata : null;
      });
      let metadata = null;
      while (!(metadata = await firstMetadata()) && Date.now() < deadline && !result.navigations.length)
        await advance(16);
      result.loaded = !!metadata;
      if (metadata) result.metadata = metadata;
      else result.errors.push('load failed: no movie started on the page');
      stage = page.locator('ruffle-object, ruffle-embed, ruffle-player').first();
    }

    if (result.loaded) {
      t0 = now;
      perfAtStart = await page.evaluate(() => performance.now());
      await collectTraces();
      for (const list of [result.console, result.navigations, result.popups])
        for (const r of list) r.at -= t0;
      // On a machine without a graphics card Ruffle opens a notice about
      // hardware acceleration at the first mouse-over; it would cover the
      // stage and take the clicks, so it is kept hidden.
      await page.evaluate(() => {
        for (const p of document.querySelectorAll('#player, ruffle-object, ruffle-embed, ruffle-player')) {
          if (!p.shadowRoot || p.shadowRoot.getElementById('reelcast-quiet')) continue;
          const style = document.createElement('style');
          style.id = 'reelcast-quiet';
          style.textContent = '#hardware-acceleration-modal{display:none !important}';
          p.shadowRoot.appendChild(style);
        }
      });
      result.stage = await stage.boundingBox({ timeout: 10000 }).catch(() => null);
      // Stage pixels to page pixels: the player shows the whole stage.
      const scale = opts.swf ? opts.scale
        : (result.stage && result.metadata && result.metadata.width
          ? result.stage.width / result.metadata.width : 1);
      const events = [
        ...opts.shots.map((s) => ({ at: s.at, kind: 'shot', s })),
        ...opts.clicks.map((c) => ({ at: c.at, kind: 'click', c })),
      ].sort((a, b) => a.at - b.at);
      let held = false;
      for (const e of events) {
        if (result.navigations.length) break;  // the movie's page is gone
        await advance(e.at - elapsed());
        await settleFullscreen();
        await collectTraces();
        if (e.kind === 'shot') {
          const clip = await stage.boundingBox({ timeout: 10000 }).catch(() => null);
          if (!clip) {
            result.errors.push('screenshot failed: the stage is gone');
            continue;
          }
          await page.screenshot({ path: e.s.file, clip, animations: 'allow' });
          result.shots.push({ at: elapsed(), file: e.s.file });
        } else {
          const b = await stage.boundingBox({ timeout: 10000 }).catch(() => null);
          if (!b) {
            result.errors.push('click failed: the stage is gone');
            continue;
          }
          // Ruffle handles input once per frame: hover first, then press
          // and release a little apart, as a person would.
          const x = b.x + e.c.x * scale;
          const y = b.y + e.c.y * scale;
          if (held) {
            await page.mouse.up();
            held = false;
          }
          await page.mouse.move(x, y);
          if (e.c.mode === 'move') continue;
          await advance(50);
          const at = elapsed();
          if (e.c.mode === 'hold') {
            await page.mouse.down();
            held = true;
            continue;
          }
          await page.mouse.down();
          await advance(50);
          await page.mouse.up();
          result.clicks.push({ at, x: e.c.x, y: e.c.y });
        }
      }
      if (!result.navigations.length) await advance(opts.run - elapsed());
      await collectTraces();
      await settlePopups();
      // Ruffle shows its crash panel inside the player's shadow tree.
      const panic = await page.evaluate(() => {
        const p = document.querySelector('#player, ruffle-object, ruffle-embed, ruffle-player');
        const panel = p && p.shadowRoot && p.shadowRoot.querySelector('#panic');
        return panel && panel.offsetParent !== null ? panel.innerText : null;
      }).catch(() => null);
      if (panic) result.errors.push('Ruffle crash: ' + panic.replace(/\s+/g, ' ').trim());
    }
  } catch (e) {
    result.failure = String(e && e.stack || e);
  } finally {
    await Promise.all(pending);
    if (context) await context.close().catch(() => {});
    // Requests cut off by the close are judged too.
    await Promise.all(pending);
    server.close();
  }
  result.ok = !result.failure && result.loaded && result.errors.length === 0;
  return result;
}

const failed = (e) => ({ ok: false, failure: String(e && e.stack || e) });

// One movie: starts the browser, plays, prints the result and exits.
async function playOnce(argv) {
  let browser = null;
  let result;
  try {
    const opts = parseArgs(argv);
    browser = await launchBrowser();
    result = await play(browser, opts);
  } catch (e) {
    result = failed(e);
  } finally {
    if (browser) await browser.close().catch(() => {});
  }
  process.stdout.write(JSON.stringify(result) + '\n');
  process.exit(result.failure ? 2 : 0);
}

// --serve: one browser for many movies. Each line on standard input is a
// JSON array of the options above; each answer is one line of JSON on
// standard output, in order. Starting Chromium costs more than most plays,
// and a test that plays several movies pays it once; every movie still gets
// a fresh browser context (own clock, storage and cache). A browser that
// died is started again for the next movie. The driver ends when its
// standard input closes.
async function serve() {
  let browser = null;
  const lines = readline.createInterface({ input: process.stdin, crlfDelay: Infinity });
  for await (const line of lines) {
    if (!line.trim()) continue;
    let result;
    try {
      const opts = parseArgs(JSON.parse(line));
      if (!browser || !browser.isConnected()) {
        if (browser) await browser.close().catch(() => {});
        browser = await launchBrowser();
      }
      result = await play(browser, opts);
    } catch (e) {
      result = failed(e);
    }
    process.stdout.write(JSON.stringify(result) + '\n');
  }
  if (browser) await browser.close().catch(() => {});
  process.exit(0);
}

// Run as a program; imported (by the review tools) it only lends its parts.
if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const argv = process.argv.slice(2);
  (argv.length === 1 && argv[0] === '--serve' ? serve() : playOnce(argv)).catch((e) => {
    process.stdout.write(JSON.stringify(failed(e)) + '\n');
    process.exit(2);
  });
}
