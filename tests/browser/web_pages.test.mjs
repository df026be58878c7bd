// The web pages in a real browser (Debian's chromium through playwright-core): login, the
// query page's lists, check and keys, the preview's paging, find and downloads against
// `zol5300 report`, the layout on a phone and an office screen, and the report's columns
// with no Chinese font on the client.
//   ZOL5300_BIN=build/zol5300 node --test tests/browser/
//   ZOL_SCREENSHOTS=1 ... also rewrites docs/web-{login,query,preview}.png
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const bin = process.env.ZOL5300_BIN;
const root = fileURLToPath(new URL('../..', import.meta.url));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zol_browser_'));
const user = 'clerk1', password = 'correct-horse-7';
const office = { width: 1366, height: 768 }, phone = { width: 390, height: 844 };

// ---- shared helpers ---------------------------------------------------------------------
const zol = (args, input) => execFileSync(bin, args,
  { encoding: 'utf8', input, maxBuffer: 1 << 26, stdio: ['pipe', 'pipe', 'pipe'] });

function startServer() {
  const base = path.join(work, 'base');
  zol(['sampledb', base, '--students', '1200', '--seed', '1']);
  for (const d of ['exe', 'rpt']) fs.mkdirSync(path.join(base, d), { recursive: true });
  // The command's runs use a copy, so they never meet the server's report files.
  fs.mkdirSync(path.join(work, 'ref', 'mdb'), { recursive: true });
  fs.copyFileSync(path.join(base, 'mdb', 'ZOL.mdb'), path.join(work, 'ref', 'mdb', 'ZOL.mdb'));
  const users = path.join(work, 'users');
  zol(['serve-user', 'add', user, '--users', users], `${password}\n${password}\n`);
  const child = spawn(bin, ['serve', base, '--users', users, '--listen', '127.0.0.1:0',
    '--runs', path.join(work, 'runs')], { stdio: ['ignore', 'ignore', 'pipe'] });
  let log = '';
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('serve did not start: ' + log)), 10000);
    child.on('exit', (code) => reject(new Error(`serve ended (${code}): ${log}`)));
    child.stderr.on('data', (chunk) => {
      log += chunk;
      const m = /http:\/\/127\.0\.0\.1:(\d+)\//.exec(log);
      if (m) { clearTimeout(timer); resolve({ child, url: `http://127.0.0.1:${m[1]}` }); }
    });
  });
}

// `zol5300 report` on the copy, for the same filters.
const reference = (...args) => zol(['report', path.join(work, 'ref'), ...args]);
const refPages = new Map();
function refPage(date, n) {
  const key = `${date}#${n}`;
  if (!refPages.has(key)) refPages.set(key, reference('--tranday', date, '--show', '--page', String(n)).replaceAll('\r', ''));
  return refPages.get(key);
}

const launch = (env) => chromium.launch({
  executablePath: '/usr/bin/chromium', headless: true,
  args: process.getuid?.() === 0 ? ['--no-sandbox'] : [], ...(env ? { env } : {}),
});

// A page that answers every alert and confirm with OK and keeps their texts.
async function newPage(browser, viewport = office) {
  const page = await (await browser.newContext({ viewport, acceptDownloads: true })).newPage();
  page.setDefaultTimeout(10000);
  page.dialogs = [];
  page.on('dialog', (d) => { page.dialogs.push(d.message()); d.accept(); });
  return page;
}

async function logIn(page, url) {
  await page.goto(url + '/login');
  await page.fill('#user', user);
  await page.fill('#password', password);
  await Promise.all([page.waitForResponse((r) => r.request().method() === 'POST'),
    page.click('button[type=submit]')]);
  await page.waitForLoadState();
  assert.equal(page.url(), url + '/', `login refused: ${await page.textContent('main')}`);
}

// 預覽列印 of one date from the query page; resolves on the preview page.
async function preview(page, url, date) {
  if (!page.url().endsWith('/')) await page.goto(url + '/');
  await page.selectOption('#CBO_TranDay', date);
  await Promise.all([page.waitForURL(/\/runs\/[0-9a-f]+$/), page.click('#Cmd_preprint')]);
}

const activeId = (page) => page.evaluate(() => document.activeElement?.id ?? '');
const shown = (page) => page.textContent('#PREPRINT_TEXT');
const pageNo = async (page) => Number(await page.inputValue('#LAB_NOWSPAGE'));
// Waits until the page box says `n`, then gives the text shown.
async function onPage(page, n) {
  await page.waitForFunction((want) => document.getElementById('LAB_NOWSPAGE').value === String(want), n);
  return shown(page);
}
// Waits until the window has stopped scrolling (keys scroll smoothly).
const settled = (page) => page.evaluate(async () => {
  for (let last = -1; last !== scrollY;) { last = scrollY; await new Promise((r) => setTimeout(r, 150)); }
});
// Milliseconds from a click on `id` until the page text changes.
const timedClick = (page, id) => page.evaluate((id) => new Promise((resolve) => {
  const start = performance.now();
  new MutationObserver((_, o) => { o.disconnect(); resolve(performance.now() - start); })
    .observe(document.getElementById('PREPRINT_TEXT'), { childList: true, characterData: true, subtree: true });
  document.getElementById(id).click();
}), id);

// ---- the run ----------------------------------------------------------------------------
let server, browser, page, dates, date, pages;

before(async () => {
  assert.ok(bin, 'ZOL5300_BIN must name the built zol5300');
  server = await startServer();
  browser = await launch();
  page = await newPage(browser);
});
after(async () => {
  await browser?.close();
  server?.child.kill('SIGTERM');
  fs.rmSync(work, { recursive: true, force: true });
});

test('logging in through the form; Lst_group follows the collection date picked', async () => {
  await logIn(page, server.url);
  dates = await page.$$eval('#CBO_TranDay option', (os) => os.map((o) => o.value).filter(Boolean));
  assert.ok(dates.length >= 3, `dates: ${dates}`);
  const groups = async (d) => (await (await page.request.get(
    `${server.url}/lists/groups?` + new URLSearchParams({ CBO_TranDay: d, CBO_TranDay2: '' }))).json())
    .map(([text, id]) => `${id}:${text}`);
  const listed = () => page.$$eval('#Lst_group option', (os) => os.map((o) => `${o.value}:${o.textContent}`));
  // Two dates whose groups differ, so a list that stays behind is seen.
  const first = dates[0], firstGroups = await groups(first);
  let second;
  for (const d of dates.slice(1)) if ((await groups(d)).join() !== firstGroups.join()) { second = d; break; }
  assert.ok(second, 'every date has the same groups');
  for (const d of [first, second, first]) {
    const before = await listed(), want = await groups(d);
    assert.notDeepEqual(before, want);
    await page.selectOption('#CBO_TranDay', d);
    await page.waitForFunction((w) => [...document.querySelectorAll('#Lst_group option')]
      .map((o) => `${o.value}:${o.textContent}`).join('\n') === w, want.join('\n'));
    assert.ok(await page.isDisabled('#Lst_group'), '全部 is on again after a new date');
  }
  date = dates[0];
});

test('the check of 預覽列印, Enter in the tab order, Alt+Z', async () => {
  await page.goto(server.url + '/');
  await page.click('#Cmd_preprint');
  await page.waitForFunction(() => document.activeElement?.id === 'CBO_TranDay');
  assert.deepEqual(page.dialogs.splice(0), ['收 款 日 期 必 須 輸 入']);
  assert.match(page.url(), /\/$/);
  // CBO_GrpID is not on the page, so Enter skips it as Tab would.
  for (const [from, to] of [['CBO_TranDay', 'CBO_Grade'], ['CBO_SeatNo2', 'Txt_StdNo1'],
    ['Txt_StdNo1', 'Txt_StdNo2'], ['Txt_StdNo2', 'Cmd_print'], ['Msk_payday2', 'CBO_ClsID2']]) {
    await page.focus('#' + from);
    await page.keyboard.press('Enter');
    assert.equal(await activeId(page), to, `Enter in ${from}`);
  }
  await page.selectOption('#CBO_TranDay', date);
  await Promise.all([page.waitForURL(/\/runs\/[0-9a-f]+$/), page.keyboard.press('Alt+KeyZ')]);
  assert.deepEqual(page.dialogs, []);
});

test('preview paging equals the command\'s pages', async (t) => {
  pages = Number(await page.textContent('#LBL_TOTPAGE'));
  assert.ok(pages >= 4, `pages: ${pages}`);
  assert.equal(await shown(page), refPage(date, 1));
  const times = [];
  times.push(await timedClick(page, 'CMD_NEXTPAGE'));
  assert.equal(await onPage(page, 2), refPage(date, 2));
  times.push(await timedClick(page, 'CMD_LASTPAGE'));
  assert.equal(await onPage(page, pages), refPage(date, pages));
  times.push(await timedClick(page, 'CMD_PREPAGE'));
  assert.equal(await onPage(page, pages - 1), refPage(date, pages - 1));
  times.push(await timedClick(page, 'CMD_FIRSTPAGE'));
  assert.equal(await onPage(page, 1), refPage(date, 1));
  for (let i = 0; i < 6; i++) times.push(await timedClick(page, i % 2 ? 'CMD_PREPAGE' : 'CMD_NEXTPAGE'));
  times.sort((a, b) => a - b);
  t.diagnostic(`paging, click to text changed: median ${times[times.length >> 1].toFixed(1)} ms, ` +
    `slowest ${times.at(-1).toFixed(1)} ms over ${times.length} clicks`);

  await page.click('#CMD_LASTPAGE');
  await onPage(page, pages);
  await page.focus('#PREPRINT_TEXT');
  await page.keyboard.press('Control+Home');
  assert.equal(await onPage(page, 1), refPage(date, 1));
  await page.keyboard.press('Control+End');
  assert.equal(await onPage(page, pages), refPage(date, pages));
  await page.keyboard.press('Control+Home');
  await onPage(page, 1);
  // PageDown scrolls while the page goes on below, and turns the page at its bottom.
  const tall = await page.evaluate(() => document.documentElement.scrollHeight > innerHeight + 10);
  if (tall) {
    await page.keyboard.press('PageDown');
    await settled(page);
    assert.ok(await page.evaluate(() => scrollY > 0), 'PageDown scrolls');
    assert.equal(await pageNo(page), 1, 'PageDown above the bottom stays on the page');
  }
  await page.evaluate(() => scrollTo(0, document.documentElement.scrollHeight));
  await page.keyboard.press('PageDown');
  assert.equal(await onPage(page, 2), refPage(date, 2));
  assert.equal(await page.evaluate(() => scrollY), 0, 'a new page starts at its top');
  await page.keyboard.press('PageUp');
  assert.equal(await onPage(page, 1), refPage(date, 1));
  await page.fill('#LAB_NOWSPAGE', '3');
  await page.press('#LAB_NOWSPAGE', 'Enter');
  await page.waitForFunction((w) => document.getElementById('PREPRINT_TEXT').textContent === w, refPage(date, 3));
  assert.match(page.url(), /\?page=3$/);
});

test('find: Ctrl+F, a text, Enter marks it on the page shown', async () => {
  await page.click('#CMD_FIRSTPAGE');
  await onPage(page, 1);
  await page.focus('#PREPRINT_TEXT');
  await page.keyboard.press('Control+KeyF');
  assert.equal(await activeId(page), 'find_text');
  // A class of the last page's heading that page 1 does not hold, so find has to turn pages.
  const first = refPage(date, 1);
  const classes = [...refPage(date, pages).matchAll(/\d\d\((\S+?)\)/g)].map((m) => m[1]);
  const q = classes.find((c) => !first.includes(c));
  assert.ok(q, `classes of the last page: ${classes}`);
  let want = 2;
  while (!refPage(date, want).includes(q)) want++;
  await page.keyboard.type(q);
  await page.keyboard.press('Enter');
  await page.waitForSelector('#PREPRINT_TEXT span.found mark');
  assert.equal(await pageNo(page), want);
  assert.equal(await shown(page), refPage(date, want));
  assert.equal(await page.textContent('#PREPRINT_TEXT span.found mark'), q);
  const line = await page.textContent('#PREPRINT_TEXT span.found');
  assert.ok(refPage(date, want).split('\n').includes(line), `marked line: ${line}`);
});

test('PDF and Excel downloads equal the command\'s', async () => {
  const save = async (id, name) => {
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#' + id)]);
    assert.equal(download.suggestedFilename().split('.').pop(), name.split('.').pop());
    const to = path.join(work, name);
    await download.saveAs(to);
    return to;
  };
  const webPdf = await save('CMD_PDF', 'web.pdf'), webBook = await save('CMD_EXCEL', 'web.xlsx');
  const cliPdf = path.join(work, 'cli.pdf'), cliBook = path.join(work, 'cli.xlsx');
  reference('--tranday', date, '--pdf', cliPdf);
  reference('--tranday', date, '--xlsx', cliBook);
  const pdfText = (f) => execFileSync('pdftotext', ['-layout', f, '-'], { encoding: 'utf8', maxBuffer: 1 << 26 });
  const web = pdfText(webPdf);
  assert.ok(web.length > 1000);
  assert.equal(web, pdfText(cliPdf));
  const content = (f) => execFileSync('/usr/bin/python3', [path.join(root, 'tests/support/xlsx_check.py'), 'content', f],
    { encoding: 'utf8', maxBuffer: 1 << 26 });
  assert.equal(content(webBook), content(cliBook));
});

test('no sideways scrolling on a phone or an office screen', async () => {
  const guest = await newPage(browser);
  for (const size of [phone, office]) {
    for (const [p, where] of [[guest, '/login'], [page, '/']]) {
      await p.setViewportSize(size);
      await p.goto(server.url + where);
      assert.equal(new URL(p.url()).pathname, where);
      const { scroll, client } = await p.evaluate(() => ({
        scroll: document.documentElement.scrollWidth, client: document.documentElement.clientWidth }));
      assert.ok(scroll <= client, `${where} at ${size.width}x${size.height}: ${scroll} > ${client}`);
    }
  }
  await guest.context().close();
});

// The box widths of the characters of a report line that holds Chinese and ASCII, measured
// on the preview page: every Chinese character must be two ASCII ones, as on paper.
async function checkColumns(p, what) {
  const fonts = [];
  p.on('response', (r) => { if (r.url().endsWith('.woff2')) fonts.push(`${r.url()} ${r.status()}`); });
  await logIn(p, server.url);
  await preview(p, server.url, date);
  await p.evaluate(() => document.fonts.ready);
  const widths = await p.evaluate(() => {
    const pre = document.getElementById('PREPRINT_TEXT'), node = pre.firstChild;
    const line = pre.textContent.split('\n').find((l) => /[\u4e00-\u9fff]/.test(l) && /[0-9A-Za-z]/.test(l));
    const from = pre.textContent.indexOf(line), range = document.createRange(), out = [];
    for (let i = 0; i < line.length; i++) {
      range.setStart(node, from + i); range.setEnd(node, from + i + 1);
      out.push([line[i], range.getBoundingClientRect().width]);
    }
    return out;
  });
  const ascii = widths.filter(([c]) => c.codePointAt(0) < 0x80).map(([, w]) => w);
  const unit = ascii[0];
  assert.ok(unit > 0 && ascii.every((w) => Math.abs(w - unit) <= 0.5), `${what}: ASCII widths ${[...new Set(ascii)]}`);
  const wide = widths.filter(([c]) => /[\u4e00-\u9fff]/.test(c));
  assert.ok(wide.length > 0);
  for (const [c, w] of wide) {
    assert.ok(Math.abs(w - 2 * unit) <= 0.5,
      `${what}: ${c} is ${w.toFixed(2)} px, ASCII ${unit.toFixed(2)} px; font: ${fonts.join(', ')}`);
  }
}

test('a Chinese character is two report columns, with or without a Chinese font on the client', async () => {
  const dir = path.join(work, 'fonts');
  fs.mkdirSync(path.join(dir, 'only'), { recursive: true });
  const mono = '/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf';
  if (fs.existsSync(mono)) fs.copyFileSync(mono, path.join(dir, 'only', 'DejaVuSansMono.ttf'));
  fs.writeFileSync(path.join(dir, 'fonts.conf'), `<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><dir>${dir}/only</dir><cachedir>${dir}/cache</cachedir></fontconfig>
`);
  const bare = await launch({ ...process.env, FONTCONFIG_FILE: path.join(dir, 'fonts.conf') });
  try {
    for (const [b, what] of [[browser, 'the system\'s fonts'], [bare, 'no Chinese font']]) {
      const p = await newPage(b);
      await checkColumns(p, what);
      await p.context().close();
    }
  } finally {
    await bare.close();
  }
});

test('screenshots for docs/', { skip: process.env.ZOL_SCREENSHOTS !== '1' && 'ZOL_SCREENSHOTS=1 makes them' }, async () => {
  const shot = (p, name) => p.screenshot({ path: path.join(root, 'docs', `web-${name}.png`) });
  const guest = await newPage(browser);
  await guest.goto(server.url + '/login');
  await shot(guest, 'login');
  await guest.context().close();
  await page.setViewportSize(office);
  await page.goto(server.url + '/');
  await page.selectOption('#CBO_TranDay', date);
  await page.waitForSelector('#Lst_group option');
  await shot(page, 'query');
  await preview(page, server.url, date);
  await page.evaluate(() => document.fonts.ready);
  await shot(page, 'preview');
});

test('離開 (Alt+E) logs out and the pages then want a login', async () => {
  await page.goto(server.url + '/');
  assert.equal(page.url(), server.url + '/');
  await Promise.all([page.waitForURL(server.url + '/login'), page.keyboard.press('Alt+KeyE')]);
  await page.goto(server.url + '/');
  assert.equal(page.url(), server.url + '/login');
});
