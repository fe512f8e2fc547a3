#!/usr/bin/env node
// Review pages: publishes every kind and style of movie from a test video,
// plays them in Ruffle (the browser harness of tests/e2e, on its virtual
// clock) and writes labelled contact sheets of screenshots at fixed movie
// times, for judging how published movies look.
//
//   node tools/review/review.mjs [--cli PATH] [--out DIR] [--only REGEX]
//
//   --cli PATH    reelcast-cli to publish with (default build/bin/reelcast-cli)
//   --out DIR     where movies, shots and sheets go (default build/review)
//   --only REGEX  only the groups whose name matches (e.g. "bars|replay")
//
// Before the first run: build reelcast-cli and run `bash tests/e2e/setup.sh`.
// The sheets land in DIR/sheets/GROUP.png, one per group and picture shape
// (4:3 and 16:9): plain movie and control bars, replay, preloaders, general
// templates, player templates in both embed modes, text and image links,
// and the HTML page at a wide and a narrow window. Each row is one movie,
// each column a movie time (virtual time since the movie started, so the
// same frame on any machine); columns marked "pointer" were taken with the
// mouse over the named spot. Styles, templates and preloaders are listed
// from `reelcast-cli templates`, so new ones show up without changes here.
//
// A preloader only shows while its movie loads, but the browser player
// starts a movie once the whole file has arrived and a short movie is ready
// at once. The preloader rows therefore play the preloader frame alone (the
// movie cut after it), which holds on it: the bar and percentage show 100 %.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { fileURLToPath } from 'node:url';
import {
  launchBrowser, newVirtualContext, startServer, rufflePlayerConfig, rufflePrefix, stageSize,
} from '../../tests/e2e/driver.mjs';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');

function parseArgs(argv) {
  const opts = {
    cli: path.join(repo, 'build', 'bin', 'reelcast-cli'),
    out: path.join(repo, 'build', 'review'),
    only: null,
  };
  for (let i = 0; i < argv.length; i++) {
    const value = () => {
      if (i + 1 >= argv.length) throw new Error(`${argv[i]} needs a value`);
      return argv[++i];
    };
    switch (argv[i]) {
      case '--cli': opts.cli = path.resolve(value()); break;
      case '--out': opts.out = path.resolve(value()); break;
      case '--only': opts.only = new RegExp(value()); break;
      default: throw new Error(`unknown option ${argv[i]}`);
    }
  }
  return opts;
}

function run(cmd, args, env) {
  const r = spawnSync(cmd, args, { encoding: 'utf8', env: { ...process.env, ...env } });
  if (r.status !== 0) {
    throw new Error(`${cmd} ${args.join(' ')} failed (${r.status}):\n${r.stdout}${r.stderr}`);
  }
  return r.stdout;
}

// The test media: a 6 s colour-bar video with a running clock and a tone in
// both picture shapes, background music and a picture for the image link.
function makeMedia(dir) {
  fs.mkdirSync(dir, { recursive: true });
  const ffmpeg = (args, out) => {
    if (!fs.existsSync(out)) run('ffmpeg', ['-loglevel', 'error', '-y', ...args, out]);
    return out;
  };
  const video = (size) => ffmpeg([
    '-f', 'lavfi', '-i', `testsrc2=s=${size}:r=15:d=6`,
    '-f', 'lavfi', '-i', 'sine=frequency=440:sample_rate=22050:d=6',
    '-c:v', 'flv1', '-q:v', '3', '-c:a', 'libmp3lame', '-ar', '22050', '-ac', '1',
  ], path.join(dir, `video-${size}.flv`));
  return {
    '4:3': video('320x240'),
    '16:9': video('384x216'),
    music: ffmpeg(['-f', 'lavfi', '-i', 'sine=frequency=330:sample_rate=44100:d=20',
      '-c:a', 'libmp3lame', '-b:a', '64k'], path.join(dir, 'music.mp3')),
    picture: ffmpeg(['-f', 'lavfi', '-i', 'testsrc=s=96x48:r=1', '-frames:v', '1'],
      path.join(dir, 'link.png')),
  };
}

// What `reelcast-cli templates` lists, by kind.
function listInstalled(cli, env) {
  const kinds = {};
  for (const line of run(cli, ['templates'], env).split('\n')) {
    const [kind, name] = line.split('\t');
    if (kind && name) (kinds[kind] = kinds[kind] || []).push(name);
  }
  return kinds;
}

const titleTexts = [
  '--title-text', 'The Longest Summer Afternoon of Our Lives at the Lake',
  '--director-text', 'A film by Ana Lindqvist',
  '--cast-text', 'Ana Lindqvist\nTomás Ferreira\nMei Chen\nThanks for watching',
];

// The groups of movies, each one page of players and one contact sheet.
// A movie: { name, args (flv2swf options), shots (movie ms), pointer (spots as
// fractions of the stage, shot after hovering; press: also shot pressed;
// click: clicked, then shot after ms), preloaderOnly }.
function planGroups(kinds, media) {
  const groups = [];
  const every = (kind) => kinds[kind] || [];
  for (const ratio of ['4:3', '16:9']) {
    const tag = ratio === '4:3' ? '4x3' : '16x9';
    // Where a bar's buttons may be: the spots are hovered and pressed.
    const barLeft = { x: 0.07, y: 0.94, label: 'pointer bottom left', press: true };
    const barRight = { x: 0.9, y: 0.94, label: 'pointer bottom right', press: true };
    const middle = { x: 0.5, y: 0.5, label: 'pointer in the middle' };
    groups.push({
      name: `bars-${tag}`, ratio, title: `Plain movie and control bars, ${ratio}`,
      movies: [
        { name: 'plain (loop)', args: [], shots: [500, 3000, 5800], pointer: [middle] },
        ...every('control-bar').map((style) => ({
          name: `control bar "${style}"`, args: ['--control-bar', style],
          shots: [500, 3000, 5800], pointer: [middle, barLeft, barRight],
        })),
      ],
    });
    groups.push({
      name: `replay-${tag}`, ratio, title: `Replay button and end of play, ${ratio}`,
      movies: [
        { name: 'replay', args: ['--play-mode', 'replay'], shots: [3000, 6500, 7500],
          pointer: [{ ...middle, label: 'pointer on Replay', press: true },
            { ...middle, label: 'after clicking Replay', click: 1000 }] },
        { name: 'replay + bar', args: ['--play-mode', 'replay', '--control-bar', every('control-bar')[0]],
          shots: [3000, 6500, 7500],
          pointer: [{ ...middle, label: 'pointer on Replay', press: true }] },
        { name: 'no loop', args: ['--play-mode', 'noloop'], shots: [3000, 6500, 7500] },
      ],
    });
    const sprites = every('preloader-sprite');
    const bars = every('preloader-bar');
    // One sheet per sprite: every bar style with it.
    for (const sprite of sprites) {
      groups.push({
        name: `preloader-${sprite.replace(/\W+/g, '')}-${tag}`, ratio,
        title: `Preloader "${sprite}" with every bar style, ${ratio} (preloader frame held, 100 % loaded)`,
        movies: bars.map((b) => ({
          name: `bar "${b}"`, preloaderOnly: true, shots: [200, 1500],
          args: ['--preloader', '--preloader-sprite', sprite, '--preloader-bar', b, '--preloader-show', 'all'],
        })),
      });
    }
    groups.push({
      name: `general-${tag}`, ratio, title: `General templates with long texts and music, ${ratio}`,
      movies: every('general-template').map((t) => ({
        name: `"${t}"`, args: ['--template', `general:${t}`, ...titleTexts, '--music', media.music],
        shots: [500, 1500, 3000, 5000, 7500, 9500, 11500, 14000, 16000, 18500, 21000],
      })),
    });
    groups.push({
      name: `players-${tag}`, ratio, title: `Player templates, embed and link, ${ratio}`,
      movies: every('player-template').flatMap((t) => ['embed', 'link'].map((mode) => ({
        name: `"${t}" ${mode}`, args: ['--template', `player:${t}`, '--embed-mode', mode],
        shots: [500, 3000, 5900], pointer: [middle, { x: 0.5, y: 0.97, label: 'pointer on controls' }],
      }))),
    });
    groups.push({
      name: `links-${tag}`, ratio, title: `Text and image links, ${ratio}`,
      movies: [
        { name: 'text link', args: ['--text-link', 'Visit our website', '--url', 'example.org',
          '--link-pos', '0.5,0.85'], shots: [500, 3000],
          pointer: [{ x: 0.5, y: 0.85, label: 'pointer on the link' }] },
        { name: 'image link', args: ['--image-link', media.picture, '--url', 'example.org',
          '--link-pos', '0.8,0.8'], shots: [500, 3000],
          pointer: [{ x: 0.8, y: 0.8, label: 'pointer on the picture' }] },
      ],
    });
  }
  return groups;
}

// A movie cut after its first frame (the preloader frame), uncompressed:
// the preloader finds everything loaded and holds on its frame.
function cutAfterFirstFrame(file) {
  const data = fs.readFileSync(file);
  const sig = data.toString('latin1', 0, 3);
  const body = sig === 'CWS' ? zlib.inflateSync(data.subarray(8)) : data.subarray(8);
  const nbits = body[0] >> 3;
  let pos = Math.ceil((5 + 4 * nbits) / 8) + 4;  // frame rectangle, rate, count
  const head = pos;
  for (;;) {
    const word = body.readUInt16LE(pos);
    const code = word >> 6;
    let len = word & 0x3f;
    let at = pos + 2;
    if (len === 0x3f) { len = body.readUInt32LE(at); at += 4; }
    pos = at + len;
    if (code === 1 || code === 0) break;  // ShowFrame ends the first frame
  }
  const kept = Buffer.concat([body.subarray(0, pos), Buffer.from([0, 0])]);
  kept.writeUInt16LE(1, head - 2);  // one frame
  const header = Buffer.alloc(8);
  header.write('FWS', 0, 'latin1');
  header[3] = data[3];
  header.writeUInt32LE(kept.length + 8, 4);
  fs.writeFileSync(file, Buffer.concat([header, kept]));
}

function esc(text) {
  return String(text).replace(/[&<>"]/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' })[c]);
}

// The page that plays a group's movies side by side, each paused until all
// have loaded, so that they start together on the page clock.
function playerPage(movies) {
  const config = { ...rufflePlayerConfig, autoplay: 'off' };
  return `<!DOCTYPE html><html><head><meta charset="utf-8">
<style>body{margin:0;padding:8px;background:#808080;display:flex;flex-wrap:wrap;gap:8px;align-items:flex-start}</style>
<script>window.RufflePlayer={config:${JSON.stringify(config)}};</script>
<script src="${rufflePrefix}ruffle.js"></script></head><body>
<script>
window.__review = [];
const movies = ${JSON.stringify(movies.map((m) => ({ url: m.url, w: m.size.width, h: m.size.height })))};
window.addEventListener('DOMContentLoaded', () => {
  for (const m of movies) {
    const player = window.RufflePlayer.newest().createPlayer();
    player.style.width = m.w + 'px';
    player.style.height = m.h + 'px';
    player.style.display = 'block';
    document.body.appendChild(player);
    const state = { metadata: null, failure: null, player };
    window.__review.push(state);
    player.addEventListener('loadedmetadata', () => { state.metadata = player.ruffle().metadata; });
    player.ruffle().load({ url: m.url, autoplay: 'off' })
      .catch((e) => { state.failure = String(e && e.message || e); });
  }
});
</script></body></html>`;
}

// Plays one group's page and takes its shots; returns per movie a list of
// { label, file, at }.
async function playGroup(browser, server, origin, group, outDir) {
  const shotsDir = path.join(outDir, 'shots', group.name);
  fs.mkdirSync(shotsDir, { recursive: true });
  const pageName = `pages/${group.name}.html`;
  fs.mkdirSync(path.join(outDir, 'pages'), { recursive: true });
  fs.writeFileSync(path.join(outDir, pageName), playerPage(group.movies));
  const width = Math.max(1280, ...group.movies.map((m) => m.size.width + 16));
  const context = await newVirtualContext(browser, { width, height: 960 });
  await context.route('**/*', (route) =>
    new URL(route.request().url()).origin === origin ? route.continue()
      : route.fulfill({ status: 200, contentType: 'text/html', body: '' }));
  const page = await context.newPage();
  const log = [];
  // Ruffle's log lines, without their styling.
  page.on('console', (m) => {
    const text = m.text().replace(/%c/g, '').replace(/\s(color|background|font-style):.*$/, '').trim();
    if (/ERROR|WARN/.test(text) && !/GL Driver/.test(text)) log.push(text);
  });
  page.on('pageerror', (e) => log.push('page error: ' + e.message));
  await page.goto(`${origin}/${pageName}`, { waitUntil: 'load' });
  const deadline = Date.now() + 180000;
  for (;;) {
    const states = await page.evaluate(() => window.__review.map((s) => ({ ok: !!s.metadata, failure: s.failure })));
    if (states.length === group.movies.length && states.every((s) => s.ok || s.failure)) break;
    if (Date.now() > deadline) throw new Error(`${group.name}: the movies did not load`);
    await page.clock.runFor(16);
  }
  // The page grows with its players: make the window as tall as the page.
  const height = await page.evaluate(() => document.body.scrollHeight + 16);
  await page.setViewportSize({ width, height: Math.max(height, 200) });
  await page.mouse.move(1, 1);
  await page.evaluate(() => {
    for (const s of window.__review) {
      const style = document.createElement('style');
      style.textContent = '#hardware-acceleration-modal{display:none !important}';
      s.player.shadowRoot.appendChild(style);
      if (s.metadata) s.player.ruffle().resume();
    }
  });
  let now = 0;
  const advance = async (ms) => {
    while (ms > 0) {
      const step = Math.min(ms, 48);
      await page.clock.runFor(step);
      now += step;
      ms -= step;
    }
  };
  const boxes = await page.evaluate(() => window.__review.map((s) => {
    const r = s.player.getBoundingClientRect();
    return { x: r.x, y: r.y, width: r.width, height: r.height };
  }));
  const taken = group.movies.map(() => []);
  const shoot = async (i, label) => {
    const file = path.join(shotsDir, `${i}-${taken[i].length}.png`);
    await page.screenshot({ path: file, clip: boxes[i], animations: 'allow' });
    taken[i].push({ label: label.includes(' s') && /^\d/.test(label) ? label : `${label} · ${(now / 1000).toFixed(1)} s`, file, at: now });
  };
  // Fixed times first, the pointer away from every movie.
  const times = [...new Set(group.movies.flatMap((m) => m.shots))].sort((a, b) => a - b);
  for (const t of times) {
    await advance(t - now);
    for (let i = 0; i < group.movies.length; i++) {
      if (group.movies[i].shots.includes(t)) await shoot(i, `${(t / 1000).toFixed(1)} s`);
    }
  }
  // Then each movie's pointer spots in turn.
  for (let i = 0; i < group.movies.length; i++) {
    for (const p of group.movies[i].pointer || []) {
      const b = boxes[i];
      await page.mouse.move(b.x + p.x * b.width, b.y + p.y * b.height);
      await advance(100);
      if (p.click) {
        await page.mouse.down();
        await advance(50);
        await page.mouse.up();
        await advance(p.click);
        await shoot(i, `${p.label} (+${p.click / 1000} s)`);
        continue;
      }
      await shoot(i, p.label);
      if (p.press) {
        await page.mouse.down();
        await advance(100);
        await shoot(i, `${p.label}, pressed`);
        await page.mouse.up();
        await advance(50);
      }
    }
    await page.mouse.move(1, 1);
    await advance(50);
  }
  const failures = await page.evaluate(() => window.__review.map((s) => s.failure));
  await context.close();
  return { taken, log, failures };
}

// The published HTML page in a wide and a narrow window.
async function playPage(browser, origin, group, outDir) {
  const shotsDir = path.join(outDir, 'shots', group.name);
  fs.mkdirSync(shotsDir, { recursive: true });
  const taken = [];
  for (const view of group.views) {
    const context = await newVirtualContext(browser, view.viewport);
    const requests = [];
    await context.route('**/*', (route) => {
      const url = route.request().url();
      if (new URL(url).origin === origin) return route.continue();
      requests.push(url);
      return route.fulfill({ status: 200, contentType: 'text/html', body: '' });
    });
    const page = await context.newPage();
    await page.goto(`${origin}/${group.page}`, { waitUntil: 'load' });
    const deadline = Date.now() + 180000;
    while (Date.now() < deadline) {
      const ready = await page.evaluate(() => {
        const p = document.querySelector('ruffle-object, ruffle-embed, ruffle-player');
        return !!(p && p.ruffle && p.ruffle().metadata);
      });
      if (ready) break;
      await page.clock.runFor(16);
    }
    for (let t = 0; t < group.at; t += 48) await page.clock.runFor(48);
    const file = path.join(shotsDir, `${taken.length}.png`);
    await page.screenshot({ path: file });
    taken.push({ label: `${view.label}, ${(group.at / 1000).toFixed(1)} s`
      + (requests.length ? ` — requests leaving the page: ${requests.length}` : ''), file, at: group.at });
    await context.close();
  }
  return { taken: [taken], log: [], failures: [null] };
}

// The contact sheet: a title, then one row per movie with its shots.
async function writeSheet(browser, origin, group, result, outDir) {
  const rel = (f) => '/' + path.relative(outDir, f).split(path.sep).map(encodeURIComponent).join('/');
  const rows = group.movies.map((m, i) => `<section><h2>${esc(m.name)}</h2>
<p class="args">${esc(m.args.map((a) => (/\s/.test(a) ? JSON.stringify(a) : a)).join(' '))}</p>
${result.failures[i] ? `<p class="bad">${esc(result.failures[i])}</p>` : ''}
<div class="shots">${result.taken[i].map((s) => `<figure><img src="${rel(s.file)}"><figcaption>${esc(s.label)}</figcaption></figure>`).join('')}</div></section>`).join('\n');
  const html = `<!DOCTYPE html><html><head><meta charset="utf-8"><style>
body{margin:0;padding:16px 20px;background:#f2f2f0;font:13px/1.35 sans-serif;color:#222;width:max-content}
h1{font-size:20px;margin:0 0 4px} .meta{color:#666;margin:0 0 12px}
section{background:#fff;border:1px solid #ddd;border-radius:6px;padding:8px 10px;margin:0 0 10px}
h2{font-size:14px;margin:0} .args{font:11px monospace;color:#777;margin:2px 0 6px}
.shots{display:flex;flex-wrap:wrap;gap:10px;align-items:flex-start;max-width:1800px} figure{margin:0}
img{display:block;border:1px solid #999;background:repeating-conic-gradient(#ccc 0 25%,#fff 0 50%) 0 0/16px 16px}
figcaption{color:#444;margin-top:3px;max-width:100%} .bad{color:#b00020}
.log{font:11px monospace;color:#a33;white-space:pre-wrap;max-width:1200px}
</style></head><body><h1>${esc(group.title)}</h1>
<p class="meta">${esc(group.meta)}</p>${rows}
${result.log.length ? `<div class="log">${esc(result.log.slice(0, 20).join('\n'))}</div>` : ''}
</body></html>`;
  const sheetHtml = path.join(outDir, 'sheets', `${group.name}.html`);
  fs.mkdirSync(path.dirname(sheetHtml), { recursive: true });
  fs.writeFileSync(sheetHtml, html);
  const context = await browser.newContext({ viewport: { width: 800, height: 600 }, deviceScaleFactor: 1 });
  const page = await context.newPage();
  await page.goto(`${origin}/sheets/${encodeURIComponent(group.name)}.html`, { waitUntil: 'load' });
  const png = path.join(outDir, 'sheets', `${group.name}.png`);
  await page.screenshot({ path: png, fullPage: true });
  await context.close();
  return png;
}

async function main() {
  const opts = parseArgs(process.argv.slice(2));
  const env = { REELCAST_HOME: path.join(opts.out, 'home') };
  fs.mkdirSync(env.REELCAST_HOME, { recursive: true });
  const media = makeMedia(path.join(opts.out, 'media'));
  const kinds = listInstalled(opts.cli, env);
  const commit = spawnSync('git', ['-C', repo, 'log', '-1', '--format=%h %cd', '--date=format:%Y-%m-%d %H:%M'],
    { encoding: 'utf8' }).stdout.trim();
  let groups = planGroups(kinds, media);
  // The HTML page, written with the movie: a control-bar movie on 4:3.
  groups.push({
    name: 'html-page', ratio: '4:3', title: 'The HTML page with the player beside it (wide, narrow and low window)',
    page: null, at: 2000,
    movies: [{ name: 'page with a player template', shots: [],
      args: ['--ruffle-local', '--background', '202830', '--template', `player:${(kinds['player-template'] || ['Classic Gray'])[0]}`] }],
    views: [{ label: 'window 1280 × 720', viewport: { width: 1280, height: 720 } },
      { label: 'window 240 × 480', viewport: { width: 240, height: 480 } },
      { label: 'window 640 × 200', viewport: { width: 640, height: 200 } }],
  });
  if (opts.only) groups = groups.filter((g) => opts.only.test(g.name));

  // Publish.
  for (const g of groups) {
    g.meta = `reelcast ${commit} · test video ${g.ratio === '4:3' ? '320 × 240' : '384 × 216'}, 15 fps, 6 s · shots at movie times (virtual clock)`;
    const dir = path.join(opts.out, 'movies', g.name);
    fs.rmSync(dir, { recursive: true, force: true });
    fs.mkdirSync(dir, { recursive: true });
    g.movies.forEach((m, i) => {
      const file = path.join(dir, `${i}.swf`);
      run(opts.cli, ['flv2swf', media[g.ratio], file, '-y', ...m.args], env);
      if (m.preloaderOnly) cutAfterFirstFrame(file);
      m.url = '/' + path.relative(opts.out, file);
      m.size = stageSize(file) || { width: 320, height: 240 };
      if (g.page === null) g.page = path.relative(opts.out, file).replace(/swf$/, 'html');
    });
  }

  // Play and write the sheets, one browser for all.
  const server = await startServer({ root: opts.out, page: 'review', pageBare: true });
  const origin = `http://127.0.0.1:${server.address().port}`;
  const browser = await launchBrowser();
  const sheets = [];
  try {
    for (const g of groups) {
      process.stderr.write(`review: ${g.name} (${g.movies.length} movies)\n`);
      const result = g.views ? await playPage(browser, origin, g, opts.out)
        : await playGroup(browser, server, origin, g, opts.out);
      if (g.views) g.movies[0].name += ` (${g.page})`;
      sheets.push(await writeSheet(browser, origin, g, result, opts.out));
    }
  } finally {
    await browser.close().catch(() => {});
    server.close();
  }
  for (const s of sheets) process.stdout.write(s + '\n');
}

main().catch((e) => {
  process.stderr.write(String(e && e.stack || e) + '\n');
  process.exit(1);
});
