#!/usr/bin/env node
// Two pages on a running zkcp-serve of the sample room, in headless
// chromium: page A (with the token) steps into nearDoor; both pages see
// door1 turn to the angle the swing reaches and page B's inspector shows
// swing active; a client sending garbage on /live is closed while both pages
// go on; page B (no token) cannot activate a behaviour; A walks away and
// both see the door close. Then page A presses the lamp with the pointer:
// while it holds, both pages show blink active and the desk light going on
// and off in the scene; when it lets go, blink stops, glow is back and the
// light stays on. No console error or warning on either page.
//
// usage: live_check.mjs --url URL_WITH_TOKEN [--picture PNG]
// Exit 0 when everything holds, 1 otherwise (each fault on a line of its own).
import { chromium } from "playwright-core";

const CHROMIUM = process.env.ZKCP_CHROMIUM || "/usr/bin/chromium";
const FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
  "--disable-background-networking", "--disable-component-update", "--disable-sync"];
const SOFTWARE_GL = /GL Driver Message .*GPU stall due to ReadPixels/;
const LOAD_MS = 90000;
const DOOR_MS = 2000;       // the door turns in every page within this time
const OPEN_DEGREES = -90;   // door_swing turns about -y up to 90 degrees
const LAMP_VIEW = [1.4, 1.195, -0.8];  // level with lamp1's bulb, 0.6 m in front of it

function parseArgs(argv) {
  const args = {};
  for (let i = 0; i < argv.length; i += 2) args[argv[i].replace(/^--/, "")] = argv[i + 1];
  if (!args.url) throw new Error("--url is needed");
  return args;
}

// Degrees door1 stands turned about +y in a page.
const doorAngle = (page) => page.evaluate(() => {
  const r = window.zkcpLive.scene.getNamedNode("door1").rotation;
  return (r.angle * Math.sign(r.y || 1) * 180) / Math.PI;
});

// Waits until every page's door stands at `degrees`; the time taken, or
// null when that takes over five times DOOR_MS.
async function doorAt(pages, degrees) {
  const start = Date.now();
  while (Date.now() - start < 5 * DOOR_MS) {
    const angles = await Promise.all(pages.map(doorAngle));
    if (angles.every((a) => Math.abs(a - degrees) < 0.5)) return Date.now() - start;
    await new Promise((r) => setTimeout(r, 50));
  }
  return null;
}

// Moves the page's viewer at once (no transition) into a new viewpoint at
// the centre of nearDoor or at `where.position` looking along -z, or back
// to the world's viewpoint of that name.
const bindViewpoint = (page, where) => page.evaluate((at) => {
  const scene = window.zkcpLive.scene;
  if (!window.zkcpTeleport) {
    window.zkcpTeleport = scene.createNode("NavigationInfo");
    window.zkcpTeleport.transitionType = new X3D.MFString("TELEPORT");
    scene.addRootNode(window.zkcpTeleport);
    window.zkcpTeleport.set_bind = true;
  }
  let viewpoint;
  if (at === "nearDoor") {
    const sensor = scene.getNamedNode("nearDoor");
    viewpoint = scene.createNode("Viewpoint");
    viewpoint.position = new X3D.SFVec3f(sensor.center.x, sensor.center.y, sensor.center.z);
    scene.addRootNode(viewpoint);
  } else if (at.position) {
    viewpoint = scene.createNode("Viewpoint");
    viewpoint.position = new X3D.SFVec3f(...at.position);
    scene.addRootNode(viewpoint);
  } else {
    viewpoint = scene.getNamedNode(at);
  }
  viewpoint.set_bind = true;
}, where);

// What a page shows of the lamp: its behaviours in the inspector, its
// `on` attribute and the desk light's `on` field in the scene.
const lampState = (page) => page.evaluate(() => {
  const cell = (selector) => document.querySelector(selector)?.textContent;
  const lamp = [...document.querySelectorAll("#zkcp-tree details[data-id]")]
    .find((d) => d.firstChild.textContent === "lamp1");
  return {
    blink: cell("[data-behavior='blink'] .zkcp-value"),
    glow: cell("[data-behavior='glow'] .zkcp-value"),
    on: [...lamp.querySelectorAll("[data-attribute]")]
      .find((r) => r.firstChild.textContent === "on")?.querySelector(".zkcp-value").textContent,
    light: window.zkcpLive.scene.getNamedNode([...window.zkcpLive.objects.values()]
      .find((o) => o.type === "light" && o.name.toLowerCase() === "desk").def).on,
  };
});

// Samples every page's lamp for `ms`, or until `enough` says of every
// page's values that nothing more need be seen; per page, the values each
// member took.
async function watchLamp(pages, ms, enough = () => false) {
  const seen = pages.map(() => ({ blink: new Set(), glow: new Set(), on: new Set(), light: new Set() }));
  const start = Date.now();
  while (Date.now() - start < ms && !seen.every(enough)) {
    const states = await Promise.all(pages.map(lampState));
    states.forEach((state, i) => { for (const k in state) seen[i][k].add(state[k]); });
    await new Promise((r) => setTimeout(r, 20));
  }
  return seen.map((s) => Object.fromEntries(Object.entries(s).map(([k, v]) => [k, [...v].sort().join("/")])));
}

// Waits until every page shows blink as `blink`; the time taken, or null.
async function blinkShows(pages, blink) {
  const start = Date.now();
  while (Date.now() - start < 5 * DOOR_MS) {
    const states = await Promise.all(pages.map(lampState));
    if (states.every((s) => s.blink === blink)) return Date.now() - start;
    await new Promise((r) => setTimeout(r, 20));
  }
  return null;
}

// Page A stands before the lamp and holds the pointer down on its bulb,
// in the middle of the view, then lets go.
async function pressLamp(a, pages, faults, picture) {
  await bindViewpoint(a, { position: LAMP_VIEW });
  await a.waitForFunction((z) => {
    const p = window.zkcpLive.lastPlace.position;
    return window.zkcpLive.place === null && Math.abs(p[2] - z) < 1e-3;
  }, LAMP_VIEW[2], { timeout: 5 * DOOR_MS, polling: 20 });
  // A frame drawn from the new place, for the pointer to hit.
  await a.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
  const box = await a.locator("x3d-canvas#world").boundingBox();
  await a.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await a.mouse.down();
  const held = await blinkShows(pages, "TRUE");
  if (held === null || held > DOOR_MS)
    faults.push(`blink is not active in both pages within ${DOOR_MS} ms of pressing the lamp (${held} ms)`);
  else console.log(`blink active in both pages ${held} ms after page A pressed the lamp`);
  if (picture) await a.screenshot({ path: picture.replace(/\.png$/, "-lamp.png") });
  // The lamp toggles on every tick; a page that falls behind gets merged
  // frames, which may hide a toggle, so it is watched until both values showed.
  const holding = await watchLamp(pages, 3000, (s) => s.on.size === 2 && s.light.size === 2);
  holding.forEach((seen, i) => {
    const name = "AB"[i];
    if (seen.blink !== "TRUE" || seen.glow !== "FALSE")
      faults.push(`page ${name} while the lamp is held: blink ${seen.blink}, glow ${seen.glow}, not TRUE, FALSE`);
    if (seen.on !== "FALSE/TRUE" || seen.light !== "false/true")
      faults.push(`page ${name}: the lamp does not blink while held (on ${seen.on}, desk light ${seen.light})`);
  });
  await a.mouse.up();
  const released = await blinkShows(pages, "FALSE");
  if (released === null || released > DOOR_MS)
    faults.push(`blink did not stop in both pages within ${DOOR_MS} ms of letting go (${released} ms)`);
  // glow takes over again: the lamp stays lit.
  await a.waitForTimeout(200);
  const after = await watchLamp(pages, 500);
  after.forEach((seen, i) => {
    if (seen.blink !== "FALSE" || seen.glow !== "TRUE" || seen.on !== "TRUE" || seen.light !== "true")
      faults.push(`page ${"AB"[i]} after letting go: blink ${seen.blink}, glow ${seen.glow}, ` +
        `on ${seen.on}, desk light ${seen.light}; not FALSE, TRUE, TRUE, true`);
  });
}

async function main() {
  const args = parseArgs(process.argv.slice(2));
  const faults = [];
  const watchdog = setTimeout(() => {
    console.error("FAIL: the check took over 3 minutes");
    process.exit(1);
  }, 180000);
  const browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: FLAGS });
  try {
    const open = async (name, url) => {
      const context = await browser.newContext({ viewport: { width: 960, height: 540 } });
      const page = await context.newPage();
      page.on("console", (m) => {
        if (process.env.ZKCP_VERBOSE) console.log(`${name} console ${m.type()}: ${m.text()}`);
        if ((m.type() === "error" || m.type() === "warning") && !SOFTWARE_GL.test(m.text()))
          faults.push(`page ${name}: console ${m.type()}: ${m.text()}`);
      });
      page.on("pageerror", (e) => faults.push(`page ${name}: ${e.message}`));
      page.on("response", (r) => { if (r.status() >= 400) faults.push(`page ${name}: HTTP ${r.status()}: ${r.url()}`); });
      await page.goto(url);
      await page.waitForFunction(() => window.zkcpLive && window.zkcpLive.sequence > 0 &&
        window.zkcpLive.nodes.size > 0, null, { timeout: LOAD_MS });
      return page;
    };
    const withToken = args.url;
    const withoutToken = args.url.replace(/\?.*$/, "");
    const a = await open("A", withToken);
    const b = await open("B", withoutToken);
    const pages = [a, b];
    if (await doorAt(pages, 0) === null) faults.push("door1 does not stand closed at the start");

    // The door's time runs from when page A's browser has moved the viewer
    // and the page has reported it, not from the bind, which the browser
    // takes a frame or more (seconds in software rendering) to carry out.
    await bindViewpoint(a, "nearDoor");
    await a.waitForFunction(() => {
      const live = window.zkcpLive;
      const sensor = live.scene.getNamedNode("nearDoor");
      const p = live.lastPlace && live.lastPlace.position;
      return p && live.place === null && Math.abs(p[0] - sensor.center.x) < 1e-3 &&
        Math.abs(p[2] - sensor.center.z) < 1e-3;
    }, null, { timeout: 5 * DOOR_MS, polling: 20 });
    const opened = await doorAt(pages, OPEN_DEGREES);
    if (opened === null || opened > DOOR_MS)
      faults.push(`door1 did not turn to ${OPEN_DEGREES} degrees in both pages within ${DOOR_MS} ms (${opened} ms)`);
    else console.log(`door open in both pages ${opened} ms after page A stepped into nearDoor`);
    const swing = await b.evaluate(() =>
      document.querySelector("[data-behavior='swing'] .zkcp-value")?.textContent);
    if (swing !== "TRUE") faults.push(`page B's inspector shows swing as '${swing}', not TRUE`);

    // A client sending garbage is closed; the pages go on.
    const closed = await a.evaluate(() => new Promise((resolve) => {
      const socket = new WebSocket(`ws://${location.host}/live`);
      socket.onopen = () => { for (let i = 0; i < 5; ++i) socket.send("garbage " + i); };
      socket.onclose = (e) => resolve(e.code);
      setTimeout(() => resolve("still open"), 5000);
    }));
    if (closed !== 1008) faults.push(`the garbage client was closed with ${closed}, not 1008`);
    for (const [name, page] of [["A", a], ["B", b]]) {
      const before = await page.evaluate(() => window.zkcpLive.sequence);
      await page.waitForTimeout(300);
      const after = await page.evaluate(() => window.zkcpLive.sequence);
      if (!(after > before)) faults.push(`page ${name} stopped updating after the garbage client (tick ${before})`);
    }

    // Without the token a behaviour cannot be switched.
    const refused = await b.evaluate(() => new Promise((resolve) => {
      const live = window.zkcpLive;
      const blink = [...live.objects.values()].find((o) => o.type === "behavior" && o.name === "blink");
      live.socket.send(JSON.stringify({ type: "activate", id: blink.id }));
      setTimeout(() => resolve({ error: document.querySelector("#zkcp-error").textContent,
        active: live.values.get(blink.id + ":0") }), 500);
    }));
    if (!/needs the token/.test(refused.error)) faults.push(`page B's activate was not refused: '${refused.error}'`);
    if (refused.active) faults.push("page B activated blink without the token");

    if (args.picture) {
      // The door's entry open, as someone looking at it would have it.
      await b.evaluate(() => document.querySelectorAll("#zkcp-tree details[data-id]").forEach((d) => {
        d.open = d.firstChild.textContent === "door1";
      }));
      await b.screenshot({ path: args.picture });
    }

    await bindViewpoint(a, "entrance");
    await a.waitForFunction(() => {
      const p = window.zkcpLive.lastPlace.position;
      return window.zkcpLive.place === null && Math.abs(p[2] - 5) < 1e-3;
    }, null, { timeout: 5 * DOOR_MS, polling: 20 });
    const shut = await doorAt(pages, 0);
    if (shut === null || shut > DOOR_MS)
      faults.push(`door1 did not close in both pages within ${DOOR_MS} ms of page A leaving (${shut} ms)`);
    else console.log(`door closed in both pages ${shut} ms after page A left nearDoor`);
    const markers = await b.evaluate(() => window.zkcpLive.markers.size);
    if (markers !== 1) faults.push(`page B shows ${markers} other viewers, not 1`);

    await pressLamp(a, pages, faults, args.picture);
  } catch (e) {
    faults.push(e.message.split("\n")[0]);
  } finally {
    clearTimeout(watchdog);
    await browser.close();
  }
  for (const f of faults) console.error(`FAIL: ${f}`);
  return faults.length ? 1 : 0;
}

main().then((code) => process.exit(code), (e) => {
  console.error(`FAIL: ${e.message}`);
  process.exit(1);
});
