// A small DevTools client for the browser-backed runtime's Chromium: it finds the DevTools port
// in the runtime's profile folder and the program's page, and talks to that page over a web
// socket (Node's --experimental-websocket). Used by the tour and the page reports of
// scripts/run.sh.
import { readFileSync } from 'node:fs';
import path from 'node:path';

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The port Chromium announces in PROFILE/DevToolsActivePort, waiting up to `waitMs` for it.
export async function devtoolsPort(profile, waitMs = 60000) {
  for (const end = Date.now() + waitMs; Date.now() < end;) {
    try {
      const port = Number(readFileSync(path.join(profile, 'DevToolsActivePort'), 'utf8').split('\n')[0]);
      if (port > 0) return port;
    } catch {}
    await sleep(100);
  }
  throw new Error('the browser never announced its DevTools port');
}

// The program's page: the one page target showing a web address (or the offline page's data:
// document).
export async function pageTarget(port, waitMs = 30000) {
  for (const end = Date.now() + waitMs; Date.now() < end;) {
    const targets = await fetch(`http://127.0.0.1:${port}/json/list`).then((r) => r.json()).catch(() => []);
    const page = targets.find((t) => t.type === 'page' && /^(https?|data):/.test(t.url));
    if (page) return page;
    await sleep(100);
  }
  throw new Error('no page of the program');
}

// Connects to a target's web socket. `on(method, handler)` subscribes to events; `closed`
// resolves when the connection ends.
export function connect(url) {
  const ws = new WebSocket(url);
  const pending = new Map();
  const handlers = new Map();
  let next = 1;
  ws.onmessage = (event) => {
    const message = JSON.parse(event.data);
    if (message.method) {
      for (const handler of handlers.get(message.method) || []) handler(message.params);
      return;
    }
    const entry = pending.get(message.id);
    if (!entry) return;
    pending.delete(message.id);
    if (message.error) entry.reject(new Error(message.error.message));
    else entry.resolve(message.result);
  };
  const closed = new Promise((resolve) => {
    ws.addEventListener('close', () => {
      for (const entry of pending.values()) entry.reject(new Error('connection closed'));
      pending.clear();
      resolve();
    });
  });
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
  const on = (method, handler) => {
    handlers.set(method, [...(handlers.get(method) || []), handler]);
  };
  return opened.then(() => ({ send, evaluate, on, closed, close: () => ws.close() }));
}
