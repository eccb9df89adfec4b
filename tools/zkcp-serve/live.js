// The live world in the page: applies what the server's world does to the
// X3D scene, reports what the viewer does, shows the other viewers and an
// inspector of the world. The protocol is in docs/live-protocol.md.
"use strict";

(() => {
  const PROTOCOL = 1;
  const REPORT_MS = 100;  // the viewer's place and moving sensors, at most 10 times a second
  const EVENTS_SHOWN = 20;
  const token = new URLSearchParams(location.search).get("token") || "";
  const KIND_SIZE = { bool: 1, float: 4, time: 8, vec3f: 12, color: 12, rotation: 16 };
  // The X3D type each output field of a component sensor sends.
  const CONTINUOUS = new Set(["translation_changed", "rotation_changed", "trackPoint_changed",
    "hitPoint_changed"]);

  const state = {
    browser: null, scene: null, socket: null, viewer: "", control: false, world: "",
    objects: new Map(),        // id -> manifest object
    nodes: new Map(),          // id -> the X3D node it drives, or null
    values: new Map(),         // "id:field" -> latest value
    cells: new Map(),          // "id:field" -> the inspector element showing it
    sequence: 0, rate: 0, frames: [], offset: Infinity, lag: 0,
    events: [], markers: new Map(), retry: 0,
    place: null, lastPlace: null, placeSent: 0, placeTimer: 0, pending: new Map(), pendingTimer: 0,
  };

  // ---- the inspector -------------------------------------------------------------------------

  const panel = document.createElement("aside");
  panel.id = "zkcp-inspector";
  panel.innerHTML =
    "<header><b id='zkcp-world'></b><span id='zkcp-status'>connecting</span></header>" +
    "<div id='zkcp-stats'></div><section id='zkcp-tree'></section>" +
    "<h3>Last events</h3><ol id='zkcp-events'></ol><div id='zkcp-error'></div>";
  const byId = (id) => panel.querySelector("#" + id);

  function text(value, kind) {
    if (value === undefined) return "";
    if (kind === "bool") return value ? "TRUE" : "FALSE";
    if (typeof value === "string") return kind === "string_list" ? value.split("\n").join(" | ") : value;
    if (typeof value === "number") return kind === "time" ? value.toFixed(3) : +value.toFixed(4) + "";
    if (kind === "rotation") {
      const r = X3D.SFRotation.fromQuaternion(value[0], value[1], value[2], value[3]);
      return [r.x, r.y, r.z, r.angle].map((n) => +n.toFixed(3)).join(" ");
    }
    return value.map((n) => +n.toFixed(3)).join(" ");
  }

  function send(message) {
    if (state.socket && state.socket.readyState === WebSocket.OPEN) state.socket.send(JSON.stringify(message));
  }

  function control(label, message) {
    const button = document.createElement("button");
    button.textContent = label;
    button.addEventListener("click", () => send(message));
    return button;
  }

  function row(parent, label, object, fieldIndex) {
    const line = document.createElement("div");
    line.className = "zkcp-row";
    const name = document.createElement("span");
    name.textContent = label;
    const value = document.createElement("span");
    value.className = "zkcp-value";
    line.append(name, value);
    const key = object.id + ":" + fieldIndex;
    state.cells.set(key, { element: value, kind: object.fields[fieldIndex].kind });
    value.textContent = text(state.values.get(key), object.fields[fieldIndex].kind);
    parent.append(line);
    return line;
  }

  function group(parent, title, open) {
    const details = document.createElement("details");
    if (open) details.open = true;
    const summary = document.createElement("summary");
    summary.textContent = title;
    details.append(summary);
    parent.append(details);
    return details;
  }

  function objectRows(parent, object) {
    object.fields.forEach((f, i) => row(parent, f.name, object, i));
  }

  function buildTree() {
    const tree = byId("zkcp-tree");
    tree.textContent = "";
    state.cells.clear();
    const owned = new Map();
    for (const o of state.objects.values()) {
      if (!o.owner) continue;
      if (!owned.has(o.owner)) owned.set(o.owner, []);
      owned.get(o.owner).push(o);
    }
    const components = group(tree, "Components", true);
    const lights = group(tree, "Lights", false);
    const sensors = group(tree, "Proximity sensors", false);
    for (const o of state.objects.values()) {
      if (o.type === "component") {
        const item = group(components, o.name, false);
        item.dataset.id = o.id;
        objectRows(group(item, "transform", false), o);
        for (const member of owned.get(o.id) || []) {
          if (member.type === "part") {
            objectRows(group(item, "part " + member.name, false), member);
          } else if (member.type === "attribute") {
            const line = row(item, member.name, member, 0);
            line.dataset.attribute = member.id;
            if (state.control) {
              const input = document.createElement("input");
              input.title = "a new value (JSON: true, 2, [0, 1, 0, 1.57], \"text\"), then Enter";
              input.addEventListener("keydown", (e) => {
                if (e.key !== "Enter") return;
                try {
                  send({ type: "set", id: member.id, value: JSON.parse(input.value) });
                } catch (error) {
                  send({ type: "set", id: member.id, value: input.value });
                }
              });
              line.append(input);
            }
          } else if (member.type === "behavior") {
            const line = row(item, "behaviour " + member.name, member, 0);
            line.dataset.behavior = member.name;
            if (state.control) {
              line.append(control("on", { type: "activate", id: member.id }),
                control("off", { type: "deactivate", id: member.id }));
            }
          } else if (member.type === "sensor") {
            const line = document.createElement("div");
            line.textContent = "sensor " + member.name;
            item.append(line);
          }
        }
      } else if (o.type === "light") {
        objectRows(group(lights, o.name, false), o);
      } else if (o.type === "proximitySensor") {
        objectRows(group(sensors, o.name, false), o);
      }
    }
  }

  function showEvent(event) {
    const name = (id) => {
      const o = state.objects.get(id);
      if (!o) return "#" + id;
      const owner = o.owner && state.objects.get(o.owner);
      return owner ? owner.name + "." + o.name : o.name;
    };
    const line = document.createElement("li");
    line.textContent = `${event.time.toFixed(2)} ${event.kind} ${name(event.subject)}` +
      (event.other ? " " + name(event.other) : "");
    const list = byId("zkcp-events");
    list.prepend(line);
    while (list.children.length > EVENTS_SHOWN) list.lastChild.remove();
  }

  function showStats() {
    // Ticks this page went through in the last five seconds, by their sequence numbers.
    const now = performance.now();
    state.frames = state.frames.filter((f) => now - f.at < 5000);
    const first = state.frames[0];
    const last = state.frames[state.frames.length - 1];
    const rate = last && last.at > first.at ? (1000 * (last.sequence - first.sequence)) / (last.at - first.at) : 0;
    byId("zkcp-stats").textContent = `tick ${state.sequence}, ${rate.toFixed(0)} ticks/s` +
      ` (world ${state.rate}/s), lag ${state.lag.toFixed(0)} ms` +
      `, ${state.markers.size} other viewer${state.markers.size === 1 ? "" : "s"}`;
  }

  // ---- the scene -----------------------------------------------------------------------------

  function x3dValue(kind, value) {
    switch (kind) {
      case "bool": return !!value;
      case "vec3f": return new X3D.SFVec3f(value[0], value[1], value[2]);
      case "color": return new X3D.SFColor(value[0], value[1], value[2]);
      case "rotation": return X3D.SFRotation.fromQuaternion(value[0], value[1], value[2], value[3]);
      default: return value;
    }
  }

  // The objects whose fields the scene holds: components, parts, lights, proximity sensors.
  const SCENE_TYPES = new Set(["component", "part", "light", "proximitySensor"]);
  const SCENE_OUTPUTS = new Set(["isActive", "enterTime", "exitTime"]);

  function findNodes() {
    state.nodes.clear();
    for (const o of state.objects.values()) {
      let node = null;
      if (SCENE_TYPES.has(o.type) && o.def) {
        try { node = state.scene.getNamedNode(o.def); } catch (e) { node = null; }
      }
      state.nodes.set(o.id, node);
    }
  }

  function apply(id, field, value) {
    const key = id + ":" + field;
    state.values.set(key, value);
    const cell = state.cells.get(key);
    if (cell) cell.element.textContent = text(value, cell.kind);
    const node = state.nodes.get(id);
    if (!node) return;
    const f = state.objects.get(id).fields[field];
    if (SCENE_OUTPUTS.has(f.name)) return;
    node[f.name] = x3dValue(f.kind, value);
  }

  // A binary frame: kind, sequence, time, count, then the records.
  function readFrame(buffer) {
    const view = new DataView(buffer);
    const kind = view.getUint8(0);
    const sequence = view.getUint32(1, true);
    const time = view.getFloat64(5, true);
    const count = view.getUint32(13, true);
    let at = 17;
    const decoder = new TextDecoder();
    for (let n = 0; n < count; ++n) {
      const id = view.getUint32(at, true);
      const field = view.getUint16(at + 4, true);
      at += 6;
      const object = state.objects.get(id);
      if (!object || !object.fields[field]) {
        // Out of step with the manifest: a fresh snapshot puts it right.
        send({ type: "resync" });
        return;
      }
      const k = object.fields[field].kind;
      let value;
      if (k === "bool") value = view.getUint8(at) !== 0;
      else if (k === "float") value = view.getFloat32(at, true);
      else if (k === "time") value = view.getFloat64(at, true);
      else if (k === "string" || k === "string_list") {
        const length = view.getUint32(at, true);
        value = decoder.decode(new Uint8Array(buffer, at + 4, length));
        at += 4 + length;
      } else {
        value = [];
        for (let i = 0; i < KIND_SIZE[k] / 4; ++i) value.push(view.getFloat32(at + 4 * i, true));
      }
      if (KIND_SIZE[k]) at += KIND_SIZE[k];
      apply(id, field, value);
    }
    state.sequence = sequence;
    const arrived = performance.now() / 1000;
    state.offset = kind === 2 ? arrived - time : Math.min(state.offset, arrived - time);
    state.lag = 1000 * (arrived - time - state.offset);
    state.frames.push({ at: performance.now(), sequence });
  }

  // ---- other viewers -------------------------------------------------------------------------

  function marker() {
    const transform = state.scene.createNode("Transform");
    const shape = state.scene.createNode("Shape");
    const appearance = state.scene.createNode("Appearance");
    const material = state.scene.createNode("Material");
    material.diffuseColor = new X3D.SFColor(0.9, 0.3, 0.1);
    material.emissiveColor = new X3D.SFColor(0.4, 0.1, 0);
    appearance.material = material;
    const cone = state.scene.createNode("Cone");
    cone.bottomRadius = 0.15;
    cone.height = 0.4;
    shape.appearance = appearance;
    shape.geometry = cone;
    // The cone points where the viewer looks (-z).
    const tip = state.scene.createNode("Transform");
    tip.rotation = new X3D.SFRotation(1, 0, 0, -Math.PI / 2);
    tip.children.push(shape);
    transform.children.push(tip);
    state.scene.addRootNode(transform);
    return transform;
  }

  function showViewers(viewers) {
    const seen = new Set();
    for (const v of viewers) {
      if (v.viewer === state.viewer) continue;
      seen.add(v.viewer);
      let node = state.markers.get(v.viewer);
      if (!node) state.markers.set(v.viewer, node = marker());
      node.translation = new X3D.SFVec3f(...v.position);
      node.rotation = new X3D.SFRotation(...v.orientation);
    }
    for (const [viewer, node] of state.markers) {
      if (seen.has(viewer)) continue;
      state.scene.removeRootNode(node);
      state.markers.delete(viewer);
    }
  }

  // ---- what the viewer does ------------------------------------------------------------------

  function reportPlace() {
    state.placeTimer = 0;
    if (!state.place) return;
    state.placeSent = performance.now();
    send(state.place);
    state.place = null;
  }

  function placeChanged(position, orientation) {
    state.place = { type: "viewer", position: [position.x, position.y, position.z],
      orientation: [orientation.x, orientation.y, orientation.z, orientation.angle] };
    state.lastPlace = state.place;
    if (state.placeTimer) return;
    const wait = Math.max(0, REPORT_MS - (performance.now() - state.placeSent));
    state.placeTimer = setTimeout(reportPlace, wait);
  }

  function jsonValue(value) {
    if (typeof value === "boolean" || typeof value === "number") return value;
    if (value instanceof X3D.SFRotation) return [value.x, value.y, value.z, value.angle];
    return [value.x, value.y, value.z];
  }

  function sendPending() {
    state.pendingTimer = 0;
    for (const message of state.pending.values()) send(message);
    state.pending.clear();
  }

  function watchSensors() {
    for (const o of state.objects.values()) {
      if (o.type !== "sensor" || !o.def) continue;
      let node;
      try { node = state.scene.getNamedNode(o.def); } catch (e) { continue; }
      const component = state.objects.get(o.owner).name;
      for (const f of o.fields) {
        node.addFieldCallback("zkcp", f.name, (value) => {
          const message = { type: "sensor", component, field: f.name, value: jsonValue(value) };
          if (!CONTINUOUS.has(f.name)) {
            sendPending();
            send(message);
            return;
          }
          state.pending.set(o.id + ":" + f.name, message);
          if (!state.pendingTimer) state.pendingTimer = setTimeout(sendPending, REPORT_MS);
        });
      }
    }
  }

  function watchViewer() {
    // A proximity sensor as large as any world reports where the viewer stands.
    const everywhere = state.scene.createNode("ProximitySensor");
    everywhere.size = new X3D.SFVec3f(1e6, 1e6, 1e6);
    everywhere.addFieldCallback("zkcp", "position_changed", () =>
      placeChanged(everywhere.position_changed, everywhere.orientation_changed));
    everywhere.addFieldCallback("zkcp", "orientation_changed", () =>
      placeChanged(everywhere.position_changed, everywhere.orientation_changed));
    state.scene.addRootNode(everywhere);
  }

  // ---- the connection ------------------------------------------------------------------------

  function status(textValue) {
    byId("zkcp-status").textContent = textValue;
  }

  function onText(data) {
    const message = JSON.parse(data);
    switch (message.type) {
      case "hello":
        state.viewer = message.viewer;
        state.control = message.control;
        state.rate = message.rate;
        byId("zkcp-world").textContent = message.world;
        status(`${state.viewer}, ${state.control ? "in control" : "watching"}`);
        break;
      case "manifest": {
        const first = state.objects.size === 0;
        state.objects = new Map(message.objects.map((o) => [o.id, o]));
        findNodes();
        buildTree();
        if (first) watchSensors();
        // The server knows a viewer from its first place, again after a reconnection.
        if (state.lastPlace) send(state.lastPlace);
        break;
      }
      case "events":
        for (const e of message.events) showEvent(e);
        break;
      case "viewers":
        showViewers(message.viewers);
        break;
      case "error":
        byId("zkcp-error").textContent = message.message;
        console.info(`zkcp-serve: ${message.message}`);
        break;
    }
  }

  function connect() {
    const socket = new WebSocket(`${location.protocol === "https:" ? "wss" : "ws"}://${location.host}/live`);
    socket.binaryType = "arraybuffer";
    state.socket = socket;
    socket.onopen = () => {
      state.retry = 0;
      status("connected");
      send({ type: "hello", protocol: PROTOCOL, token });
    };
    socket.onmessage = (e) => {
      if (typeof e.data === "string") onText(e.data);
      else readFrame(e.data);
    };
    socket.onclose = (e) => {
      state.socket = null;
      const wait = Math.min(5000, 250 * 2 ** state.retry++);
      status(`disconnected${e.reason ? ": " + e.reason : ""}; again in ${(wait / 1000).toFixed(1)} s`);
      setTimeout(connect, wait);
    };
  }

  async function start() {
    const canvas = document.querySelector("x3d-canvas#world");
    document.body.append(panel);
    state.browser = X3D.getBrowser(canvas);
    await new Promise((resolve) => {
      if (state.browser.currentScene && state.browser.currentScene.rootNodes.length) resolve();
      else canvas.addEventListener("load", resolve, { once: true });
    });
    state.scene = state.browser.currentScene;
    watchViewer();
    setInterval(showStats, 500);
    connect();
  }

  // The page's hook for checks and for the console: the inspector's state.
  window.zkcpLive = state;
  start();
})();
