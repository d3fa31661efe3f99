// The dashboard's page: three views over the server's JSON interface, kept
// up to date by asking for the overview every two seconds (an unchanged one
// costs a 304) and refetching what the current view shows when it changed.
"use strict";

const POLL_MS = 2000;
const PICTURES = [
  ["Image1", "Qualitätskurve"], ["Image2", "Aktivator-Gesetz"], ["Image7", "Inhibitor-Gesetz"],
  ["Image3", "Aktivator-Spektrum"], ["Image4", "Inhibitor-Spektrum"], ["Image9", "Startvektor"],
  ["Image8", "Zielvektor"], ["Image10", "bester entwickelter Vektor"],
];

const state = { overview: null, etag: null, route: null, charts: [], hidden: new Set(),
                comparison: null, xByEvaluations: false, chosenSetting: null, replayTimer: null };

// ---- helpers -------------------------------------------------------------

const view = () => document.getElementById("view");
function el(tag, attrs = {}, ...children) {
  const node = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) {
    if (k === "class") node.className = v;
    else if (k === "onclick") node.addEventListener("click", v);
    else node.setAttribute(k, v);
  }
  for (const c of children.flat()) node.append(c instanceof Node ? c : document.createTextNode(c ?? ""));
  return node;
}
const q = (v, digits = 6) => (v === null || v === undefined ? "–" : Number(v).toFixed(digits));
const settingLabel = (r) => `G=${r.generations} M=${r.mutants} P=${r.step_ppm}`;
function duration(seconds) {
  if (seconds === null || seconds === undefined) return "–";
  const s = Math.round(seconds);
  if (s < 60) return `${s} s`;
  if (s < 3600) return `${Math.floor(s / 60)} min ${s % 60} s`;
  return `${Math.floor(s / 3600)} h ${Math.floor((s % 3600) / 60)} min`;
}
async function getJson(url) {
  const response = await fetch(url, { cache: "no-store" });
  const body = await response.json().catch(() => ({}));
  return { status: response.status, body };
}
function chart(node) {
  const c = echarts.init(node, null, { renderer: "canvas" });
  state.charts.push(c);
  return c;
}
function disposeCharts() {
  for (const c of state.charts) c.dispose();
  state.charts = [];
}
window.addEventListener("resize", () => state.charts.forEach((c) => c.resize()));

// ---- polling -------------------------------------------------------------

async function poll() {
  const live = document.getElementById("live");
  try {
    const headers = state.etag ? { "If-None-Match": state.etag } : {};
    const response = await fetch("/api/overview", { headers, cache: "no-store" });
    if (response.status === 200) {
      state.overview = await response.json();
      state.etag = response.headers.get("ETag");
      onOverviewChanged();
    }
    live.className = "ok";
    live.textContent = "live";
  } catch (error) {
    live.className = "lost";
    live.textContent = "keine Verbindung zum Server";
  }
  setTimeout(poll, POLL_MS);
}

function onOverviewChanged() {
  const r = state.route;
  if (!r) return;
  if (r.view === "overview") renderOverview();
  else if (r.view === "compare") refreshComparison();
  else if (r.view === "run") refreshRunIfLive();
}

// ---- routing -------------------------------------------------------------

function parseRoute() {
  const parts = location.hash.replace(/^#\/?/, "").split("/").filter(Boolean);
  if (parts[0] === "compare") return { view: "compare", plan: parts[1] ? Number(parts[1]) : null };
  if (parts[0] === "run" && parts[1]) return { view: "run", id: Number(parts[1]) };
  return { view: "overview" };
}

function route() {
  clearTimeout(state.replayTimer);
  disposeCharts();
  state.route = parseRoute();
  state.comparison = null;
  state.chosenSetting = null;
  for (const a of document.querySelectorAll("nav a"))
    a.classList.toggle("active", a.dataset.view === state.route.view);
  view().replaceChildren();
  if (state.route.view === "overview") renderOverview();
  else if (state.route.view === "compare") renderCompareShell();
  else renderRun(state.route.id);
}
window.addEventListener("hashchange", route);

// ---- overview ------------------------------------------------------------

function renderOverview() {
  const o = state.overview;
  if (!o) { view().replaceChildren(el("p", { class: "muted" }, "lade …")); return; }
  disposeCharts();
  const root = el("div", { id: "overview" });
  root.append(el("h2", {}, "Pläne"));
  if (o.plans.length === 0) root.append(el("p", { class: "muted" }, "Die Datenbank enthält noch keinen Plan."));
  for (const p of o.plans) root.append(planCard(p));

  const running = o.running.runs;
  root.append(el("h2", {}, `Laufende Läufe (${running.length})`));
  if (running.length === 0) {
    root.append(el("p", { class: "muted" }, o.database.run_columns.includes("started")
      ? "Gerade läuft kein Lauf."
      : "Gerade läuft kein Lauf (diese Datenbank verzeichnet laufende Läufe nicht)."));
  } else {
    const gcol = o.running.generation_column, qcol = o.running.best_q_column;
    const extra = ["started", "host"].filter((c) => o.database.run_columns.includes(c));
    root.append(el("table", { id: "running-table" },
      el("tr", {}, el("th", {}, "Lauf"), el("th", {}, "Einstellung"), el("th", { class: "num" }, "Seed"),
        extra.map((c) => el("th", {}, c)), gcol ? el("th", { class: "num" }, "Generation") : [],
        qcol ? el("th", { class: "num" }, "bestes Q") : []),
      running.map((r) => el("tr", {},
        el("td", {}, el("a", { href: `#/run/${r.id}` }, `#${r.id}`)), el("td", {}, settingLabel(r)),
        el("td", { class: "num" }, String(r.seed)), extra.map((c) => el("td", {}, String(r[c] ?? "–"))),
        gcol ? el("td", { class: "num" }, `${r[gcol] ?? "–"} / ${r.generations}`) : [],
        qcol ? el("td", { class: "num" }, q(r[qcol])) : []))));
    const node = el("div", { class: "chart small", id: "live-chart" });
    root.append(el("h3", {}, "Bestes Q der laufenden Läufe, wie der Server es sah"), node);
    requestAnimationFrame(() => liveChart(node, running, gcol));
  }

  root.append(el("h2", {}, `Fehlgeschlagene Läufe (${o.failed_total})`));
  if (o.failed.length === 0) root.append(el("p", { class: "muted" }, "Kein Lauf ist fehlgeschlagen."));
  else root.append(el("table", { id: "failed-table" },
    el("tr", {}, el("th", {}, "Lauf"), el("th", {}, "Einstellung"), el("th", { class: "num" }, "Seed"),
      el("th", {}, "Rechner"), el("th", {}, "Fehler")),
    o.failed.map((r) => el("tr", {}, el("td", {}, `#${r.id}`), el("td", {}, settingLabel(r)),
      el("td", { class: "num" }, String(r.seed)), el("td", {}, r.host ?? "–"),
      el("td", { class: "error" }, r.error ?? "")))));
  view().replaceChildren(root);
}

function planCard(p) {
  const pct = (n) => `${(100 * n) / Math.max(1, p.runs)}%`;
  const estimate = p.estimate
    ? `noch etwa ${duration(p.estimate.seconds_left)} (${p.estimate.runs_per_second.toFixed(2)} Läufe/s)`
    : p.done + p.failed >= p.runs ? "fertig" : "keine Schätzung (gerade kein Fortschritt)";
  return el("section", { class: "card plan", "data-plan": String(p.key) },
    el("h3", {}, `Plan ${p.key}: ${p.settings} Einstellungen × ${p.repeat} Seeds = ${p.runs} Läufe `,
      el("a", { href: `#/compare/${p.key}` }, "Vergleich →")),
    el("pre", {}, p.command_line),
    el("div", { class: "bar" }, el("div", { class: "done", style: `width:${pct(p.done)}` }),
      el("div", { class: "failed", style: `width:${pct(p.failed)}` }),
      el("div", { class: "running", style: `width:${pct(p.running)}` })),
    el("div", { class: "facts" },
      el("span", { class: "progress" }, el("b", {}, `${p.done} von ${p.runs}`), " fertig"),
      el("span", {}, `${p.failed} fehlgeschlagen`), el("span", {}, `${p.running} laufen`),
      el("span", {}, `${p.pending} offen`), el("span", {}, "bestes Q ", el("b", {}, q(p.best_q))),
      el("span", { class: "estimate" }, estimate),
      el("span", { class: "muted" }, `gestartet ${p.first_started}` +
        (p.starts > 1 ? `, ${p.starts}-mal (zuletzt ${p.last_started})` : "") + ` auf ${p.host}`)));
}

function liveChart(node, runs, gcol) {
  const c = chart(node);
  c.setOption({
    animation: false, tooltip: { trigger: "axis" }, legend: { type: "scroll", top: 0 },
    grid: { left: 60, right: 20, top: 30, bottom: 30 },
    xAxis: { type: "value", name: gcol ? "Generation" : "s", nameLocation: "end" },
    yAxis: { type: "value", name: "bestes Q", scale: true },
    series: runs.map((r) => ({ name: `#${r.id}`, type: "line", showSymbol: false,
      data: r.live_curve.map(([s, g, bq]) => [gcol ? g : s, bq]) })),
  });
}

// ---- comparison ----------------------------------------------------------

function renderCompareShell() {
  const o = state.overview;
  if (!o) { view().replaceChildren(el("p", { class: "muted" }, "lade …")); return; }
  if (o.plans.length === 0) { view().replaceChildren(el("p", { class: "muted" }, "Noch kein Plan.")); return; }
  const key = state.route.plan ?? o.plans[o.plans.length - 1].key;
  state.route.plan = key;
  const select = el("select", { id: "plan-select" },
    o.plans.map((p) => { const opt = el("option", { value: String(p.key) }, `Plan ${p.key} (${p.runs} Läufe)`);
      if (p.key === key) opt.selected = true; return opt; }));
  select.addEventListener("change", () => { location.hash = `#/compare/${select.value}`; });
  const toggle = el("span", { class: "toggle" },
    el("button", { id: "x-generations", class: state.xByEvaluations ? "" : "on",
      onclick: () => { state.xByEvaluations = false; drawComparison(); } }, "nach Generationen"),
    el("button", { id: "x-evaluations", class: state.xByEvaluations ? "on" : "",
      onclick: () => { state.xByEvaluations = true; drawComparison(); } }, "nach Auswertungen"));
  view().replaceChildren(el("div", { id: "compare" },
    el("h2", {}, "Vergleich der Einstellungen ", select),
    el("div", { id: "compare-status", class: "muted" }, "wird berechnet …"),
    el("div", { id: "compare-tables" }),
    el("h3", {}, "Konvergenz: Median des besten Q (Band: erstes bis drittes Quartil) ", toggle),
    el("div", { class: "chart", id: "chart-convergence" }),
    el("div", { class: "grid2" },
      el("div", {}, el("h3", {}, "Finales Q je Einstellung"), el("div", { class: "chart", id: "chart-box" })),
      el("div", {}, el("h3", {}, "ECDF des finalen Q"), el("div", { class: "chart", id: "chart-ecdf" }))),
    el("div", { id: "setting-runs" })));
  refreshComparison();
}

async function refreshComparison() {
  const key = state.route.plan;
  // Opened by its address before the first overview came: the view is drawn now.
  if (!key || !document.getElementById("compare")) return renderCompareShell();
  const plan = state.overview.plans.find((p) => p.key === key);
  if (state.comparison && plan && state.comparison.done === plan.done) return;
  const { status, body } = await getJson(`/api/plans/${key}/comparison`);
  if (state.route.view !== "compare" || state.route.plan !== key) return;
  const info = document.getElementById("compare-status");
  if (status === 202) { setTimeout(refreshComparison, 700); return; }
  if (status !== 200 || body.error) { info.textContent = body.error ?? `Fehler ${status}`; return; }
  const changed = !state.comparison || JSON.stringify(state.comparison) !== JSON.stringify(body);
  state.comparison = body;
  info.textContent = `${body.done} fertige Läufe, berechnet in ${body.seconds.toFixed(2)} s` +
    (plan && plan.done !== body.done ? " (wird gerade neu berechnet)" : "");
  if (plan && plan.done !== body.done) setTimeout(refreshComparison, 1000);
  if (changed) { renderTables(body); drawComparison(); }
}

function renderTables(body) {
  const holder = document.getElementById("compare-tables");
  holder.replaceChildren();
  for (const table of body.tables) {
    const rows = table.rows.map((row, i) => {
      const tr = el("tr", { class: "clickable" + (i === 0 && row.runs > 0 ? " best" : "") +
        (state.chosenSetting === row.setting ? " chosen" : ""), "data-setting": row.setting ?? "" },
        table.columns.map((c) => {
          const v = row[c.key];
          return el("td", { class: typeof v === "number" ? "num" : "" },
            typeof v === "number" && !Number.isInteger(v) ? q(v) : String(v ?? "–"));
        }));
      if (row.generations) tr.addEventListener("click", () => showSettingRuns(row));
      return tr;
    });
    holder.append(el("h3", {}, table.title),
      el("table", { class: "compare-table", id: `table-${table.id}` },
        el("tr", {}, table.columns.map((c) => el("th", {}, c.label))), rows),
      table.note ? el("p", { class: "muted" }, table.note) : "");
  }
}

async function showSettingRuns(row) {
  state.chosenSetting = row.setting;
  for (const tr of document.querySelectorAll(".compare-table tr[data-setting]"))
    tr.classList.toggle("chosen", tr.dataset.setting === row.setting);
  const url = `/api/runs?plan=${state.route.plan}&generations=${row.generations}&mutants=${row.mutants}` +
    `&step_ppm=${row.step_ppm}&status=done&order=best_q&limit=50`;
  const { body } = await getJson(url);
  document.getElementById("setting-runs").replaceChildren(
    el("h3", {}, `Läufe von ${row.setting}, beste zuerst (${body.runs.length} von ${body.total})`),
    el("table", { id: "setting-runs-table" },
      el("tr", {}, el("th", {}, "Lauf"), el("th", { class: "num" }, "Seed"), el("th", { class: "num" }, "finales Q"),
        el("th", { class: "num" }, "beste Generation"), el("th", { class: "num" }, "Sekunden")),
      body.runs.map((r) => el("tr", {}, el("td", {}, el("a", { href: `#/run/${r.id}` }, `#${r.id}`)),
        el("td", { class: "num" }, String(r.seed)), el("td", { class: "num" }, q(r.best_q)),
        el("td", { class: "num" }, String(r.best_generation ?? "–")), el("td", { class: "num" }, q(r.seconds, 3))))));
}

function drawComparison() {
  const body = state.comparison;
  if (!body) return;
  for (const b of document.querySelectorAll(".toggle button"))
    b.classList.toggle("on", (b.id === "x-evaluations") === state.xByEvaluations);
  disposeCharts();
  const settings = body.charts.settings;
  const selected = Object.fromEntries(settings.map((s) => [s.label, !state.hidden.has(s.label)]));
  const legend = { type: "scroll", top: 0, selected };
  const x = (s, g) => (state.xByEvaluations ? g * s.mutants : g);

  const convergence = chart(document.getElementById("chart-convergence"));
  const series = [];
  settings.forEach((s, i) => {
    const c = s.convergence;
    const color = palette(i);
    series.push({ name: s.label, type: "line", showSymbol: false, color, lineStyle: { width: 2, type: i >= 12 ? "dashed" : "solid" },
      data: c.generation.map((g, k) => [x(s, g), c.median[k]]) });
    series.push({ name: s.label, type: "line", showSymbol: false, color, lineStyle: { opacity: 0 }, stack: `band${i}`,
      data: c.generation.map((g, k) => [x(s, g), c.q1[k]]), tooltip: { show: false }, silent: true });
    series.push({ name: s.label, type: "line", showSymbol: false, color, lineStyle: { opacity: 0 }, stack: `band${i}`,
      areaStyle: { opacity: 0.12 }, data: c.generation.map((g, k) => [x(s, g), c.q3[k] - c.q1[k]]),
      tooltip: { show: false }, silent: true });
  });
  convergence.setOption({
    animation: false, legend, grid: { left: 60, right: 30, top: 40, bottom: 40 },
    tooltip: { trigger: "axis", valueFormatter: (v) => q(v) },
    xAxis: { type: "value", name: state.xByEvaluations ? "Auswertungen" : "Generation", nameLocation: "middle", nameGap: 26 },
    yAxis: { type: "value", name: "Median des besten Q", scale: true },
    series,
  });

  const visible = settings.filter((s) => !state.hidden.has(s.label));
  const box = chart(document.getElementById("chart-box"));
  box.setOption({
    animation: false, grid: { left: 60, right: 20, top: 20, bottom: 70 },
    tooltip: { trigger: "item" },
    xAxis: { type: "category", data: visible.map((s) => s.label), axisLabel: { rotate: 30 } },
    yAxis: { type: "value", name: "finales Q", scale: true },
    series: [
      { name: "Quartile", type: "boxplot", itemStyle: { borderColor: "#1d2630" },
        data: visible.map((s) => ({ value: [s.box.low_whisker, s.box.q1, s.box.median, s.box.q3, s.box.high_whisker],
          itemStyle: { color: palette(settings.indexOf(s)) + "55" } })),
        tooltip: { formatter: (p) => `${p.name}<br>Whisker ${q(p.value[1])} – ${q(p.value[5])}<br>` +
          `Quartile ${q(p.value[2])} / ${q(p.value[3])} / ${q(p.value[4])}` } },
      { name: "Ausreißer", type: "scatter", symbolSize: 6,
        data: visible.flatMap((s, i) => s.box.outliers.map((v) => [i, v])) },
    ],
  });

  const ecdf = chart(document.getElementById("chart-ecdf"));
  ecdf.setOption({
    animation: false, legend, grid: { left: 50, right: 20, top: 40, bottom: 40 },
    tooltip: { trigger: "item", formatter: (p) => `${p.seriesName}<br>Q ≤ ${q(p.value[0])}: ${(100 * p.value[1]).toFixed(1)} %` },
    xAxis: { type: "value", name: "finales Q", nameLocation: "middle", nameGap: 26, scale: true },
    yAxis: { type: "value", name: "Anteil der Läufe", min: 0, max: 1 },
    series: settings.map((s, i) => ({ name: s.label, type: "line", step: "end", showSymbol: false, color: palette(i), data: s.ecdf })),
  });

  // A setting hidden or shown in one chart is hidden or shown in all.
  for (const c of [convergence, ecdf])
    c.on("legendselectchanged", (event) => {
      state.hidden = new Set(Object.entries(event.selected).filter(([, on]) => !on).map(([name]) => name));
      drawComparison();
    });
}

function palette(i) {
  const colours = ["#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd", "#8c564b",
                   "#e377c2", "#17becf", "#bcbd22", "#7f7f7f", "#393b79", "#637939"];
  return colours[i % colours.length];
}

// ---- one run -------------------------------------------------------------

async function renderRun(id) {
  const { status, body } = await getJson(`/api/runs/${id}`);
  if (state.route.view !== "run" || state.route.id !== id) return;
  if (status !== 200) { view().replaceChildren(el("p", { class: "error" }, body.error ?? `Fehler ${status}`)); return; }
  state.runStatus = body.run.status;
  disposeCharts();
  const r = body.run;
  const facts = [["bestes Q", q(r.best_q, 10)], ["beste Generation", r.best_generation ?? "–"],
    ["Auswertungen", r.evaluations ?? "–"], ["Sekunden", q(r.seconds, 3)], ["Rechner", r.host ?? "–"]];
  const root = el("div", { id: "run", "data-run": String(id) },
    el("h2", {}, `Lauf #${id} · ${body.setting} · Seed ${r.seed} `, el("span", { class: `status ${r.status}` }, r.status)),
    el("div", { class: "facts" }, facts.map(([k, v]) => el("span", {}, `${k} `, el("b", {}, String(v))))),
    r.error ? el("p", { class: "error" }, r.error) : "",
    el("h3", {}, "Der Lauf noch einmal, ohne Fenster"), el("pre", { id: "replay-command" }, body.replay_command),
    el("h3", {}, "Bestes Q und Schrittweite je Generation"), el("div", { class: "chart", id: "chart-run" }),
    el("h3", {}, "Das beste Gesetz"), el("div", { id: "law" }),
    el("h3", {}, "Die acht Bilder des Fensters am Ende des Laufs"), el("div", { id: "pictures", class: "pictures" }),
    el("div", { id: "protocol" }));
  view().replaceChildren(root);
  runChart(document.getElementById("chart-run"), body.curve);
  renderLaw(document.getElementById("law"), body.law);
  if (r.status === "done") askReplay(id);
  else document.getElementById("pictures").append(el("p", { class: "muted" },
    "Bilder und Protokoll gibt es, sobald der Lauf fertig ist."));
}

function refreshRunIfLive() {
  if (state.runStatus && state.runStatus !== "done") renderRun(state.route.id);
}

function runChart(node, curve) {
  const c = chart(node);
  c.setOption({
    animation: false, legend: { top: 0 }, tooltip: { trigger: "axis" },
    grid: { left: 70, right: 70, top: 40, bottom: 40 },
    xAxis: { type: "value", name: "Generation", nameLocation: "middle", nameGap: 26, min: 1 },
    yAxis: [{ type: "value", name: "bestes Q", scale: true },
      { type: "value", name: "Schrittweite", scale: true, splitLine: { show: false },
        axisLabel: { formatter: (v) => v.toExponential(1) } }],
    series: [
      { name: "bestes Q", type: "line", step: "end", showSymbol: false, data: curve.generation.map((g, i) => [g, curve.best_q[i]]) },
      { name: "Schrittweite", type: "line", yAxisIndex: 1, showSymbol: false, lineStyle: { width: 1 },
        data: curve.generation.map((g, i) => [g, curve.step_width[i]]) },
    ],
  });
}

function renderLaw(holder, law) {
  if (!law.available) { holder.append(el("p", { class: "muted", id: "law-missing" }, `Kein Gesetz gespeichert: ${law.reason}.`)); return; }
  if (law.activator && law.inhibitor) {
    holder.append(el("div", { class: "grid2" },
      el("table", { id: "law-table" },
        el("tr", {}, el("th", { class: "num" }, "i"), el("th", { class: "num" }, "Aktivator"), el("th", { class: "num" }, "Inhibitor")),
        law.activator.map((a, i) => el("tr", {}, el("td", { class: "num" }, String(i + 1)),
          el("td", { class: "num" }, a.toPrecision(12)), el("td", { class: "num" }, law.inhibitor[i].toPrecision(12))))),
      el("div", { class: "chart small", id: "chart-law" })));
    const c = chart(document.getElementById("chart-law"));
    c.setOption({ animation: false, legend: { top: 0 }, tooltip: { trigger: "axis" },
      grid: { left: 70, right: 20, top: 30, bottom: 30 },
      xAxis: { type: "category", data: law.activator.map((_, i) => String(i + 1)) }, yAxis: { type: "value" },
      series: [{ name: "Aktivator", type: "bar", data: law.activator }, { name: "Inhibitor", type: "bar", data: law.inhibitor }] });
  }
  if (law.step !== null && law.step !== undefined) holder.append(el("p", {}, "Schrittweite ", el("b", {}, String(law.step))));
  holder.append(el("details", {}, el("summary", {}, "Die Gesetzesdatei, exakt"), el("pre", { id: "law-text" }, law.text)));
}

async function askReplay(id) {
  const pictures = document.getElementById("pictures");
  if (!pictures || state.route.id !== id) return;
  const { status, body } = await getJson(`/api/runs/${id}/replay`);
  if (state.route.view !== "run" || state.route.id !== id) return;
  if (status === 429 || body.state === "queued" || body.state === "running") {
    pictures.replaceChildren(el("p", { class: "muted", id: "replay-state" }, status === 429
      ? "Die Warteschlange der Nachrechnungen ist voll; gleich noch einmal …"
      : body.state === "queued" ? `Nachrechnung wartet (Platz ${body.position + 1}) …` : "Der Lauf wird nachgerechnet …"));
    state.replayTimer = setTimeout(() => askReplay(id), status === 429 ? 3000 : 500);
    return;
  }
  if (status !== 200 || body.state !== "ready") {
    pictures.replaceChildren(el("p", { class: "error" }, body.error ?? `Fehler ${status}`));
    return;
  }
  const captions = Object.fromEntries(PICTURES);
  const order = PICTURES.map(([n]) => n).filter((n) => body.pictures.includes(n));
  pictures.replaceChildren(...order.map((name) => el("figure", {},
    el("img", { class: "picture", src: `/api/runs/${id}/pictures/${name}.png`, alt: captions[name], "data-name": name }),
    el("figcaption", {}, `${captions[name]} (${name})`))));
  document.getElementById("protocol").replaceChildren(el("h3", {}, "Protokoll"),
    el("p", {}, el("a", { id: "protocol-link", href: `/api/runs/${id}/protocol`, download: "" },
      `Protokoll herunterladen (${body.protocol_bytes} Bytes)`), " ",
      el("span", { id: "protocol-check", class: body.protocol_matches_database ? "" : "error" },
        body.protocol_matches_database
          ? "– stimmt ab der zweiten Zeile mit dem Lauf der Serie überein (SHA-256 wie in der Datenbank)."
          : "– weicht vom Lauf der Serie ab (SHA-256 nicht wie in der Datenbank)!")));
}

// ---- start ---------------------------------------------------------------

route();
poll();
