// The dashboard's page as a person sees it: a small fixed-seed series, the
// server over its database, and headless Chromium driven by Playwright.
//   ZARUDIV_SERIES      the zarudiv-series executable
//   ZARUDIV_NODE_MODULES the folder that holds playwright-core
//   ZARUDIV_SCREENSHOTS  (optional) a folder for a screenshot of every view
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { spawn, spawnSync } from "node:child_process";
import { createRequire } from "node:module";
import { existsSync, mkdtempSync, rmSync, readFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";

const series = process.env.ZARUDIV_SERIES;
const chromiumPath = "/usr/bin/chromium";
const moduleDir = process.env.ZARUDIV_NODE_MODULES ?? "";
const shots = process.env.ZARUDIV_SCREENSHOTS;
const missing = !existsSync(chromiumPath) ? `${chromiumPath} is missing (tools/install-deps.sh installs it)`
  : !existsSync(join(moduleDir, "playwright-core")) ? `playwright-core is missing in ${moduleDir} (tools/install-deps.sh runs npm ci)`
  : null;

const dir = mkdtempSync(join(tmpdir(), "zarudiv-dashboard-"));
const db = join(dir, "series.sqlite");
const plan = ["--generations", "30,60", "--mutants", "4", "--step", "100,900", "--seed", "7", "--db", db, "--threads", "2"];
let server, address, context, page, table;

function runSeries(repeat) {
  const run = spawnSync(series, [...plan, "--repeat", String(repeat)], { encoding: "utf8" });
  assert.equal(run.status, 0, run.stderr);
  return run.stdout;
}

async function api(path) {
  const response = await fetch(address + path);
  return response.json();
}

async function shot(name) {
  if (shots) await page.screenshot({ path: join(shots, `${name}.png`), fullPage: true });
}

before(async () => {
  if (missing) return;
  table = runSeries(3);
  server = spawn(series, ["serve", "--db", db, "--port", "0"], { stdio: ["ignore", "ignore", "pipe"] });
  address = await new Promise((resolve, reject) => {
    let said = "";
    server.stderr.on("data", (chunk) => {
      said += chunk;
      const found = said.match(/(http:\/\/127\.0\.0\.1:\d+)\//);
      if (found) resolve(found[1]);
    });
    server.on("exit", (code) => reject(new Error(`serve ended with ${code}: ${said}`)));
  });
  const { chromium } = createRequire(join(moduleDir, "/"))("playwright-core");
  context = await chromium.launchPersistentContext(join(dir, "profile"), {
    executablePath: chromiumPath,
    headless: true,
    viewport: { width: 1280, height: 900 },
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
  page = context.pages()[0] ?? (await context.newPage());
});

after(async () => {
  if (context) await context.close();
  if (server) server.kill("SIGTERM");
  rmSync(dir, { recursive: true, force: true });
});

test("the overview lists the plan with its progress", { skip: missing ?? false }, async () => {
  await page.goto(address + "/");
  const card = page.locator('section.plan[data-plan="1"]');
  await card.waitFor();
  assert.match(await card.locator("pre").innerText(), /--generations 30,60 --mutants 4 --step 100,900 --seed 7/);
  assert.equal(await card.locator(".progress").innerText(), "12 von 12 fertig");
  await shot("overview");
});

test("the comparison table has the series' best setting first", { skip: missing ?? false }, async () => {
  // The series prints its table best first; its first setting is the best.
  const best = table.split("\n")[1].match(/^(G=\d+ M=\d+ P=\d+)/)[1];
  await page.goto(address + "/#/compare/1");
  const bestRow = page.locator("#table-summary tr.best");
  await bestRow.waitFor();
  assert.equal(await bestRow.locator("td").first().innerText(), best);
  assert.equal(await page.locator("#table-summary tr[data-setting]").count(), 4);
  await page.locator("#chart-convergence canvas").waitFor();
  await shot("comparison");
  await bestRow.click();
  await page.locator("#setting-runs-table a").first().waitFor();
  assert.equal(await page.locator("#setting-runs-table a").count(), 3);
});

test("a run's page shows its pictures, its protocol and its law", { skip: missing ?? false }, async () => {
  const runs = await api("/api/runs?plan=1&generations=60&mutants=4&step_ppm=900&order=best_q&limit=1");
  const id = runs.runs[0].id;
  await page.goto(`${address}/#/run/${id}`);
  await page.locator("#replay-command").waitFor();
  assert.equal(await page.locator("#replay-command").innerText(),
    `zarudiv-run --generations 60 --mutants 4 --step 900 --seed ${runs.runs[0].seed} --save --plots DIR`);
  await page.locator("img.picture").nth(7).waitFor();
  // Every picture arrived whole, at the size of the window's image area.
  const sizes = await page.$$eval("img.picture", async (images) => {
    await Promise.all(images.map((img) => img.decode()));
    return Object.fromEntries(images.map((img) => [img.dataset.name, [img.naturalWidth, img.naturalHeight]]));
  });
  assert.deepEqual(sizes.Image1, [225, 289]);
  assert.deepEqual(sizes.Image10, [217, 153]);
  assert.equal(Object.keys(sizes).length, 8);
  assert.match(await page.locator("#protocol-check").innerText(), /stimmt .* überein/);
  // The law is shown where the database keeps one (runs.best_law); an older
  // database says that it has none.
  const overview = await api("/api/overview");
  if (overview.database.run_columns.includes("best_law")) {
    assert.equal(await page.locator("#law-table tr").count(), 21);
  } else {
    assert.match(await page.locator("#law-missing").innerText(), /Kein Gesetz gespeichert/);
  }
  await shot("run");
});

test("a run added while the page is open appears without a reload", { skip: missing ?? false }, async () => {
  await page.goto(address + "/");
  await page.locator('section.plan[data-plan="1"]').waitFor();
  await page.evaluate(() => { window.notReloaded = true; });
  runSeries(4);  // four more seeds: a second plan whose runs share the first's
  const card = page.locator('section.plan[data-plan="2"]');
  await card.waitFor({ timeout: 15000 });
  assert.equal(await card.locator(".progress").innerText(), "16 von 16 fertig");
  assert.equal(await page.evaluate(() => window.notReloaded), true);
});
