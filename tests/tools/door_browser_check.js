// Opens an exported sample room in headless Chromium with X_ITE, reads the
// rotation of door1, binds a viewpoint inside nearDoor and reads it again
// until the door has turned by DEGREES (to within a degree), or for at most
// SECONDS_TO_WAIT after the bind. Prints "closed A open B" (degrees about
// the vertical axis) and fails on any console error or warning.
// Usage: node door_browser_check.js DIR PLAYWRIGHT_CORE_DIR DEGREES SECONDS_TO_WAIT
const path = require('path');
const http = require('http');
const fs = require('fs');
const { chromium } = require(path.resolve(process.argv[3]));
const loadSeconds = require('../../web/load-seconds.cjs');

const dir = process.argv[2];
const degrees = Number(process.argv[4]);
const wait = Number(process.argv[5]) * 1000;
const types = { '.html': 'text/html', '.js': 'text/javascript', '.x3d': 'model/x3d+xml',
                '.png': 'image/png', '.jpg': 'image/jpeg' };

const server = http.createServer((request, response) => {
  const url = decodeURIComponent(request.url.split('?')[0]);
  const file = path.join(dir, url === '/' ? 'index.html' : url);
  fs.readFile(file, (error, data) => {
    if (error) {
      if (url !== '/favicon.ico') console.error(`not served: ${url}`);
      response.writeHead(url === '/favicon.ico' ? 204 : 404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    response.end(data);
  });
});

async function main() {
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const messages = [];
  try {
    const page = await browser.newPage();
    // Chromium's software GL reports its own read-back stalls as warnings;
    // they say nothing about the page.
    page.on('console', (m) => {
      if (m.type() !== 'error' && m.type() !== 'warning') return;
      if (/GL Driver Message .*GPU stall due to ReadPixels/.test(m.text())) return;
      messages.push(`${m.type()}: ${m.text()}`);
    });
    page.on('pageerror', (e) => messages.push(`error: ${e.message}`));
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
    await page.waitForFunction(() => {
      try { return !!X3D.getBrowser('x3d-canvas').currentScene.getNamedNode('door1'); }
      catch (e) { return false; }
    }, null, { timeout: loadSeconds * 1000 });
    // Degrees turned about +y; a rotation about -y counts negative.
    const turned = () => page.evaluate(() => {
      const r = X3D.getBrowser('x3d-canvas').currentScene.getNamedNode('door1').rotation;
      return (r.angle * Math.sign(r.y || 1) * 180) / Math.PI;
    });
    const closed = await turned();
    await page.evaluate(() => {
      const browser = X3D.getBrowser('x3d-canvas');
      const scene = browser.currentScene;
      const sensor = scene.getNamedNode('nearDoor');
      const inside = scene.createNode('Viewpoint');
      inside.position = new X3D.SFVec3f(sensor.center.x, sensor.center.y, sensor.center.z);
      scene.rootNodes.push(inside);
      inside.set_bind = true;
    });
    // Then until the door stands at its final angle, however unevenly the
    // frames come, or the time is up.
    let open = await turned();
    const until = Date.now() + wait;
    while (Date.now() < until && Math.abs(Math.abs(open - closed) - degrees) >= 1) {
      await page.waitForTimeout(250);
      open = await turned();
    }
    console.log(`closed ${closed.toFixed(2)} open ${open.toFixed(2)}`);
  } finally {
    await browser.close();
    server.close();
  }
  for (const m of messages) console.error(m);
  process.exit(messages.length ? 1 : 0);
}

main().catch((e) => { console.error(e); server.close(); process.exit(1); });
