// From the click on 預覽列印 to page 1 drawn, in Debian's chromium, against the wall time of
// `zol5300 report` for the same filters on the same package; then paging by the button.
//   node bench/web_click_bench.mjs ZOL5300 BASE     (BASE: a package folder, SQLite or Jet)
// Uses the playwright-core that scripts/install-deps puts into tests/browser. Not part of the
// suite: a large package takes minutes.
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from '../tests/browser/node_modules/playwright-core/index.mjs';

const [bin, base] = process.argv.slice(2);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zol_click_'));
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const zol = (args, input) => execFileSync(bin, args, { encoding: 'utf8', input, maxBuffer: 1 << 28 });

const iso = zol(['sql', path.join(base, 'mdb', 'ZOL.mdb'),
  'select max(TranDay) from ZOL10_Agency where PayStas = -1']).trim();
const date = `${String(Number(iso.slice(0, 4)) - 1911).padStart(3, '0')}/${iso.slice(5, 7)}/${iso.slice(8, 10)}`;
const cli = [];
for (let i = 0; i < 4; i++) {
  const t = process.hrtime.bigint();
  zol(['report', base, '--tranday', date]);
  if (i) cli.push(Number(process.hrtime.bigint() - t) / 1e6);  // the first warms the caches
}

const users = path.join(work, 'users');
zol(['serve-user', 'add', 'clerk', '--users', users], 'bench-password-1\n');
const server = spawn(bin, ['serve', base, '--users', users, '--listen', '127.0.0.1:0',
  '--runs', path.join(work, 'runs')], { stdio: ['ignore', 'ignore', 'pipe'] });
const url = await new Promise((resolve) => {
  let log = '';
  server.stderr.on('data', (c) => {
    log += c;
    const m = /http:\/\/127\.0\.0\.1:(\d+)\//.exec(log);
    if (m) resolve(`http://127.0.0.1:${m[1]}`);
  });
});
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true,
  args: process.getuid() === 0 ? ['--no-sandbox'] : [] });
try {
  const page = await (await browser.newContext({ viewport: { width: 1366, height: 768 } })).newPage();
  page.setDefaultTimeout(600000);
  await page.goto(url + '/login');
  await page.fill('#user', 'clerk');
  await page.fill('#password', 'bench-password-1');
  await Promise.all([page.waitForURL(url + '/'), page.click('button[type=submit]')]);
  const web = [], paging = [];
  for (let i = 0; i < 4; i++) {
    await page.goto(url + '/', { waitUntil: 'networkidle' });
    // The groups of the date are listed before the clerk clicks, as on screen.
    await Promise.all([page.waitForResponse(/\/lists\/groups/), page.selectOption('#CBO_TranDay', date)]);
    const t = process.hrtime.bigint();
    await page.click('#Cmd_preprint');
    await page.waitForURL(/\/runs\//);
    await page.waitForFunction(() => document.fonts.status === 'loaded' &&
      document.getElementById('PREPRINT_TEXT')?.textContent.length > 0);
    await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => r())));
    if (i) web.push(Number(process.hrtime.bigint() - t) / 1e6);
  }
  // Timed inside the page, from the click to the frame that shows the new text, so that the
  // driver's own round trips are not counted.
  for (let i = 0; i < 10; i++) {
    paging.push(await page.evaluate(() => new Promise((resolve) => {
      const text = document.getElementById('PREPRINT_TEXT');
      const start = performance.now();
      new MutationObserver((_, seen) => {
        seen.disconnect();
        requestAnimationFrame(() => requestAnimationFrame(() => resolve(performance.now() - start)));
      }).observe(text, { childList: true, characterData: true, subtree: true });
      document.getElementById('CMD_NEXTPAGE').click();
    })));
  }
  const c = median(cli), w = median(web);
  console.log(`report --tranday ${date}: ${c.toFixed(0)} ms (median of 3)`);
  console.log(`click on 預覽列印 to page 1 drawn: ${w.toFixed(0)} ms (median of 3); ` +
    `bound 1.2 x report + 300 ms = ${(1.2 * c + 300).toFixed(0)} ms: ${w <= 1.2 * c + 300 ? 'ok' : 'OVER'}`);
  console.log(`next page drawn: median ${median(paging).toFixed(0)} ms, slowest ` +
    `${Math.max(...paging).toFixed(0)} ms over 10 (bound 100 ms)`);
} finally {
  await browser.close();
  server.kill();
  fs.rmSync(work, { recursive: true, force: true });
}
