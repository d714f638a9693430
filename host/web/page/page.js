// The page's behaviour: polls the session's state, draws the view, and sends typed
// lines, picks and window selections as the command line would take them.
"use strict";
(function () {
  const token = new URLSearchParams(location.search).get("token") || "";
  const canvas = document.getElementById("view");
  const ctx = canvas.getContext("2d");
  const transcriptEl = document.getElementById("transcript");
  const promptEl = document.getElementById("prompt");
  const commandEl = document.getElementById("command");
  const cursorEl = document.getElementById("cursor");
  const sessionEl = document.getElementById("session");
  const overlay = document.getElementById("overlay");
  const octx = overlay.getContext("2d");
  const readoutEl = document.getElementById("readout");

  let transcript = "", transcriptEnd = 0, prompt = "", idle = false, request = "none";
  let scale = 1, centerX = 0, centerY = 0, extents = null, items = [], highlight = [], fitted = false;
  let drag = null, lastMiddle = 0, zoomSerial = null;
  const kPickBoxPixels = 5;  // how near (pixels) a pick finds an object or snap
  const kTranscriptShown = 1 << 20;  // characters of the transcript the page keeps

  function api(path, options) {
    options = options || {};
    options.headers = Object.assign({ "X-Vem-Token": token }, options.headers || {});
    return fetch(path, options);
  }

  // ---- view --------------------------------------------------------------------
  function toWorld(px, py) {
    return { x: centerX + (px - canvas.width / 2) / scale, y: centerY - (py - canvas.height / 2) / scale };
  }
  function toScreen(x, y) {
    return [canvas.width / 2 + (x - centerX) * scale, canvas.height / 2 - (y - centerY) * scale];
  }
  function zoomExtents() {
    if (!extents) return;
    const w = Math.max(extents[2] - extents[0], 1e-9), h = Math.max(extents[3] - extents[1], 1e-9);
    scale = 0.9 * Math.min(canvas.width / w, canvas.height / h);
    centerX = (extents[0] + extents[2]) / 2;
    centerY = (extents[1] + extents[3]) / 2;
    fetchView();
  }
  // Shows the window between two corners (ZOOM W), whole, centred.
  function zoomWindow(w) {
    const dx = Math.max(Math.abs(w[2] - w[0]), 1e-9), dy = Math.max(Math.abs(w[3] - w[1]), 1e-9);
    scale = Math.min(canvas.width / dx, canvas.height / dy);
    centerX = (w[0] + w[2]) / 2;
    centerY = (w[1] + w[3]) / 2;
    fitted = true;
    fetchView();
  }
  function resize() {
    canvas.width = overlay.width = canvas.clientWidth;
    canvas.height = overlay.height = canvas.clientHeight;
    fetchView();
  }
  async function fetchView() {
    const a = toWorld(0, canvas.height), b = toWorld(canvas.width, 0);
    const r = await api(`/api/view?x0=${a.x}&y0=${a.y}&x1=${b.x}&y1=${b.y}&w=${canvas.width}&h=${canvas.height}`);
    if (!r.ok) return;
    const v = await r.json();
    extents = v.extents;
    items = v.items;
    highlight = v.highlight || [];
    if (!fitted && extents) { fitted = true; zoomExtents(); return; }
    draw();
  }
  function path(p, close) {
    ctx.beginPath();
    for (let i = 0; i < p.length; i += 2) {
      const [sx, sy] = toScreen(p[i], p[i + 1]);
      if (i === 0) ctx.moveTo(sx, sy); else ctx.lineTo(sx, sy);
    }
    if (close) ctx.closePath();
  }
  function draw() {
    ctx.clearRect(0, 0, canvas.width, canvas.height);
    ctx.lineWidth = 1;
    drawItems(items, null);
    // The objects selected so far, dashed in the selection colour over the rest.
    ctx.setLineDash([6, 4]);
    ctx.lineWidth = 2;
    drawItems(highlight, "#4fc3ff");
    ctx.setLineDash([]);
    ctx.lineWidth = 1;
    if (drag && drag.button === 0 && drag.moved) {
      const crossing = drag.x < drag.x0;
      ctx.setLineDash(crossing ? [5, 4] : []);
      ctx.strokeStyle = crossing ? "#6f6" : "#69f";
      ctx.strokeRect(Math.min(drag.x0, drag.x), Math.min(drag.y0, drag.y),
                     Math.abs(drag.x - drag.x0), Math.abs(drag.y - drag.y0));
      ctx.setLineDash([]);
    }
  }
  function drawItems(list, color) {
    for (const it of list) {
      ctx.strokeStyle = ctx.fillStyle = color || it.c;
      if (it.k === "l") { path(it.p, false); ctx.stroke(); }
      else if (it.k === "g") { path(it.p, true); ctx.fill(); }
      else if (it.k === "o") {
        const [sx, sy] = toScreen(it.x, it.y);
        ctx.beginPath(); ctx.arc(sx, sy, Math.max(it.r * scale, 0.5), 0, 2 * Math.PI); ctx.stroke();
      } else if (it.k === "L") {
        // Strokes with vertices in steps of d from the window's top-left corner (x, y).
        const [ox, oy] = toScreen(it.x, it.y), d = it.d * scale;
        ctx.beginPath();
        for (const s of it.p) {
          ctx.moveTo(ox + s[0] * d, oy + s[1] * d);
          for (let i = 2; i < s.length; i += 2) ctx.lineTo(ox + s[i] * d, oy + s[i + 1] * d);
        }
        ctx.stroke();
      } else if (it.k === "m") {
        // Marks: runs (row, column, count) of d-sized cells from the top-left corner (x, y).
        const [ox, oy] = toScreen(it.x, it.y), d = it.d * scale, side = Math.max(d, 1);
        for (let i = 0; i < it.r.length; i += 3)
          ctx.fillRect(ox + it.r[i + 1] * d, oy + it.r[i] * d, Math.max(it.r[i + 2] * d, 1), side);
      } else if (it.k === "t" && it.h * scale >= 1.5) {
        const [sx, sy] = toScreen(it.x, it.y);
        ctx.save();
        ctx.translate(sx, sy);
        ctx.rotate(-it.a);
        ctx.font = `${it.h * scale}px sans-serif`;
        ctx.fillText(it.s, 0, 0);
        ctx.restore();
      }
    }
  }

  // ---- session -----------------------------------------------------------------
  // One state read at a time, each from where the last one ended: reads that overlapped
  // would each add the same output, or start the transcript afresh out of order.
  let reading = Promise.resolve();
  function poll() {
    const next = reading.then(readState, readState);
    reading = next.catch(() => {});
    return next;
  }
  async function readState() {
    let s;
    try {
      const r = await api(`/api/state?since=${transcriptEnd}`);
      if (!r.ok) throw new Error(r.statusText);
      s = await r.json();
    } catch (e) {
      sessionEl.textContent = "disconnected";
      return false;
    }
    const changed = s.transcript.length > 0;
    if (s.start !== transcriptEnd) transcript = "";  // another server, or older than kept
    transcript += s.transcript;
    if (transcript.length > kTranscriptShown) {
      const cut = transcript.indexOf("\n", transcript.length - kTranscriptShown);
      transcript = transcript.slice(cut < 0 ? transcript.length - kTranscriptShown : cut + 1);
    }
    transcriptEnd = s.end;
    prompt = s.prompt;
    idle = s.idle;
    request = s.request || "none";
    // ZOOM's last request: followed once; a page just loaded shows its window, if any.
    if (s.zoom && s.zoom.serial !== zoomSerial) {
      const loaded = zoomSerial === null;
      zoomSerial = s.zoom.serial;
      if (s.zoom.window) zoomWindow(s.zoom.window); else if (!loaded) zoomExtents();
    }
    const shown = s.waiting ? transcript.slice(0, transcript.length - prompt.length) : transcript;
    transcriptEl.textContent = shown;
    transcriptEl.scrollTop = transcriptEl.scrollHeight;
    promptEl.textContent = s.waiting ? prompt : "";
    sessionEl.textContent = s.ended ? "session ended" : s.waiting ? "" : "working...";
    return { changed: changed, waiting: s.waiting };
  }
  // After an action: the state until the session waits again, then the view.
  async function follow() {
    for (let i = 0; i < 100; ++i) {
      const s = await poll();
      if (!s || s.waiting) break;
      await new Promise(r => setTimeout(r, 30));
    }
    fetchView();
  }
  // Enter (or Space, or a right click) at the command prompt repeats the last command,
  // as in the host; elsewhere it ends the answer.
  let lastCommand = "";
  async function send(line) {
    if (idle && line.trim() === "" && lastCommand !== "") line = lastCommand;
    else if (idle && line.trim() !== "" && line !== "^C") lastCommand = line.trim().split(/\s+/)[0];
    await api("/api/input", { method: "POST", body: line });
    follow();
  }
  async function pick(w) {
    await api("/api/pick", { method: "POST", body: `${w.x},${w.y},${kPickBoxPixels / scale}` });
    follow();
  }
  function selecting() { return request === "selection"; }
  function fmt(v) { return (Math.round(v * 1e6) / 1e6).toString(); }

  // ---- cursor feedback -----------------------------------------------------------
  // Under the cursor: the snap a click would take, its marker drawn before the click,
  // and the cursor's coordinates in the coordinate system followed. One question is
  // asked at a time; the cursor's latest place is asked next.
  let cursorBusy = false, cursorNext = null, snap = null;
  function askCursor(w) {
    cursorNext = w;
    if (cursorBusy) return;
    cursorBusy = true;
    (async () => {
      try {
        while (cursorNext) {
          const at = cursorNext;
          cursorNext = null;
          const r = await api(`/api/cursor?x=${at.x}&y=${at.y}&box=${kPickBoxPixels / scale}`);
          if (!r.ok) break;
          const c = await r.json();
          snap = c.snap;
          readoutEl.textContent = c.readout ? c.readout.join("  ") : "";
          drawOverlay();
        }
      } finally {
        cursorBusy = false;
      }
    })();
  }
  function forgetSnap() {
    snap = null;
    cursorNext = null;
    drawOverlay();
  }
  // The snap marker in the host's shapes: END a square, MID a triangle, CEN a circle,
  // NOD a circle with a cross, QUA a diamond, INT a cross, INS two squares, PER a right
  // angle, TAN a circle on a line, NEA an hourglass.
  function drawOverlay() {
    octx.clearRect(0, 0, overlay.width, overlay.height);
    if (!snap) return;
    const [x, y] = toScreen(snap.x, snap.y), r = 6;
    octx.save();
    octx.strokeStyle = "#ffd400";
    octx.lineWidth = 2;
    octx.beginPath();
    const square = (cx, cy, h) => octx.rect(cx - h, cy - h, 2 * h, 2 * h);
    const cross = () => { octx.moveTo(x - r, y - r); octx.lineTo(x + r, y + r); octx.moveTo(x + r, y - r); octx.lineTo(x - r, y + r); };
    switch (snap.mode) {
      case "END": square(x, y, r); break;
      case "MID": octx.moveTo(x, y - r); octx.lineTo(x + r, y + r); octx.lineTo(x - r, y + r); octx.closePath(); break;
      case "CEN": octx.arc(x, y, r, 0, 2 * Math.PI); break;
      case "NOD": octx.arc(x, y, r, 0, 2 * Math.PI); cross(); break;
      case "QUA": octx.moveTo(x, y - r); octx.lineTo(x + r, y); octx.lineTo(x, y + r); octx.lineTo(x - r, y); octx.closePath(); break;
      case "INT": cross(); break;
      case "INS": square(x - 2, y - 2, r - 2); square(x + 2, y + 2, r - 2); break;
      case "PER": octx.moveTo(x - r, y - r); octx.lineTo(x - r, y + r); octx.lineTo(x + r, y + r); octx.moveTo(x - r, y); octx.lineTo(x, y); octx.lineTo(x, y + r); break;
      case "TAN": octx.arc(x, y, r, 0, 2 * Math.PI); octx.moveTo(x - r, y - r); octx.lineTo(x + r, y - r); break;
      default: octx.moveTo(x - r, y - r); octx.lineTo(x + r, y - r); octx.lineTo(x - r, y + r); octx.lineTo(x + r, y + r); octx.closePath();
    }
    octx.stroke();
    octx.fillStyle = "#ffd400";
    octx.font = "11px sans-serif";
    octx.fillText(snap.mode, x + r + 4, y - r - 2);
    octx.restore();
  }

  // ---- mouse and keys ----------------------------------------------------------
  canvas.addEventListener("wheel", e => {
    e.preventDefault();
    const before = toWorld(e.offsetX, e.offsetY);
    scale *= e.deltaY < 0 ? 1.25 : 0.8;
    const after = toWorld(e.offsetX, e.offsetY);
    centerX += before.x - after.x;
    centerY += before.y - after.y;
    fetchView();
    drawOverlay();
  }, { passive: false });
  canvas.addEventListener("mousedown", e => {
    e.preventDefault();
    if (e.button === 1) {
      const now = Date.now();
      if (now - lastMiddle < 400) { zoomExtents(); lastMiddle = 0; return; }
      lastMiddle = now;
    }
    drag = { button: e.button, x0: e.offsetX, y0: e.offsetY, x: e.offsetX, y: e.offsetY, moved: false,
             cx: centerX, cy: centerY };
  });
  canvas.addEventListener("mousemove", e => {
    const w = toWorld(e.offsetX, e.offsetY);
    cursorEl.textContent = `X ${w.x.toFixed(4)}  Y ${w.y.toFixed(4)}`;
    if (!drag || !drag.moved) askCursor(w);
    if (!drag) return;
    drag.x = e.offsetX; drag.y = e.offsetY;
    if (Math.abs(drag.x - drag.x0) + Math.abs(drag.y - drag.y0) > 4) drag.moved = true;
    if (drag.button === 1) {
      centerX = drag.cx - (drag.x - drag.x0) / scale;
      centerY = drag.cy + (drag.y - drag.y0) / scale;
      draw();
      drawOverlay();
    } else if (drag.button === 0 && selecting()) {
      draw();
    }
  });
  canvas.addEventListener("mouseup", e => {
    const d = drag;
    drag = null;
    if (!d) return;
    if (d.button === 1) { if (d.moved) fetchView(); return; }
    if (d.button === 2) { send(""); return; }
    if (d.button !== 0) return;
    if (d.moved && selecting()) {
      const a = toWorld(d.x0, d.y0), b = toWorld(e.offsetX, e.offsetY);
      const mode = e.offsetX >= d.x0 ? "W" : "C";
      draw();
      send(`${mode} ${fmt(a.x)},${fmt(a.y)} ${fmt(b.x)},${fmt(b.y)}`);
    } else {
      forgetSnap();
      pick(toWorld(d.x0, d.y0));
    }
    commandEl.focus();
  });
  canvas.addEventListener("mouseleave", forgetSnap);
  canvas.addEventListener("contextmenu", e => e.preventDefault());
  commandEl.addEventListener("keydown", e => {
    if (e.key === "Enter" || (e.key === " " && (commandEl.value === "" || idle))) {
      e.preventDefault();
      const line = commandEl.value;
      commandEl.value = "";
      send(line);
    } else if (e.key === "Escape") {
      e.preventDefault();
      commandEl.value = "";
      send("^C");
    }
  });
  document.addEventListener("keydown", e => {
    if (document.activeElement !== commandEl && e.key.length === 1 && !e.ctrlKey && !e.metaKey) commandEl.focus();
  });

  // ---- toolbar -----------------------------------------------------------------
  document.getElementById("undo").onclick = () => send("U");
  document.getElementById("redo").onclick = () => send("REDO");
  document.getElementById("extents").onclick = zoomExtents;
  document.getElementById("save").onclick = async () => {
    const r = await api("/api/save", { method: "POST" });
    if (!r.ok) sessionEl.textContent = "finish the command first";
    follow();
  };
  for (const b of document.querySelectorAll("button[data-format]")) {
    b.onclick = () => {
      const a = document.createElement("a");
      a.href = `/api/download?format=${b.dataset.format}&token=${encodeURIComponent(token)}`;
      a.download = "";
      document.body.appendChild(a);
      a.click();
      a.remove();
    };
  }

  window.addEventListener("resize", resize);
  resize();
  follow();
  setInterval(async () => { const s = await poll(); if (s && s.changed) fetchView(); }, 1000);
  commandEl.focus();
})();
