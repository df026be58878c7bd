// The preview page: paging by buttons, the page box and keys, find across every page, zoom,
// and the report out of the page.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);
  const body = document.body;
  const run = body.dataset.run;
  const csrf = body.dataset.csrf;
  const pages = Number(body.dataset.pages);
  let page = Number(body.dataset.page);
  let zoom = 1;
  let place = { page, line: 0, byte: 0 };  // where find goes on from
  const text = $('PREPRINT_TEXT');

  // Columns of a line as on paper: every character beyond ASCII is two.
  const columns = (line) => [...line].reduce((n, c) => n + (c.codePointAt(0) > 0x7f ? 2 : 1), 0);
  function fit() {
    const widest = Math.max(1, ...text.textContent.split('\n').map(columns));
    const room = document.documentElement.clientWidth - 40;
    // An ASCII character of the report font is half an em wide.
    const size = Math.max(6, Math.min(22, (room / widest) * 2)) * zoom;
    text.style.setProperty('--page-size', `${size.toFixed(2)}px`);
  }

  function render(pageText, hit) {
    if (!hit) { text.textContent = pageText; return; }
    const lines = pageText.split('\n');
    text.replaceChildren();
    lines.forEach((line, i) => {
      if (i) text.append('\n');
      if (i + 1 !== hit.line) { text.append(line); return; }
      const row = document.createElement('span');
      row.className = 'found';
      const mark = document.createElement('mark');
      mark.textContent = line.slice(hit.begin, hit.end);
      row.append(line.slice(0, hit.begin), mark, line.slice(hit.end));
      text.append(row);
      requestAnimationFrame(() => row.scrollIntoView({ block: 'center' }));
    });
  }

  async function show(n, hit = null) {
    n = Math.max(1, Math.min(pages, Math.trunc(n) || 1));
    const r = await fetch(`/runs/${run}/pages/${n}`);
    if (r.status === 401) { location.href = '/login'; return; }
    if (!r.ok) { alert('無法讀取這一頁。'); return; }
    const j = await r.json();
    page = n;
    render(j.text, hit);
    $('LAB_NOWSPAGE').value = String(n);
    document.title = document.title.replace(/第 \d+ 頁/, `第 ${n} 頁`);
    history.replaceState(null, '', `/runs/${run}?page=${n}`);
    if (!hit) { text.parentElement.scrollTop = 0; window.scrollTo(0, 0); }
    if (!hit || hit.page !== place.page) place = { page: n, line: 0, byte: 0 };
  }

  async function find(direction) {
    const q = $('find_text').value;
    if (!q) return;
    const r = await fetch(`/runs/${run}/find?` + new URLSearchParams({
      q, page: place.page, line: place.line, byte: place.byte, dir: direction }));
    const j = await r.json();
    if (!r.ok) { $('find_note').value = j.message; return; }
    if (!j.found) { $('find_note').value = '找不到'; return; }
    $('find_note').value = `第 ${j.page} 頁第 ${j.line} 行${j.wrapped ? '（已從頭找起）' : ''}`;
    await show(j.page, j);
    place = { page: j.page, line: j.line, byte: direction === 'next' ? j.byte + 1 : j.byte };
  }

  function range() {
    return new URLSearchParams({ from: $('TXT_PRIBEGIN').value.trim(), to: $('TXT_PRIEND').value.trim() });
  }
  function download(url) {
    const a = document.createElement('a');
    a.href = url; a.download = '';
    document.body.append(a); a.click(); a.remove();
  }

  $('CMD_FIRSTPAGE').addEventListener('click', () => show(1));
  $('CMD_PREPAGE').addEventListener('click', () => show(page - 1));
  $('CMD_NEXTPAGE').addEventListener('click', () => show(page + 1));
  $('CMD_LASTPAGE').addEventListener('click', () => show(pages));
  $('LAB_NOWSPAGE').addEventListener('keydown', (e) => {
    if (e.key === 'Enter') { e.preventDefault(); show(Number($('LAB_NOWSPAGE').value)); }
  });
  $('CMD_PDF').addEventListener('click', () => download(`/runs/${run}/report.pdf?` + range() + '&save=1'));
  $('CMD_EXCEL').addEventListener('click', () => download(`/runs/${run}/report.xlsx?` + range()));
  $('CMD_TEXT').addEventListener('click', () => download(`/runs/${run}/report.txt`));
  $('CMD_PRINT').addEventListener('click', async () => {
    if (!body.dataset.serverPrints) { window.open(`/runs/${run}/report.pdf?` + range(), '_blank'); return; }
    const p = range(); p.set('csrf', csrf);
    const r = await fetch(`/runs/${run}/print`, { method: 'POST', body: p });
    alert((await r.json()).message);
  });
  $('CMD_EXCAPE').addEventListener('click', () => { location.href = '/'; });
  $('find_next').addEventListener('click', () => find('next'));
  $('find_prev').addEventListener('click', () => find('previous'));
  $('find_text').addEventListener('keydown', (e) => {
    if (e.key === 'Enter') { e.preventDefault(); find(e.shiftKey ? 'previous' : 'next'); }
  });
  $('zoom_in').addEventListener('click', () => { zoom = Math.min(4, zoom * 1.25); fit(); });
  $('zoom_out').addEventListener('click', () => { zoom = Math.max(0.4, zoom / 1.25); fit(); });
  $('zoom_fit').addEventListener('click', () => { zoom = 1; fit(); });
  window.addEventListener('resize', fit);

  const atBottom = () => window.innerHeight + window.scrollY >= document.documentElement.scrollHeight - 2;
  document.addEventListener('keydown', (e) => {
    const plain = !e.ctrlKey && !e.altKey && !e.shiftKey && !e.metaKey;
    const inField = e.target.tagName === 'INPUT';
    if (e.ctrlKey && !e.altKey && e.key === 'f') { e.preventDefault(); $('find_text').focus(); $('find_text').select(); return; }
    if (plain && e.key === 'Escape' && !inField) { $('CMD_EXCAPE').click(); return; }
    if (inField) return;
    if (plain && e.key === 'PageDown' && atBottom() && page < pages) { e.preventDefault(); show(page + 1); }
    else if (plain && e.key === 'PageUp' && window.scrollY <= 0 && page > 1) { e.preventDefault(); show(page - 1); }
    else if (e.ctrlKey && e.key === 'Home' && page !== 1) { e.preventDefault(); show(1); }
    else if (e.ctrlKey && e.key === 'End' && page !== pages) { e.preventDefault(); show(pages); }
  });
  fit();
  document.fonts.ready.then(fit);
})();
