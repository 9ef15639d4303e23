// A tour of the stand-in suite inside the running program, for runs that nobody can click in:
// it drives the program's page over the browser's DevTools endpoint (found in the browser-backed
// runtime's profile folder) through the start page, the editor page and its update bar's link,
// the notification page, the pages outside the suite with the dock's Back and Apps, and a host
// that cannot be reached.
// Once a step's page has settled it writes the step's name to STEP_FILE, so screenshots taken
// from then on can be named by it.
//
//   node --experimental-websocket tools/standin_suite/tour.mjs PROFILE_DIR STEP_FILE DWELL_SECONDS
import { readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { appHost, mainHost, outsideHost } from './pages.mjs';

const [profile, stepFile, dwellText] = process.argv.slice(2);
const dwell = Number(dwellText || 6) * 1000;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function devtoolsPort() {
  for (let i = 0; i < 600; i++) {
    try {
      const port = Number(readFileSync(path.join(profile, 'DevToolsActivePort'), 'utf8').split('\n')[0]);
      if (port > 0) return port;
    } catch {}
    await sleep(100);
  }
  throw new Error('the browser never announced its DevTools port');
}

// The program's page: the one page target showing a web address.
async function pageTarget(port) {
  for (let i = 0; i < 300; i++) {
    const targets = await fetch(`http://127.0.0.1:${port}/json/list`).then((r) => r.json()).catch(() => []);
    const page = targets.find((t) => t.type === 'page' && /^https?:/.test(t.url));
    if (page) return page;
    await sleep(100);
  }
  throw new Error('no page of the program');
}

function connect(url) {
  const ws = new WebSocket(url);
  const pending = new Map();
  let next = 1;
  ws.onmessage = (event) => {
    const message = JSON.parse(event.data);
    const entry = pending.get(message.id);
    if (!entry) return;
    pending.delete(message.id);
    if (message.error) entry.reject(new Error(message.error.message));
    else entry.resolve(message.result);
  };
  const opened = new Promise((resolve, reject) => {
    ws.onopen = resolve;
    ws.onerror = () => reject(new Error('cannot reach the page over DevTools'));
  });
  const send = (method, params = {}) => new Promise((resolve, reject) => {
    const id = next++;
    pending.set(id, { resolve, reject });
    ws.send(JSON.stringify({ id, method, params }));
  });
  const evaluate = async (expression) =>
    (await send('Runtime.evaluate', { expression, returnByValue: true })).result?.value;
  return opened.then(() => ({ evaluate, close: () => ws.close() }));
}

const start = `https://${appHost}/app/?platform=desktop`;
const steps = [
  ['start-page', null],
  ['editor', `location.href = "https://${mainHost}/en/suite/editor/"`],
  ['update-link', 'document.querySelector("[role=status] a").click()'],
  ['notification', `location.href = "https://${mainHost}/en/suite/notify/?auto=native"`],
  ['outside', `location.href = "https://${outsideHost}/"`],
  ['outside-second', 'document.getElementById("to-second").click()'],
  ['dock-back', 'document.getElementById("zo-dock-back").click()'],
  ['dock-apps', 'document.getElementById("zo-dock-apps").click()'],
  ['offline', 'document.getElementById("to-unreachable").click()'],
];

const page = await connect((await pageTarget(await devtoolsPort())).webSocketDebuggerUrl);
for (const [name, action] of steps) {
  if (action) {
    try {
      await page.evaluate(action);
    } catch {} // a navigation may cut the reply off
  }
  await sleep(1500); // the page loads and answers first
  writeFileSync(stepFile, name);
  let where = '';
  try {
    where = await page.evaluate('document.title + " <" + location.href + ">"');
  } catch {}
  console.log(`Tour: ${name}: ${where.length > 120 ? where.slice(0, 117) + '...' : where}`);
  await sleep(Math.max(0, dwell - 1500));
}
writeFileSync(stepFile, '');
page.close();
console.log(`Tour: done (the start page is ${start})`);
