// The stand-in suite's pages, by host and path. Every page says that it stands in for the suite's
// own page; nothing here is the suite's real content.
import { readFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';

// The suite's host names come from the build's configuration, so the stand-in follows it.
function suiteConfig() {
  const file = fileURLToPath(new URL('../../app/suite.conf', import.meta.url));
  const values = {};
  for (const line of readFileSync(file, 'utf8').split('\n')) {
    const m = /^\s*([A-Z_]+)\s*=(.*)$/.exec(line);
    if (m) values[m[1]] = m[2].trim();
  }
  return values;
}

const conf = suiteConfig();
export const appHost = conf.SUITE_APP_HOST;
export const mainHost = conf.SUITE_MAIN_HOST;
// A host outside the suite (the dock shows there) and one that never resolves.
export const outsideHost = 'outside.example.test';
export const unreachableHost = 'unreachable.example.invalid';
export const servedHosts = [appHost, mainHost, outsideHost];

// The announced build: newer than the shell's own version.
export const announcedVersion = '2.2.0';

const escapeHtml = (s) => String(s).replace(/[&<>"']/g, (c) => `&#${c.charCodeAt(0)};`);

const style = `body{font:16px/1.5 "Noto Sans","Segoe UI",sans-serif;margin:0;background:#f6f5fb;color:#1d1846}
main{max-width:760px;margin:0 auto;padding:28px 24px 96px}
.standin{background:#fff3c4;border:1px solid #e0c35a;border-radius:10px;padding:10px 14px;margin:0 0 18px}
h1{font-size:24px;margin:0 0 12px} a{color:#2a1f6e} li{margin:6px 0}
.result{background:#fff;border:1px solid #cfcbe6;border-radius:10px;padding:12px 14px;margin:14px 0;min-height:24px}
input{font:inherit;padding:6px 8px} button{font:inherit;padding:6px 14px}`;

function page({ title, lang = 'en', heading, body, script = '' }) {
  return `<!doctype html>
<html lang="${lang}"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width,initial-scale=1">
<title>${escapeHtml(title)}</title><style>${style}</style></head>
<body><main>
<p class="standin">Stand-in page: it stands in for a page of the Zorvel Office suite, served on
127.0.0.1 by tools/standin_suite for trying the desktop program. It is not the suite's page.</p>
<h1>${escapeHtml(heading)}</h1>
${body}
</main>${script ? `<script>${script}</script>` : ''}</body></html>`;
}

function startPage(url) {
  const link = url.searchParams.get('w');
  return page({
    title: 'Zorvel Office (stand-in start page)',
    heading: 'Zorvel Office start page (stand-in)',
    body: `<p>Desktop platform parameter: <b>${escapeHtml(url.searchParams.get('platform') ?? '(none)')}</b>.
Launch link: <b id="launch-link">${link === null ? '(none)' : escapeHtml(link)}</b>.</p>
<p id="native">Native services: not seen.</p>
<ul>
<li><a id="to-editor" href="https://${mainHost}/en/suite/editor/">Editor page</a> (accepts a dropped file; the launch file lands here)</li>
<li><a id="to-editor-ar" href="https://${mainHost}/suite/editor/">Editor page, Arabic</a></li>
<li><a id="to-notify" href="https://${mainHost}/en/suite/notify/">Notification page</a></li>
<li><a id="to-unsaved" href="https://${mainHost}/en/suite/unsaved/">A page with unsaved work</a> (closing the window asks first)</li>
<li><a id="to-windows" href="https://${mainHost}/en/suite/windows/">A page that opens windows</a> (a document in a new window, a popup, a link to a new tab)</li>
<li><a id="to-outside" href="https://${outsideHost}/">A page outside the suite</a> (shows the back/apps dock)</li>
<li><a id="to-unreachable" href="https://${unreachableHost}/">A host that cannot be reached</a> (shows the offline page)</li>
</ul>
<p><label>Window title: <input id="title-text" value="A new title"></label>
<button id="set-title" type="button">Set title</button></p>`,
    script: `var n = window.__ZO_NATIVE;
if (n) document.getElementById('native').textContent =
  'Native services: platform ' + n.platform + ', version ' + n.version + '.';
document.getElementById('set-title').onclick = function () {
  document.title = document.getElementById('title-text').value;
};`,
  });
}

// Shows the dropped file's name, size and SHA-256, sets the title to name and size, and reports
// the drop to the server (which records it) so that a test can see it from outside.
function editorPage(arabic) {
  return page({
    title: arabic ? 'المحرّر (صفحة بديلة)' : 'Editor (stand-in)',
    lang: arabic ? 'ar' : 'en',
    heading: arabic ? 'المحرّر: صفحة بديلة' : 'Editor page (stand-in)',
    body: `<p>Drop a file anywhere on this page, or start the program with a file: its name and size
appear below.</p>
<div class="result" id="drop-result">No file dropped yet.</div>
<p>Drops seen: <b id="drop-count">0</b></p>
<p><label>Type here: <input id="typing" size="40"></label></p>
<p><a href="https://${appHost}/app/?platform=desktop">Back to the start page</a></p>`,
    script: `var drops = 0;
window.__standinDrops = [];
if (window.opener) window.opener.postMessage('editor opened at ' + location.href, '*');
document.addEventListener('dragover', function (e) { e.preventDefault(); });
document.addEventListener('drop', function (e) {
  e.preventDefault();
  var f = e.dataTransfer && e.dataTransfer.files && e.dataTransfer.files[0];
  if (!f) return;
  drops++;
  document.getElementById('drop-count').textContent = String(drops);
  document.getElementById('drop-result').textContent =
    'Dropped: ' + f.name + ', ' + f.size + ' bytes (reading...)';
  document.title = 'Dropped ' + f.name + ' (' + f.size + ' bytes)';
  f.arrayBuffer().then(function (b) { return crypto.subtle.digest('SHA-256', b); }).then(function (d) {
    var hex = Array.from(new Uint8Array(d), function (x) { return x.toString(16).padStart(2, '0'); }).join('');
    var report = { name: f.name, size: f.size, sha256: hex, drops: drops };
    window.__standinDrops.push(report);
    document.getElementById('drop-result').textContent =
      'Dropped: ' + f.name + ', ' + f.size + ' bytes, SHA-256 ' + hex;
    return fetch('/standin/drop', { method: 'POST', body: JSON.stringify(report) });
  }).catch(function () {});
});`,
  });
}

// `new Notification(...)` as a suite page uses it, and the native service called directly, whose
// answer the page shows. ?auto=constructor or ?auto=native does it at load.
function notifyPage() {
  return page({
    title: 'Notifications (stand-in)',
    heading: 'Notification page (stand-in)',
    body: `<p><button id="by-constructor" type="button">new Notification(...)</button>
<button id="by-native" type="button">window.__ZO_NATIVE.notify(...) and show its answer</button></p>
<div class="result" id="notify-result">Nothing raised yet.</div>`,
    script: `var out = document.getElementById('notify-result');
function report(r) {
  fetch('/standin/notify', { method: 'POST', body: JSON.stringify(r) }).catch(function () {});
}
function byConstructor() {
  var n = new Notification('Zorvel Office (stand-in)', { body: 'Raised by new Notification on the stand-in page' });
  out.textContent = 'new Notification: permission ' + Notification.permission + ', title ' + n.title;
  report({ via: 'constructor', permission: Notification.permission });
}
function byNative() {
  var N = window.__ZO_NATIVE;
  if (!N || !N.notify) { out.textContent = 'No native notify service on this page.'; return; }
  Promise.resolve(N.notify('Zorvel Office (stand-in)', 'Raised by __ZO_NATIVE.notify')).then(function (r) {
    out.textContent = 'notify answered ' + JSON.stringify(r);
    document.title = 'Notification answered ' + JSON.stringify(r);
    report({ via: 'native', result: r });
  }, function (e) {
    out.textContent = 'notify failed: ' + e;
    report({ via: 'native', error: String(e) });
  });
}
document.getElementById('by-constructor').onclick = byConstructor;
document.getElementById('by-native').onclick = byNative;
var auto = new URLSearchParams(location.search).get('auto');
window.addEventListener('load', function () {
  if (auto === 'constructor') byConstructor();
  if (auto === 'native') byNative();
});`,
  });
}

// Stands in for an editor with unsaved work: after a change made by the person (a trusted click;
// the browser asks before leaving only after a real gesture) leaving the page asks first.
function unsavedPage() {
  return page({
    title: 'Unsaved work (stand-in)',
    heading: 'Editor with unsaved work (stand-in)',
    body: `<p>This page stands in for a suite editor holding changes that are not saved yet. Make a
change, then close the window or leave the page: it asks before the changes are lost.</p>
<p><button id="make-change" type="button">Make a change</button></p>
<div class="result" id="changes">No unsaved changes.</div>`,
    script: `var changes = 0;
function onLeave(e) { e.preventDefault(); e.returnValue = ''; return ''; }
document.getElementById('make-change').onclick = function (e) {
  if (!e.isTrusted) return;
  changes++;
  document.getElementById('changes').textContent = changes + ' unsaved change' + (changes > 1 ? 's' : '') + '.';
  window.addEventListener('beforeunload', onLeave);
};`,
  });
}

// Opens windows as suite pages do: a suite document in a new window, a small popup on a host
// outside the suite, and an outside link that asks for a new tab. Messages from the windows it
// opened (window.opener.postMessage) are listed, kept in window.__standinMessages and logged.
function windowsPage() {
  return page({
    title: 'Windows (stand-in)',
    heading: 'A page that opens windows (stand-in)',
    body: `<p><button id="open-document" type="button">Open a document in a new window</button>
<button id="open-popup" type="button">Open a popup (480 × 360)</button></p>
<p><a id="outside-new-tab" target="_blank" href="https://${outsideHost}/?via=new-tab-link">A page
outside the suite, in a new tab</a></p>
<p>Messages from the opened windows:</p>
<ul class="result" id="messages"></ul>`,
    script: `window.__standinMessages = [];
window.addEventListener('message', function (e) {
  var text = e.origin + ': ' + e.data;
  window.__standinMessages.push(text);
  var li = document.createElement('li');
  li.textContent = text;
  document.getElementById('messages').appendChild(li);
  console.log('Message from an opened window: ' + text);
});
document.getElementById('open-document').onclick = function () {
  window.__standinDocument = window.open('https://${mainHost}/en/suite/editor/?opened=1');
};
document.getElementById('open-popup').onclick = function () {
  window.__standinPopup = window.open('https://${outsideHost}/popup/', 'standin-popup',
    'width=480,height=360');
};`,
  });
}

// A window opened by a script: it greets its opener and closes itself on request.
function popupPage() {
  return page({
    title: 'Popup (stand-in)',
    heading: 'A popup outside the suite (stand-in)',
    body: `<p>A page on ${outsideHost} that a suite page opened in a small window.</p>
<p><button id="close-popup" type="button">Close this window</button></p>`,
    script: `if (window.opener) window.opener.postMessage('popup opened', '*');
document.getElementById('close-popup').onclick = function () { window.close(); };`,
  });
}

function outsidePage(url) {
  const second = url.pathname === '/second/';
  return page({
    title: second ? 'Outside, second page (stand-in)' : 'Outside the suite (stand-in)',
    heading: second ? 'A second page outside the suite' : 'A page outside the suite',
    body: `<p>This host (${outsideHost}) is not one of the suite's sites: the program shows its
back/apps dock here, and Alt+Home returns to the start page.</p>
${second ? '' : '<p><a id="to-second" href="/second/">A second outside page</a> (then try Back in the dock)</p>'}
<p><label>Type here: <input id="typing" size="40"></label></p>`,
  });
}

const downloadPage = () => page({
  title: 'Download (stand-in)',
  heading: 'Download page (stand-in)',
  body: `<p>The suite's download page would offer build ${announcedVersion} here.</p>`,
});

// Returns { status, type, body } for a GET, or null when nothing is there.
export function route(host, url) {
  const html = (body) => ({ status: 200, type: 'text/html; charset=utf-8', body });
  const p = url.pathname;
  if (p === '/robots.txt') return { status: 200, type: 'text/plain', body: 'User-agent: *\nDisallow:\n' };
  if (p === '/favicon.ico') return { status: 204, type: 'text/plain', body: '' };
  if (host === appHost) {
    if (p === '/app/' || p === '/app') return html(startPage(url));
  } else if (host === mainHost) {
    if (p === '/dl/version.json') {
      return {
        status: 200,
        type: 'application/json',
        body: JSON.stringify({ windows: { version: announcedVersion, page: `https://${mainHost}/download/` } }),
      };
    }
    if (p === '/download/') return html(downloadPage());
    if (p === '/en/suite/editor/') return html(editorPage(false));
    if (p === '/suite/editor/') return html(editorPage(true));
    if (p === '/en/suite/notify/' || p === '/suite/notify/') return html(notifyPage());
    if (p === '/en/suite/unsaved/') return html(unsavedPage());
    if (p === '/en/suite/windows/') return html(windowsPage());
  } else if (host === outsideHost) {
    if (p === '/' || p === '/second/') return html(outsidePage(url));
    if (p === '/popup/') return html(popupPage());
  }
  return null;
}
