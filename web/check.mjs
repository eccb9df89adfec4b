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
// With --gltf yes, DIR holds world.glb (--format gltf) and a page of the
// check's own shows it with three.js from the first camera. Then every
// active component is a node of the scene named with its instance name,
// every attached light of the description lies under its part's node,
// and each --turn COMPONENT/PART:DEGREES says that the animation of a
// behaviour of COMPONENT turns PART by DEGREES (within one) from its
// first key to its last.
//
// usage: check.mjs --dir DIR --world WORLD.json [--reference PNG] [--picture PNG]
//                  [--width W --height H] [--gltf yes [--turn C/P:DEG]]
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
  ".json": "application/json", ".wasm": "application/wasm", ".css": "text/css",
  ".glb": "model/gltf-binary" };

const THREE_DIR = path.join(path.dirname(new URL(import.meta.url).pathname), "node_modules", "three");

// The page that shows world.glb: drawn once from the first camera, with
// the loaded scene left in window.zkcpGltf.
const GLTF_PAGE = `<!DOCTYPE html>
<html><head><meta charset="utf-8"><link rel="icon" href="data:,">
<script type="importmap">{"imports": {"three": "/three/build/three.module.js",
  "three/addons/": "/three/examples/jsm/"}}</script>
<style>body { margin: 0; } canvas { display: block; }</style></head>
<body><script type="module">
import * as THREE from "three";
import { GLTFLoader } from "three/addons/loaders/GLTFLoader.js";
const renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
renderer.setSize(innerWidth, innerHeight);
document.body.appendChild(renderer.domElement);
new GLTFLoader().load("world.glb", (gltf) => {
  // Coin's lights, like VRML's, do not fade with distance.
  gltf.scene.traverse((n) => { if (n.isPointLight || n.isSpotLight) n.decay = 0; });
  const camera = gltf.cameras[0] || new THREE.PerspectiveCamera(45, 1, 0.05, 1e4);
  camera.aspect = innerWidth / innerHeight;
  camera.updateProjectionMatrix();
  gltf.scene.updateMatrixWorld(true);
  renderer.render(gltf.scene, camera);
  window.zkcpGltf = { THREE, gltf };
  window.zkcpLoaded = "load";
}, undefined, (e) => { console.error(String(e)); window.zkcpLoaded = "error"; });
</script></body></html>
`;

// Serves ROOT on a free loopback port; only files under ROOT are answered.
// For a glTF world the page is GLTF_PAGE and /three/ is three.js.
function serve(root, gltf) {
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, "http://localhost").pathname);
    if (gltf && name === "/index.html") {
      res.writeHead(200, { "Content-Type": "text/html" }).end(GLTF_PAGE);
      return;
    }
    const base = gltf && name.startsWith("/three/") ? THREE_DIR : root;
    const file = path.join(base, gltf && name.startsWith("/three/") ? name.slice(6) : name.endsWith("/") ? name + "index.html" : name);
    if (!file.startsWith(base) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
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
// three.js adds the lights of a glTF world in linear light and shows the sum
// through sRGB, Coin adds them as displayed: where two lights meet brightly
// (the floor under the sample room's lamp) three.js is darker. The
// preview Coin draws also leaves out parts that description files hang
// under a component (the sample table's drawer). A whole object in a
// wrong colour still shows: the door alone is 2% of the sample's cells.
const GLTF_COLOUR_SHARE = 0.99;

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

// The attached lights under their parts' nodes, and the turns the
// animations give.
async function gltfFaults(page, world, turns) {
  const lights = (world.lights || []).filter((l) => l.attach);
  return page.evaluate(({ lights, turns }) => {
    const { THREE, gltf } = window.zkcpGltf;
    const faults = [];
    const top = (name) => gltf.scene.children.find((n) => n.userData.name === name);
    // Light names are kept as the world spells them, with a capital.
    const below = (root, name) => {
      let found = null;
      root?.traverse((n) => { if (!found && n.userData.name?.toLowerCase() === name.toLowerCase()) found = n; });
      return found;
    };
    for (const l of lights) {
      const part = below(top(l.attach.component), l.attach.part);
      const light = below(part, l.name);
      if (!part) faults.push(`no part node '${l.attach.part}' under '${l.attach.component}'`);
      else if (!light) faults.push(`light '${l.name}' is not under ${l.attach.component}'s '${l.attach.part}'`);
      else if (!light.isLight && !light.children.some((c) => c.isLight)) faults.push(`'${l.name}' is no light`);
    }
    for (const turn of turns) {
      const [, component, partName, degrees] = turn.match(/^([^/]+)\/([^:]+):(.+)$/) || [];
      const clip = gltf.animations.find((a) => a.name.startsWith(component + "."));
      const part = below(top(component), partName);
      if (!clip || !part) { faults.push(`no animation of '${component}' or no part '${partName}'`); continue; }
      const mixer = new THREE.AnimationMixer(gltf.scene);
      mixer.clipAction(clip).setLoop(THREE.LoopOnce).play().clampWhenFinished = true;
      const at = (t) => { mixer.setTime(t); gltf.scene.updateMatrixWorld(true); return part.getWorldQuaternion(new THREE.Quaternion()); };
      const first = at(0);
      const angle = THREE.MathUtils.radToDeg(first.angleTo(at(clip.duration)));
      mixer.stopAllAction();
      mixer.setTime(0);
      console.log(`'${clip.name}' turns ${component}/${partName} by ${angle.toFixed(2)} degrees`);
      if (Math.abs(angle - Number(degrees)) > 1) faults.push(`'${clip.name}' turns ${partName} by ${angle.toFixed(2)} degrees, not ${degrees}`);
    }
    return faults;
  }, { lights, turns });
}

async function main() {
  const args = parseArgs(process.argv.slice(2));
  const root = path.resolve(args.dir);
  const world = JSON.parse(fs.readFileSync(args.world, "utf8"));
  const size = args.reference ? pngSize(args.reference)
    : { width: Number(args.width || 800), height: Number(args.height || 600) };
  const faults = [];
  const gltf = args.gltf === "yes";
  const server = await serve(root, gltf);
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
    const found = gltf ? await page.evaluate((list) => {
      const top = window.zkcpGltf.gltf.scene.children;
      return list.map((name) => {
        const node = top.find((n) => n.userData.name === name);
        return node ? { translation: node.position.toArray() } : { missing: true };
      });
    }, names) : await page.evaluate((list) => {
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
      if (got.missing) faults.push(`no ${gltf ? "node named" : "Transform DEF'd"} '${c.instance}' in the scene`);
      else if (got.type) faults.push(`'${c.instance}' is a ${got.type}, not a Transform`);
      else if (want.some((v, k) => Math.abs(v - got.translation[k]) > 1e-5))
        faults.push(`'${c.instance}' stands at ${got.translation.join(" ")}, not at ${want.join(" ")}`);
    });

    if (gltf) faults.push(...await gltfFaults(page, world, args.turn ? [].concat(args.turn) : []));

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
        if (r.alike < (gltf ? GLTF_COLOUR_SHARE : COLOUR_SHARE)) faults.push(`the pictures differ in colour (${(100 * r.alike).toFixed(2)}% of the object cells alike)`);
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
