#!/usr/bin/env node
// Opens DIR/index.html, the page zkcp-export writes with --format x3d, in
// headless chromium and checks the world as a viewer shows it:
//  - no console error or warning, no page error, no failed request;
//  - every active component of the description is a Transform, found by
//    its DEF name, at the translation the description gives it;
//  - with --reference, the browser's picture shows the same objects at the
//    same places as that picture (see compare() for the tolerance).
// With --picture it also keeps the browser's picture.
//
// usage: check.mjs --dir DIR --world WORLD.json [--reference PNG] [--picture PNG]
//                  [--width W --height H]
// Exit 0 when everything holds, 1 otherwise (each fault on a line of its own).
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import { chromium } from "playwright-core";
import LOAD_SECONDS from "./load-seconds.cjs";

const CHROMIUM = process.env.ZKCP_CHROMIUM || "/usr/bin/chromium";
const FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
  "--disable-background-networking", "--disable-component-update", "--disable-sync"];
// Without a GPU chromium reads every WebGL frame back for its software
// compositor and says so on the page's console; no page can avoid it.
const SOFTWARE_GL = /^\[\.WebGL-0x[0-9a-f]+\]GL Driver Message \(OpenGL, Performance, GL_CLOSE_PATH_NV, High\): GPU stall due to ReadPixels( \(this message will no longer repeat\))?$/;

function parseArgs(argv) {
  const args = {};
  for (let i = 0; i < argv.length; i += 2) {
    if (!argv[i].startsWith("--") || i + 1 >= argv.length) throw new Error(`bad argument ${argv[i]}`);
    args[argv[i].slice(2)] = argv[i + 1];
  }
  if (!args.dir || !args.world) throw new Error("--dir and --world are needed");
  return args;
}

// The size of a PNG file, from its header.
function pngSize(file) {
  const head = fs.readFileSync(file).subarray(0, 24);
  return { width: head.readUInt32BE(16), height: head.readUInt32BE(20) };
}

const TYPES = { ".html": "text/html", ".js": "text/javascript", ".x3d": "model/x3d+xml",
  ".wrl": "model/vrml", ".png": "image/png", ".jpg": "image/jpeg", ".gif": "image/gif",
  ".json": "application/json", ".wasm": "application/wasm", ".css": "text/css" };

// Serves ROOT on a free loopback port; only files under ROOT are answered.
function serve(root) {
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, "http://localhost").pathname);
    const file = path.join(root, name.endsWith("/") ? name + "index.html" : name);
    if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, { "Content-Type": TYPES[path.extname(file)] || "application/octet-stream" });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

// Both pictures are cut into cells of CELL x CELL pixels. A cell shows an
// object when most of its pixels lie more than BACKGROUND_DISTANCE (per
// channel, 0..255) from the background colour, the colour of the picture's
// corners most alike (each browser has its own background). Then
//  - each picture shows objects in at least OBJECT_SHARE of its cells, more
//    than MASK_TOLERANCE, so that neither two blank pictures nor a blank
//    one and another are alike (the 1,000-component grid fills 6%),
//  - the two pictures disagree on at most MASK_TOLERANCE of the cells, and
//  - of the cells where both show objects, at least COLOUR_SHARE have a mean
//    colour within COLOUR_TOLERANCE of the other picture's cell or of one
//    of its eight neighbours.
// The cells and neighbours absorb anti-aliasing and the pixel or two by
// which two rasterisers differ; the colour tolerance absorbs the lighting
// of two renderers (per-pixel against per-vertex). A component out of
// place shows as wall where the other picture has the door: the sample
// room's door at the origin leaves 0.5% of the object cells unlike.
const CELL = 8;
const BACKGROUND_DISTANCE = 12;
const OBJECT_SHARE = 0.05;
const MASK_TOLERANCE = 0.03;
const COLOUR_TOLERANCE = 48;
const COLOUR_SHARE = 0.998;

async function compare(page, first, second) {
  const data = (file) => "data:image/png;base64," + fs.readFileSync(file).toString("base64");
  return page.evaluate(async ({ a, b, cell, near, tolerance }) => {
    const load = (src) => new Promise((resolve, reject) => {
      const image = new Image();
      image.onload = () => resolve(image);
      image.onerror = () => reject(new Error("unreadable picture"));
      image.src = src;
    });
    const cells = (image) => {
      const canvas = document.createElement("canvas");
      canvas.width = image.width;
      canvas.height = image.height;
      const context = canvas.getContext("2d");
      context.drawImage(image, 0, 0);
      const pixels = context.getImageData(0, 0, image.width, image.height).data;
      const at = (x, y) => { const i = 4 * (y * image.width + x); return [pixels[i], pixels[i + 1], pixels[i + 2]]; };
      const corners = [at(0, 0), at(image.width - 1, 0), at(0, image.height - 1), at(image.width - 1, image.height - 1)];
      const distance = (p, q) => Math.max(Math.abs(p[0] - q[0]), Math.abs(p[1] - q[1]), Math.abs(p[2] - q[2]));
      let background = corners[0];
      let best = Infinity;
      for (const c of corners) {
        const spread = corners.reduce((sum, d) => sum + distance(c, d), 0);
        if (spread < best) { best = spread; background = c; }
      }
      const columns = Math.floor(image.width / cell);
      const rows = Math.floor(image.height / cell);
      const out = [];
      for (let r = 0; r < rows; ++r) {
        for (let c = 0; c < columns; ++c) {
          let filled = 0;
          const sum = [0, 0, 0];
          for (let y = r * cell; y < (r + 1) * cell; ++y) {
            for (let x = c * cell; x < (c + 1) * cell; ++x) {
              const p = at(x, y);
              if (distance(p, background) > near) ++filled;
              sum[0] += p[0]; sum[1] += p[1]; sum[2] += p[2];
            }
          }
          out.push({ object: filled * 2 > cell * cell, colour: sum.map((s) => s / (cell * cell)) });
        }
      }
      return { columns, rows, cells: out };
    };
    const [ia, ib] = await Promise.all([load(a), load(b)]);
    if (ia.width !== ib.width || ia.height !== ib.height)
      return { error: `picture sizes differ: ${ia.width}x${ia.height} and ${ib.width}x${ib.height}` };
    const ca = cells(ia);
    const cb = cells(ib);
    let disagree = 0;
    let both = 0;
    let alike = 0;
    const distance = (p, q) => Math.max(Math.abs(p[0] - q[0]), Math.abs(p[1] - q[1]), Math.abs(p[2] - q[2]));
    for (let r = 0; r < ca.rows; ++r) {
      for (let c = 0; c < ca.columns; ++c) {
        const i = r * ca.columns + c;
        if (ca.cells[i].object !== cb.cells[i].object) { ++disagree; continue; }
        if (!ca.cells[i].object) continue;
        ++both;
        let nearest = Infinity;
        for (let dr = -1; dr <= 1; ++dr) {
          for (let dc = -1; dc <= 1; ++dc) {
            const rr = r + dr;
            const cc = c + dc;
            if (rr < 0 || cc < 0 || rr >= ca.rows || cc >= ca.columns) continue;
            nearest = Math.min(nearest, distance(ca.cells[i].colour, cb.cells[rr * ca.columns + cc].colour));
          }
        }
        if (nearest <= tolerance) ++alike;
      }
    }
    const share = (p) => p.cells.filter((x) => x.object).length / p.cells.length;
    return { cells: ca.cells.length, disagree: disagree / ca.cells.length, both, alike: both ? alike / both : 1,
      shares: [share(ca), share(cb)] };
  }, { a: data(first), b: data(second), cell: CELL, near: BACKGROUND_DISTANCE, tolerance: COLOUR_TOLERANCE });
}

async function main() {
  const args = parseArgs(process.argv.slice(2));
  const root = path.resolve(args.dir);
  const world = JSON.parse(fs.readFileSync(args.world, "utf8"));
  const size = args.reference ? pngSize(args.reference)
    : { width: Number(args.width || 800), height: Number(args.height || 600) };
  const faults = [];
  const server = await serve(root);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "zkcp-chromium-"));
  const watchdog = setTimeout(() => {
    console.error(`FAIL: the check took over ${2 * LOAD_SECONDS} s`);
    fs.rmSync(profile, { recursive: true, force: true });
    process.exit(1);
  }, 2 * LOAD_SECONDS * 1000);
  let context;
  try {
    context = await chromium.launchPersistentContext(profile, {
      executablePath: CHROMIUM, headless: true, args: FLAGS, viewport: size, deviceScaleFactor: 1,
    });
    const page = context.pages()[0] || await context.newPage();
    page.on("console", (m) => {
      if (process.env.ZKCP_VERBOSE) console.log(`console ${m.type()}: ${m.text()}`);
      if ((m.type() === "error" || m.type() === "warning") && !SOFTWARE_GL.test(m.text())) faults.push(`console ${m.type()}: ${m.text()}`);
    });
    page.on("pageerror", (e) => faults.push(`page error: ${e.message}`));
    page.on("requestfailed", (r) => faults.push(`request failed: ${r.url()} ${r.failure()?.errorText}`));
    page.on("response", (r) => { if (r.status() >= 400) faults.push(`HTTP ${r.status()}: ${r.url()}`); });
    // The canvas of the page says "load" once the world and everything it
    // inlines is in ("error" when it cannot be read); the events do not
    // reach the window, so they are noted where they are sent.
    await page.addInitScript(() => {
      // The viewpoint's name would cover a corner of the picture.
      document.addEventListener("DOMContentLoaded", () =>
        document.querySelector("x3d-canvas#world")?.setAttribute("notifications", "false"));
      const dispatch = EventTarget.prototype.dispatchEvent;
      EventTarget.prototype.dispatchEvent = function (event) {
        if (this.tagName === "X3D-CANVAS" && this.id === "world" && this.isConnected &&
            (event.type === "load" || event.type === "error")) window.zkcpLoaded = event.type;
        return dispatch.call(this, event);
      };
    });
    const { port } = server.address();
    await page.goto(`http://127.0.0.1:${port}/index.html`);
    await page.waitForFunction(() => window.zkcpLoaded, null, { timeout: LOAD_SECONDS * 1000 });
    if (await page.evaluate(() => window.zkcpLoaded) === "error") faults.push("X_ITE could not load the world");
    // A few frames, so the picture is of the finished scene.
    await page.evaluate(() => new Promise((resolve) => {
      let frames = 10;
      const next = () => (--frames ? requestAnimationFrame(next) : resolve());
      requestAnimationFrame(next);
    }));

    const active = world.components.filter((c) => c.active !== false);
    const names = active.map((c) => c.instance);
    const found = await page.evaluate((list) => {
      const scene = X3D.getBrowser("#world").currentScene;
      return list.map((name) => {
        try {
          const node = scene.getNamedNode(name);
          if (node.getNodeTypeName() !== "Transform") return { type: node.getNodeTypeName() };
          const t = node.translation;
          return { translation: [t.x, t.y, t.z] };
        } catch (e) {
          return { missing: true };
        }
      });
    }, names);
    active.forEach((c, i) => {
      const want = c.translation || [0, 0, 0];
      const got = found[i];
      if (got.missing) faults.push(`no Transform DEF'd '${c.instance}' in the scene`);
      else if (got.type) faults.push(`'${c.instance}' is a ${got.type}, not a Transform`);
      else if (want.some((v, k) => Math.abs(v - got.translation[k]) > 1e-5))
        faults.push(`'${c.instance}' stands at ${got.translation.join(" ")}, not at ${want.join(" ")}`);
    });

    const picture = args.picture || path.join(profile, "browser.png");
    await page.screenshot({ path: picture });
    if (args.reference) {
      const r = await compare(page, args.reference, picture);
      if (r.error) faults.push(r.error);
      else {
        console.log(`pictures: objects in ${r.shares.map((x) => (100 * x).toFixed(1) + "%").join(" and ")} of ` +
          `${r.cells} cells, ${(100 * r.disagree).toFixed(1)}% disagree on objects, ` +
          `${(100 * r.alike).toFixed(2)}% of ${r.both} object cells alike in colour`);
        ["reference", "browser"].forEach((which, k) => {
          if (r.shares[k] < OBJECT_SHARE)
            faults.push(`the ${which} picture shows objects in ${(100 * r.shares[k]).toFixed(1)}% of its cells, under ${100 * OBJECT_SHARE}%`);
        });
        if (r.disagree > MASK_TOLERANCE) faults.push(`the pictures show objects in different places (${(100 * r.disagree).toFixed(1)}% of the cells)`);
        if (r.alike < COLOUR_SHARE) faults.push(`the pictures differ in colour (${(100 * r.alike).toFixed(2)}% of the object cells alike)`);
      }
    }
    console.log(`${names.length} components checked in ${root}`);
  } catch (e) {
    faults.push(e.message.split("\n")[0]);
  } finally {
    clearTimeout(watchdog);
    if (context) await context.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  for (const f of faults) console.error(`FAIL: ${f}`);
  return faults.length ? 1 : 0;
}

main().then((code) => process.exit(code), (e) => {
  console.error(`FAIL: ${e.message}`);
  process.exit(1);
});
