// The query page: the window's keys, its dependent lists, and a run from 預覽列印 or 列印.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);
  const body = document.body;
  const csrf = body.dataset.csrf;
  const tabOrder = JSON.parse(body.dataset.tabOrder);
  const keyRules = JSON.parse(body.dataset.keyRules);
  const seatLimit = Number(body.dataset.seatLimit);
  const seatMessage = body.dataset.seatMessage;
  const lists = { Opt_group: 'Lst_group', Opt_item: 'Lst_item', Opt_status: 'Lst_status' };

  const usable = (el) => el && !el.disabled && el.getClientRects().length > 0 &&
    !(el.type === 'radio' && !el.checked);
  // Enter moves on as Tab would, in the window's tab order.
  function nextField(from) {
    const at = tabOrder.indexOf(from.id);
    for (let k = 1; k <= tabOrder.length; k++) {
      const el = $(tabOrder[(at + k) % tabOrder.length]);
      if (usable(el)) { el.focus(); return; }
    }
  }

  async function getJson(url) {
    const r = await fetch(url, { credentials: 'same-origin' });
    if (r.status === 401) { location.href = '/login'; throw new Error('login'); }
    if (!r.ok) throw new Error(await r.text());
    return r.json();
  }
  const query = (params) => new URLSearchParams(params).toString();

  function fillSelect(select, entries, selected) {
    select.replaceChildren(...entries.map(([text, id]) => {
      const o = document.createElement('option');
      o.value = id; o.textContent = text; o.selected = selected;
      return o;
    }));
  }
  function fillDatalist(input, texts) {
    $(input.id + '_list').replaceChildren(...texts.map((t) => {
      const o = document.createElement('option'); o.value = t; return o;
    }));
  }
  function optionRule(name) {
    const all = document.querySelector(`input[name=${name}][value="1"]`);
    $(lists[name]).disabled = all.checked;
  }

  // The groups of the chosen collection dates, none chosen, 全部 on.
  let groupsAsked = 0;
  async function loadGroups() {
    const asked = ++groupsAsked;
    let entries = [];
    try {
      entries = await getJson('/lists/groups?' + query({
        CBO_TranDay: $('CBO_TranDay').value, CBO_TranDay2: $('CBO_TranDay2').value }));
    } catch (e) { entries = []; }
    if (asked !== groupsAsked) return;  // a newer choice of dates has taken over
    fillSelect($('Lst_group'), entries, false);
    $('Opt_group1').checked = true;
    optionRule('Opt_group');
  }

  async function loadCombo(input, list, params) {
    try { fillDatalist(input, await getJson(`/lists/${list}?` + query(params))); } catch (e) {
      fillDatalist(input, []);
    }
  }

  function setup() {
    for (const [id, rule] of Object.entries(keyRules)) {
      const el = $(id);
      if (!el || el.tagName !== 'INPUT') continue;
      el.addEventListener('beforeinput', (e) => {
        if (!e.inputType.startsWith('insert') || e.inputType === 'insertLineBreak') return;
        const typed = e.data ?? '';
        if (rule.filter === 'pick') e.preventDefault();
        if (rule.filter === 'digits' && !(typed.length === 1 && typed >= rule.lowest &&
            typed <= '9' && el.value.length < rule.max)) e.preventDefault();
      });
    }
    document.addEventListener('keydown', (e) => {
      if (e.altKey && !e.ctrlKey && !e.shiftKey && !e.metaKey) {
        const id = { KeyZ: 'Cmd_preprint', KeyP: 'Cmd_print', KeyX: 'Cmd_clear', KeyE: 'Cmd_exit' }[e.code];
        if (id) { e.preventDefault(); $(id).click(); }
        return;
      }
      if (e.key === 'Enter' && !e.altKey && !e.ctrlKey && keyRules[e.target.id]) {
        e.preventDefault();
        nextField(e.target);
      }
    });
    for (const id of ['Msk_payday1', 'Msk_payday2']) {
      const box = $(id);
      box.addEventListener('beforeinput', (e) => {
        if (e.inputType.startsWith('insert') && !/^\d$/.test(e.data ?? '')) e.preventDefault();
      });
      box.addEventListener('input', () => {
        const d = box.value.replace(/\D/g, '').slice(0, 7);
        box.value = d.slice(0, 3) + (d.length > 3 ? '/' + d.slice(3, 5) : '') +
          (d.length > 5 ? '/' + d.slice(5, 7) : '');
      });
    }
    // The pay-date proposal: the pay dates of the chosen collection dates, into an empty box.
    $('Msk_payday1').addEventListener('focus', async () => {
      if ($('Msk_payday1').value !== '') return;
      try {
        const p = await getJson('/lists/payday?' + query({
          CBO_TranDay: $('CBO_TranDay').value, CBO_TranDay2: $('CBO_TranDay2').value }));
        if (p.from && $('Msk_payday1').value === '') {
          $('Msk_payday1').value = p.from; $('Msk_payday2').value = p.to;
        }
      } catch (e) { /* no proposal */ }
    });
    for (const id of ['CBO_TranDay', 'CBO_TranDay2']) $(id).addEventListener('change', loadGroups);
    $('CBO_ClsID').addEventListener('focus', () =>
      loadCombo($('CBO_ClsID'), 'classes', { CBO_Grade: $('CBO_Grade').value, which: 1 }));
    $('CBO_ClsID2').addEventListener('focus', () =>
      loadCombo($('CBO_ClsID2'), 'classes', { CBO_Grade: $('CBO_Grade').value, which: 2 }));
    for (const id of ['CBO_SeatNo1', 'CBO_SeatNo2']) {
      const box = $(id);
      box.addEventListener('focus', () => loadCombo(box, 'seats', {
        CBO_Grade: $('CBO_Grade').value, CBO_ClsID: $('CBO_ClsID').value, which: id.at(-1) }));
      box.addEventListener('input', () => {
        if ((parseInt(box.value, 10) || 0) >= seatLimit) {
          box.value = box.value.slice(0, 2);
          alert(seatMessage);
        }
      });
    }
    for (const name of Object.keys(lists)) {
      for (const r of document.querySelectorAll(`input[name=${name}]`)) {
        r.addEventListener('change', () => optionRule(name));
      }
      optionRule(name);
    }
    $('Cmd_clear').addEventListener('click', clearText);
    $('Cmd_preprint').addEventListener('click', () => run('preview'));
    $('Cmd_print').addEventListener('click', () => run('print'));
    $('Cmd_exit').addEventListener('click', () => $('logout').submit());
    $('progress_cancel').addEventListener('click', cancelRun);
  }

  // 清除: the fields back to their start; pay dates, 預繳方式, 班級合併列印, groups and items stay.
  async function clearText() {
    $('CBO_TranDay').value = ''; $('CBO_TranDay2').value = '';
    $('CBO_Grade').value = '';
    for (const id of ['CBO_ClsID', 'CBO_ClsID2', 'CBO_SeatNo1', 'CBO_SeatNo2']) {
      $(id).value = ''; fillDatalist($(id), []);
    }
    for (const id of ['Txt_StdNo1', 'Txt_StdNo2', 'CBO_paystas']) $(id).value = '';
    for (const id of ['Chk_1', 'Chk_2', 'Chk_3', 'Chk_4']) $(id).checked = true;
    try { fillSelect($('Lst_status'), await getJson('/lists/statuses'), true); } catch (e) {
      fillSelect($('Lst_status'), [], true);
    }
    $('Opt1').checked = true;
    optionRule('Opt_status');
    loadGroups();
  }

  function fields(mode, yes) {
    const p = new URLSearchParams({ csrf, mode, yes: yes ? '1' : '0' });
    for (const id of ['CBO_TranDay', 'CBO_TranDay2', 'Msk_payday1', 'Msk_payday2', 'CBO_Grade',
      'CBO_ClsID', 'CBO_ClsID2', 'CBO_SeatNo1', 'CBO_SeatNo2', 'Txt_StdNo1', 'Txt_StdNo2',
      'CBO_paystas', 'CBO_preway']) p.set(id, $(id).value);
    for (const id of ['Chk_1', 'Chk_2', 'Chk_3', 'Chk_4', 'Chk_ALL']) p.set(id, $(id).checked ? '1' : '0');
    for (const [name, list] of Object.entries(lists)) {
      p.set(name, document.querySelector(`input[name=${name}]:checked`).value);
      p.set(list, [...$(list).selectedOptions].map((o) => o.value).join('\n'));
    }
    return p;
  }

  let current = null;  // the run going on
  const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
  // The run's progress as the window's dialog shows it: its text, and a bar while the whole
  // is known.
  function showProgress(text, link, part = null) {
    $('progress').hidden = text === null;
    $('progress_text').textContent = text ?? '';
    const bar = $('progress_bar');
    if (part === null) bar.removeAttribute('value'); else bar.value = part;
    $('progress_link').replaceChildren(...(link ? [link] : []));
    $('progress_cancel').hidden = !!link;
  }
  async function cancelRun() {
    if (!current) { showProgress(null); return; }
    await fetch(`/runs/${current}/cancel`, { method: 'POST', body: new URLSearchParams({ csrf }) });
  }

  async function run(mode, yes = false) {
    const button = $(mode === 'preview' ? 'Cmd_preprint' : 'Cmd_print');
    if (button.disabled) return;
    button.disabled = true;
    body.classList.add('busy');
    try {
      const r = await fetch('/run', { method: 'POST', body: fields(mode, yes) });
      if (r.status === 401) { location.href = '/login'; return; }
      const started = await r.json();
      if (!r.ok) { alert(started.message); return; }
      current = started.run;
      showProgress('準備中…');
      let status;
      for (let wait = 25; ; wait = Math.min(wait * 2, 100)) {
        status = await getJson(`/runs/${current}/status`);
        if (status.state !== 'running') break;
        showProgress(status.label || status.title, null, status.total > 0 ? status.done / status.total : null);
        await sleep(wait);
      }
      for (const [id, text] of Object.entries(status.trimmed ?? {})) {
        if ($(id).value !== text) $(id).value = text;
      }
      if (status.state === 'failed') {
        showProgress(null);
        alert(status.message);
        if (status.select_opt_group2) { $('Opt_group2').checked = true; optionRule('Opt_group'); }
        if (status.focus) $(status.focus).focus();
      } else if (status.state === 'question') {
        showProgress(null);
        if (confirm(status.message)) { button.disabled = false; return run(mode, true); }
      } else if (mode === 'preview') {
        location.href = `/runs/${current}`;
      } else if (body.dataset.serverPrints) {
        const p = await fetch(`/runs/${current}/print`, { method: 'POST', body: new URLSearchParams({ csrf }) });
        showProgress(null);
        alert((await p.json()).message);
      } else {
        const a = document.createElement('a');
        a.href = `/runs/${current}/report.pdf`; a.target = '_blank'; a.id = 'print_pdf';
        a.textContent = `開啟 PDF（${status.pages} 頁）列印`;
        a.addEventListener('click', () => setTimeout(() => showProgress(null), 0));
        showProgress('報表已完成。', a);
        a.focus();
      }
    } catch (e) {
      showProgress(null);
      if (e.message !== 'login') alert('無法完成：' + e.message);
    } finally {
      button.disabled = false;
      body.classList.remove('busy');
    }
  }

  setup();
})();
