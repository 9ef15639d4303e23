// The engine's bridge and bind scripts, exactly as the C++ generates them, in headless Chromium.
// The browser's postMessage is replaced by a recorder; replies are the engine's reply scripts.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { launchBrowser } from './lib/browser.mjs';
import { startServer } from './lib/server.mjs';
import { bridgeScript, bindScript, replyScript, unbindScript } from './lib/engine_scripts.mjs';

const recorder = `window.chrome = { webview: { postMessage: function(m) {
  (window.__posted = window.__posted || []).push(m); } } };`;

let browser, server, page;

before(async () => {
  server = await startServer({
    '/': [200, 'text/html', '<!doctype html><title>t</title><script>window.taken = 1;</script>'],
  });
  browser = await launchBrowser();
  const context = await browser.newContext();
  await context.addInitScript(recorder);
  await context.addInitScript(bridgeScript());
  await context.addInitScript(bindScript('alpha', 'beta'));
  page = await context.newPage();
  await page.goto(server.origin + '/');
});

after(async () => {
  await browser?.close();
  await server?.close();
});

const posted = () => page.evaluate(() => window.__posted.splice(0));

// Starts a call in the page and returns the posted message's parsed text.
async function startCall(expr) {
  await page.evaluate(`window.__pending = ${expr}; undefined`);
  const messages = await posted();
  assert.equal(messages.length, 1);
  return messages[0];
}

// Runs the engine's reply script for `id` and reports how the pending promise settled.
async function settle(id, status, result) {
  await page.evaluate(replyScript(id, status, result));
  return page.evaluate(() =>
    window.__pending.then(
      (value) => ({ resolved: true, value: value === undefined ? 'undefined' : value }),
      (error) => ({
        resolved: false,
        error: error instanceof Error ? { message: error.message } : error,
      }),
    ),
  );
}

test('the bind script defines every bound name as a function', async () => {
  assert.deepEqual(await page.evaluate(() => [typeof window.alpha, typeof window.beta]),
    ['function', 'function']);
  assert.equal(await page.evaluate(() => typeof window.__webview__.call), 'function');
});

test('a call posts id, method and params in that order, with a fresh 32-hex id', async () => {
  const text = await startCall('window.alpha(1, "x", {"k": [true]})');
  assert.deepEqual(Object.keys(JSON.parse(text)), ['id', 'method', 'params']);
  const message = JSON.parse(text);
  assert.match(message.id, /^[0-9a-f]{32}$/);
  assert.equal(message.method, 'alpha');
  assert.deepEqual(message.params, [1, 'x', { k: [true] }]);

  const ids = new Set([message.id]);
  for (let i = 0; i < 20; i++) {
    ids.add(JSON.parse(await startCall('window.beta()')).id);
  }
  assert.equal(ids.size, 21, 'ids differ');
});

test('a call with no arguments posts an empty params array', async () => {
  const message = JSON.parse(await startCall('window.beta()'));
  assert.deepEqual(message.params, []);
  assert.equal(message.method, 'beta');
});

test('status 0 resolves with the parsed result; other statuses reject with it', async () => {
  let { id } = JSON.parse(await startCall('window.alpha()'));
  assert.deepEqual(await settle(id, 0, '{"x":1}'), { resolved: true, value: { x: 1 } });

  ({ id } = JSON.parse(await startCall('window.alpha()')));
  assert.deepEqual(await settle(id, 1, '{"x":1}'), { resolved: false, error: { x: 1 } });

  ({ id } = JSON.parse(await startCall('window.alpha()')));
  assert.deepEqual(await settle(id, -3, '"no"'), { resolved: false, error: 'no' });

  ({ id } = JSON.parse(await startCall('window.alpha()')));
  assert.deepEqual(await settle(id, 0, 'true'), { resolved: true, value: true });
});

test('a result that is not JSON rejects whatever the status', async () => {
  for (const status of [0, 1]) {
    const { id } = JSON.parse(await startCall('window.alpha()'));
    assert.deepEqual(await settle(id, status, 'abc'), {
      resolved: false,
      error: { message: 'Failed to parse binding result as JSON' },
    });
  }
});

test('an empty result resolves with undefined', async () => {
  const { id } = JSON.parse(await startCall('window.alpha()'));
  assert.match(replyScript(id, 0, ''), /, 0, undefined\)$/);
  assert.deepEqual(await settle(id, 0, ''), { resolved: true, value: 'undefined' });
});

test('results with quotes, backslashes and non-ASCII text arrive intact', async () => {
  const { id } = JSON.parse(await startCall('window.alpha()'));
  const value = { s: 'a"b\\c\n\u0632\u0648\u0631 \u{1F600}' };
  assert.deepEqual(await settle(id, 0, JSON.stringify(value)), { resolved: true, value });
});

test('a reply for an id with no pending call changes nothing and throws nothing', async () => {
  const { id } = JSON.parse(await startCall('window.alpha()'));
  for (const stray of ['0123456789abcdef0123456789abcdef', 'constructor', '__proto__']) {
    await page.evaluate(replyScript(stray, 0, '1'));
  }
  assert.deepEqual(await settle(id, 0, '"first"'), { resolved: true, value: 'first' });
  assert.deepEqual(await settle(id, 1, '"again"'), { resolved: true, value: 'first' });
});

test('settled calls leave nothing behind in the page', async () => {
  const devtools = await page.context().newCDPSession(page);
  const heapUsed = async () => {
    await devtools.send('HeapProfiler.collectGarbage');
    return (await devtools.send('Runtime.getHeapUsage')).usedSize;
  };
  const before = await heapUsed();
  // 50,000 calls, each answered at once as the engine's reply script does.
  await page.evaluate(() => {
    for (let i = 0; i < 50000; i++) {
      window.alpha(i);
      window.__webview__.onReply(JSON.parse(window.__posted.pop()).id, 0, '1');
    }
  });
  const grown = (await heapUsed()) - before;
  await devtools.detach();
  assert.ok(grown < 2000000, `the page's heap grew by ${grown} bytes`);
});

test('onBind refuses a name the window already has; onUnbind one it lacks', async () => {
  const bindTaken = await page.evaluate(() => {
    try {
      window.__webview__.onBind('taken');
      return 'no error';
    } catch (e) {
      return e.message;
    }
  });
  assert.equal(bindTaken, 'Property "taken" already exists');

  const unbindAbsent = await page.evaluate(() => {
    try {
      window.__webview__.onUnbind('absent');
      return 'no error';
    } catch (e) {
      return e.message;
    }
  });
  assert.equal(unbindAbsent, 'Property "absent" does not exist');
});

test('the engine\'s unbind script removes the name from the loaded page', async () => {
  await page.evaluate(unbindScript('beta'));
  assert.equal(await page.evaluate(() => 'beta' in window), false);
  await page.evaluate(() => window.__webview__.onBind('beta'));
  assert.equal(await page.evaluate(() => typeof window.beta), 'function');
});

test('every new document gets the bound names again', async () => {
  await page.reload();
  assert.deepEqual(await page.evaluate(() => [typeof window.alpha, typeof window.beta]),
    ['function', 'function']);
});
