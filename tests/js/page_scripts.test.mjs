// The shell's init script (native services object, site helper, dock) in headless Chromium, behind
// the engine's real bridge and bind scripts, on pages served under the suite's host names.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { launchBrowser } from './lib/browser.mjs';
import { startHttpsServer } from './lib/https_server.mjs';
import { startServer } from './lib/server.mjs';
import { addShellScripts } from './lib/native_side.mjs';
import { config, initScript, nativeHelperScript } from './lib/assets.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const shots = path.join(root, 'artifacts/screenshots');

const MAIN = config.SUITE_MAIN_HOST;
const APP = config.SUITE_APP_HOST;
const DOMAIN = config.SUITE_DOMAIN;
const START = config.START_URL;
const PREFIX = MAIN.slice(0, MAIN.indexOf('-') + 1);  // "zo-"
const SITE = `${PREFIX}docs.${DOMAIN}`;  // another of the suite's sites
const OTHER = 'other.test';  // a page outside the suite

let server, plain, browser;
let versionFile = null;  // what /dl/version.json answers on the main host

// Pages: ?lang=xx sets the document's language attribute (default "ar", "none" leaves it out).
// Every page records drop events that reach the window.
function pageHtml(host, url) {
  const lang = url.searchParams.get('lang') ?? 'ar';
  const en = lang.startsWith('en');
  const langAttr = lang === 'none' ? '' : ` lang="${lang}"${en ? '' : ' dir="rtl"'}`;
  return `<!doctype html><html${langAttr}><head><meta charset="utf-8"><title>${host}</title>
<style>body{margin:0;padding:24px;font:16px/1.6 system-ui,sans-serif;background:#fff;color:#222}</style>
</head><body><h1>${en ? 'Documents' : 'المستندات'}</h1>
<p>${en ? 'A page of the suite, shown in the desktop window.' : 'صفحة من صفحات زورفل أوفيس داخل نافذة التطبيق.'}</p>
<script>
window.__drops = [];
window.addEventListener('drop', function (e) {
  var files = e.dataTransfer ? e.dataTransfer.files : [];
  var f = files[0];
  var seen = { bubbles: e.bubbles, cancelable: e.cancelable, onDocument: e.target === document,
    isDrag: e instanceof DragEvent, count: files.length, name: f && f.name, type: f && f.type };
  window.__drops.push(seen);
  if (f) f.arrayBuffer().then(function (b) { seen.bytes = Array.from(new Uint8Array(b)); });
});
</script></body></html>`;
}

before(async () => {
  server = await startHttpsServer((req, url, host) => {
    if (host === MAIN && url.pathname === '/dl/version.json') return versionFile;
    if (url.pathname === '/frame') {
      const src = url.searchParams.get('src') || `https://${OTHER}/inner?lang=en`;
      return [200, 'text/html', `<!doctype html><html lang="en"><body><h1>top</h1>
<iframe src="${src}" width="600" height="300"></iframe></body></html>`];
    }
    return [200, 'text/html', pageHtml(host, url)];
  });
  plain = await startServer({ '/': [200, 'text/html', '<!doctype html><html lang="en"><body>plain'] });
  browser = await launchBrowser([
    server.resolverRules(`*.${DOMAIN}`, MAIN.replace('.', 'x'), OTHER),
  ]);
  mkdirSync(shots, { recursive: true });
});

after(async () => {
  await browser?.close();
  await server?.close();
  await plain?.close();
});

// A fresh browser context with the shell's document scripts; every page opened through `open`
// must end the test without script errors (the scripts swallow their own).
async function withShell(options, body) {
  const { locale = 'ar', launchFile, bind } = options;
  const context = await browser.newContext({
    ignoreHTTPSErrors: true, locale, viewport: { width: 900, height: 560 },
  });
  const errors = [];
  try {
    const native = await addShellScripts(context, { launchFile, bind });
    const open = async (url) => {
      const page = await context.newPage();
      page.on('pageerror', (e) => errors.push(`${page.url()}: ${e.message}`));
      if (url) await page.goto(url);
      return page;
    };
    await body({ context, native, open });
    assert.deepEqual(errors, [], 'script errors in the page');
  } finally {
    await context.close();
  }
}

const pause = (page, ms = 150) => page.evaluate((t) => new Promise((r) => setTimeout(r, t)), ms);
const requestsFor = (host, p) => server.requests.filter((r) => r.host === host && r.path === p);
const isNativeNotification = (page) =>
  page.evaluate(() => /\[native code\]/.test(Function.prototype.toString.call(Notification)));

describe('native services object', () => {
  test('every document gets platform, version and the three services, answered natively',
    async () => {
      await withShell({}, async ({ native, open }) => {
        for (const url of [`https://${OTHER}/x`, START, 'data:text/html,<p>data</p>']) {
          const page = await open(url);
          assert.deepEqual(
            await page.evaluate(() => [window.__ZO_NATIVE.platform, window.__ZO_NATIVE.version]),
            ['windows', config.APP_VERSION], url);
          await page.close();
        }
        assert.equal(config.APP_VERSION, '2.1.5');

        const page = await open(`https://${OTHER}/x`);
        const results = await page.evaluate(async () => [
          await window.__ZO_NATIVE.notify('Title', 'Body'),
          await window.__ZO_NATIVE.external('https://example.test/a'),
          await window.__ZO_NATIVE.argFile(),
        ]);
        assert.deepEqual(results, [true, true, null]);
        assert.deepEqual(native.calls.map((c) => [c.method, c.params]), [
          ['__zoNotify', ['Title', 'Body']],
          ['__zoExternal', ['https://example.test/a']],
          ['__zoArgFile', []],
        ]);
      });
    });

  test('the services find bindings that appear after them, and are harmless without any',
    async () => {
      await withShell({ bind: 'after' }, async ({ native, open }) => {
        const page = await open(`https://${OTHER}/x`);
        assert.deepEqual(await page.evaluate(async () => [
          await window.__ZO_NATIVE.notify('a', 'b'), await window.__ZO_NATIVE.external('https://e.test/'),
        ]), [true, true]);
        assert.deepEqual(native.calls.map((c) => c.method), ['__zoNotify', '__zoExternal']);
      });
      await withShell({ bind: 'none' }, async ({ native, open }) => {
        const page = await open(`https://${OTHER}/x`);
        assert.deepEqual(await page.evaluate(() => [
          window.__ZO_NATIVE.notify('a', 'b'), window.__ZO_NATIVE.argFile(),
          window.__ZO_NATIVE.external('https://e.test/'),
        ]), [undefined, null, undefined]);
        assert.equal(native.calls.length, 0);
      });
    });
});

describe('site helper', () => {
  test('acts on the suite site hosts only, never on the shell page', async () => {
    await withShell({}, async ({ open }) => {
      for (const host of [MAIN, SITE]) {
        const page = await open(`https://${host}/home`);
        assert.equal(await isNativeNotification(page), false, host);
        assert.equal(await page.evaluate(() => Notification.permission), 'granted', host);
        await page.close();
      }
      // The main host with an explicit port is another site.
      const outside = [APP, OTHER, `${PREFIX}9.${DOMAIN}`, `a.${MAIN}`, MAIN.replace('.', 'x'),
        `${MAIN}:8443`];
      for (const host of outside) {
        const page = await open(`https://${host}/home`);
        assert.equal(await isNativeNotification(page), true, host);
        await page.close();
      }
    });
  });

  test('on the shell page only the services object is there', async () => {
    versionFile = [200, 'application/json', JSON.stringify({ windows: { version: '9.9.9' } })];
    const before = server.requests.length;
    await withShell({ launchFile: { name: 'a.txt', bytes: [65] } }, async ({ native, open }) => {
      const page = await open(START);
      await pause(page);
      assert.equal(await page.evaluate(() => typeof window.__ZO_NATIVE), 'object');
      assert.equal(await isNativeNotification(page), true);
      assert.equal(await page.evaluate(() => document.getElementById('zo-dock')), null);
      assert.equal(await page.evaluate(() => document.querySelector('[role=status]')), null);
      // The helper's guard is set before its host check, so it marks the shell page too.
      assert.equal(await page.evaluate(() => window.__zoNat), 1);
      assert.equal(native.calls.length, 0);
      assert.deepEqual(server.requests.slice(before).filter((r) => r.path !== '/favicon.ico')
        .map((r) => r.host + r.raw), [`${APP}/app/?platform=desktop`]);
    });
  });
});

describe('notifications', () => {
  test('permission is granted without a prompt and the callback hears it', async () => {
    await withShell({}, async ({ open }) => {
      const page = await open(`https://${MAIN}/home`);
      page.on('dialog', () => assert.fail('no prompt expected'));
      const got = await page.evaluate(async () => {
        const heard = [];
        const first = await Notification.requestPermission((p) => heard.push(p));
        const bare = await Notification.requestPermission();
        const throwing = await Notification.requestPermission(() => {
          throw new Error('page callback fails');
        });
        return [first, bare, throwing, heard, Notification.permission];
      });
      assert.deepEqual(got, ['granted', 'granted', 'granted', ['granted'], 'granted']);
    });
  });

  test('a new notification becomes a balloon with the title and body as texts', async () => {
    await withShell({}, async ({ native, open }) => {
      const page = await open(`https://${SITE}/home`);
      const made = await page.evaluate(() => {
        const n = new Notification('t');
        n.close();
        n.addEventListener('click', () => {});
        n.removeEventListener('click', () => {});
        new Notification('Title', { body: 'Body text' });
        new Notification();
        new Notification(5, { body: 7 });
        return [n.title, n.body, n.onclick, n.onclose, n instanceof Notification];
      });
      assert.deepEqual(made, ['t', '', null, null, true]);
      const calls = await native.waitForCalls('__zoNotify', 4);
      assert.deepEqual(calls.map((c) => c.params),
        [['t', ''], ['Title', 'Body text'], ['', ''], ['5', '7']]);
    });
  });
});

describe('update notice', () => {
  const versionJson = (windows) => [200, 'application/json', JSON.stringify({ mac: { version: '99.0.0' }, windows })];

  // Opens a page in a new tab (a new browsing session) and waits until the version file has been
  // read and handled.
  async function openChecked(open, url) {
    const page = await open();
    const response = page.waitForResponse((r) => r.url().endsWith('/dl/version.json'));
    await page.goto(url);
    await (await response).finished();
    await pause(page);
    return page;
  }
  const barOf = (page) => page.evaluate(() => {
    const bar = document.querySelector('div[role=status]');
    if (!bar) return null;
    const [text, link, close] = bar.children;
    const style = getComputedStyle(bar);
    const dock = document.getElementById('zo-dock');
    const box = bar.getBoundingClientRect();
    return {
      gapToBottom: innerHeight - box.bottom,
      gapToDock: dock ? dock.getBoundingClientRect().top - box.bottom : null,
      dir: bar.getAttribute('dir'), text: text.textContent, link: link.textContent,
      href: link.getAttribute('href'), close: close.textContent,
      closeLabel: close.getAttribute('aria-label'), closeType: close.type,
      style: [style.position, style.left, style.right, style.zIndex, style.backgroundColor,
        style.color, style.display],
      inBody: bar.parentNode === document.body,
    };
  });

  test('shows only for a newer windows version than the shell\'s', async () => {
    await withShell({}, async ({ open }) => {
      const cases = [
        [versionJson({ version: '2.1.10' }), true],
        [versionJson({ version: '2.1.6' }), true],
        [versionJson({ version: '2.2' }), true],
        [versionJson({ version: '10.0.0' }), true],
        [versionJson({ version: '2.1.5' }), false],
        [versionJson({ version: '2.1' }), false],
        [versionJson({ version: '2.1.5.9' }), false],
        [versionJson({ version: '2.1.x' }), false],
        [versionJson({ version: '1.99.99' }), false],
        [versionJson(undefined), false],
        [[200, 'application/json', '{"windows": {"version": "3.0.0"'], false],
        [[404, 'text/plain', 'not found'], false],
      ];
      for (const [file, shown] of cases) {
        versionFile = file;
        const page = await openChecked(open, `https://${MAIN}/home`);
        assert.equal(await barOf(page) !== null, shown, file[2]);
        await page.close();
      }
    });
  });

  test('English bar: text, update through the default browser, close', async () => {
    versionFile = versionJson({ version: '2.1.10', page: '/get/windows?from=app' });
    await withShell({}, async ({ native, open }) => {
      const page = await openChecked(open, `https://${MAIN}/en/home?lang=en`);
      assert.deepEqual(await barOf(page), {
        gapToBottom: 76, gapToDock: 12, dir: 'ltr', text: 'A newer Zorvel Office app is available (2.1.10).', link: 'Update',
        href: '/get/windows?from=app', close: '×', closeLabel: 'Close', closeType: 'button',
        style: ['fixed', '12px', '12px', '2147483000', 'rgb(42, 31, 110)', 'rgb(255, 255, 255)',
          'flex'],
        inBody: true,
      });
      await page.screenshot({ path: path.join(shots, 'update-en.png') });

      await page.getByRole('link', { name: 'Update' }).click();
      const [call] = await native.waitForCalls('__zoExternal', 1);
      assert.deepEqual(call.params, [`https://${MAIN}/get/windows?from=app`]);
      await pause(page);
      assert.equal(page.url(), `https://${MAIN}/en/home?lang=en`, 'the page does not navigate');

      await page.getByRole('button', { name: 'Close' }).click();
      assert.equal(await barOf(page), null);
    });
  });

  test('Arabic bar, with the download page as the default address', async () => {
    versionFile = versionJson({ version: '2.1.10' });
    await withShell({}, async ({ native, open }) => {
      const page = await openChecked(open, `https://${MAIN}/home`);
      const bar = await barOf(page);
      assert.equal(bar.gapToDock, 12, 'the bar stays clear of the dock');
      assert.deepEqual([bar.dir, bar.text, bar.link, bar.href, bar.close, bar.closeLabel], [
        'rtl', 'يتوفر إصدار أحدث من تطبيق زورفل أوفيس (2.1.10).', 'تحديث', '/download/', '×',
        'إغلاق',
      ]);
      await page.screenshot({ path: path.join(shots, 'update-ar.png') });
      await page.getByRole('link', { name: 'تحديث' }).click();
      const [call] = await native.waitForCalls('__zoExternal', 1);
      assert.deepEqual(call.params, [`https://${MAIN}/download/`]);
      await page.getByRole('button', { name: 'إغلاق' }).click();
      assert.equal(await barOf(page), null);
    });
  });

  test('without a dock (in a frame) the bar keeps 12px from the bottom', async () => {
    versionFile = versionJson({ version: '2.1.10' });
    await withShell({}, async ({ open }) => {
      const top = await open();
      const response = top.waitForResponse((r) => r.url().endsWith('/dl/version.json'));
      // The top page is on another suite site (no update check of its own, and the same site, so
      // that the frame keeps its session storage).
      await top.goto(`https://${SITE}/frame?src=${encodeURIComponent(`https://${MAIN}/en/x`)}`);
      await (await response).finished();
      const frame = top.frames().find((f) => f !== top.mainFrame());
      await frame.waitForSelector('div[role=status]');
      const bar = await barOf(frame);
      assert.deepEqual([bar.gapToBottom, bar.gapToDock, bar.dir], [12, null, 'ltr']);
    });
  });

  test('language: the document\'s, else the browser\'s; /en/ paths are English', async () => {
    versionFile = versionJson({ version: '2.1.10' });
    const cases = [
      ['ar', '/home?lang=en', 'ltr'],
      ['ar', '/home?lang=en-GB', 'ltr'],
      ['ar', '/en/home?lang=ar', 'ltr'],
      ['ar', '/home?lang=none', 'rtl'],
      ['ar', '/eng/home?lang=ar', 'rtl'],
      ['en-US', '/home?lang=none', 'ltr'],
      ['en-US', '/home?lang=ar', 'rtl'],
    ];
    for (const [locale, p, dir] of cases) {
      await withShell({ locale }, async ({ open }) => {
        const page = await openChecked(open, `https://${MAIN}${p}`);
        assert.equal((await barOf(page))?.dir, dir, `${locale} ${p}`);
      });
    }
  });

  test('checks once per browsing session, on the main host only', async () => {
    versionFile = versionJson({ version: '2.1.10' });
    await withShell({}, async ({ open }) => {
      const count = () => requestsFor(MAIN, '/dl/version.json').length;
      const start = count();
      const page = await openChecked(open, `https://${MAIN}/home`);
      assert.notEqual(await barOf(page), null);
      assert.equal(await page.evaluate(() => sessionStorage.getItem('zo_upd')), '1');
      await page.reload();
      await page.goto(`https://${MAIN}/en/other`);
      await pause(page);
      assert.equal(await barOf(page), null);
      assert.equal(count(), start + 1);

      const second = await openChecked(open, `https://${MAIN}/home`);
      assert.notEqual(await barOf(second), null, 'a new tab is a new session');
      assert.equal(count(), start + 2);

      for (const host of [SITE, OTHER]) {
        const page = await open(`https://${host}/home`);
        await pause(page);
        assert.equal(await barOf(page), null);
      }
      assert.equal(count(), start + 2);
      assert.equal(server.requests.filter((r) => r.path === '/dl/version.json' && r.host !== MAIN)
        .length, 0);
    });
  });
});

describe('launch file', () => {
  const bytes = [0, 1, 2, 0x7f, 0x80, 0xfe, 0xff, ...Buffer.from('PK\u0003\u0004زورفل')];
  const name = 'تقرير "الربع\\الأول".docx';
  const dropsOf = async (page) => {
    await page.waitForFunction(() => window.__drops.every((d) => d.count === 0 || d.bytes));
    return page.evaluate(() => window.__drops);
  };

  test('is dropped once, into the first suite editor page that loads', async () => {
    await withShell({ launchFile: { name, bytes } }, async ({ native, open }) => {
      const page = await open(`https://${MAIN}/en/suite/doc`);
      await page.waitForFunction(() => window.__drops.length > 0);
      assert.deepEqual(await dropsOf(page), [{
        bubbles: true, cancelable: true, onDocument: true, isDrag: true, count: 1, name,
        type: '', bytes,
      }]);

      await page.reload();
      await native.waitForCalls('__zoArgFile', 2);
      await pause(page);
      assert.deepEqual(await dropsOf(page), []);

      const next = await open(`https://${MAIN}/suite/sheet`);
      await native.waitForCalls('__zoArgFile', 3);
      await pause(next);
      assert.deepEqual(await dropsOf(next), []);
    });
  });

  test('is not asked for on other paths or hosts, and waits for a suite page', async () => {
    await withShell({ launchFile: { name: 'a.bin', bytes: [1, 2, 3] } }, async ({ native, open }) => {
      for (const url of [`https://${MAIN}/en/home`, `https://${MAIN}/suitex/doc`,
        `https://${MAIN}/en/suitex/doc`, `https://${MAIN}/ar/suite/doc`,
        `https://${SITE}/suite/doc`, `https://${OTHER}/suite/doc`, `https://${APP}/suite/doc`]) {
        const page = await open(url);
        await pause(page);
        assert.deepEqual(await dropsOf(page), [], url);
        await page.close();
      }
      assert.equal(native.ofMethod('__zoArgFile').length, 0);

      const page = await open(`https://${MAIN}/suite/doc`);
      await page.waitForFunction(() => window.__drops.length > 0);
      const [drop] = await dropsOf(page);
      assert.deepEqual([drop.name, drop.bytes], ['a.bin', [1, 2, 3]]);
    });
  });
});

describe('downloads', () => {
  // Adds a blob link, a data link and an https link, each with a download attribute.
  const addLinks = (page) => page.evaluate(() => {
    const add = (id, href, name) => {
      const a = document.createElement('a');
      a.id = id;
      a.href = href;
      a.download = name;
      a.textContent = id;
      document.body.prepend(a, document.createElement('br'));
    };
    add('blob', URL.createObjectURL(new Blob(['hi'], { type: 'text/plain' })), 'r.txt');
    add('data', 'data:application/x-zo;base64,AAEC', '');
    add('web', '/files/a.txt', 'a.txt');
  });

  test('this shell has no save service: links download as usual', async () => {
    await withShell({}, async ({ open }) => {
      const page = await open(`https://${MAIN}/home`);
      await addLinks(page);
      assert.equal(await page.evaluate(() => typeof window.__zoSaveUrl), 'undefined');
      const [download] = await Promise.all([page.waitForEvent('download'), page.click('#blob')]);
      assert.equal(download.suggestedFilename(), 'r.txt');
    });
  });

  test('with a save service, blob and data downloads go to it', async () => {
    const context = await browser.newContext({ ignoreHTTPSErrors: true });
    try {
      await context.addInitScript(`window.__ZO_NATIVE = { platform: "windows", version: "2.1.5",
        save: function (name, type, b64) { (window.__saved = window.__saved || []).push([name, type, b64]);
          return Promise.resolve(true); } };`);
      await context.addInitScript(nativeHelperScript);
      const page = await context.newPage();
      const downloads = [];
      page.on('download', (d) => downloads.push(d.suggestedFilename()));
      await page.goto(`https://${MAIN}/home`);
      await addLinks(page);
      await page.click('#blob');
      await page.click('#data');
      await page.evaluate(() => {
        const a = document.createElement('a');
        a.href = URL.createObjectURL(new Blob([new Uint8Array([255, 0])]));
        a.download = 'detached.bin';
        a.click();
      });
      await page.waitForFunction(() => window.__saved?.length === 3);
      // Each save waits for its own fetch, so they may finish in any order.
      const saved = await page.evaluate(() => window.__saved);
      assert.deepEqual([...saved].sort((a, b) => a[0].localeCompare(b[0])), [
        ['detached.bin', 'application/octet-stream', '/wA='],
        ['file', 'application/x-zo', 'AAEC'],
        ['r.txt', 'text/plain', 'aGk='],
      ]);
      const [download] = await Promise.all([page.waitForEvent('download'), page.click('#web')]);
      assert.equal(download.suggestedFilename(), 'a.txt');
      assert.deepEqual(downloads, ['a.txt']);
      assert.equal(await page.evaluate(() => typeof window.__zoSaveUrl), 'function');
    } finally {
      await context.close();
    }
  });
});

describe('dock', () => {
  const dockOf = (page) => page.evaluate(() => {
    const dock = document.getElementById('zo-dock');
    if (!dock) return null;
    const style = getComputedStyle(dock);
    const box = dock.getBoundingClientRect();
    return {
      count: document.querySelectorAll('#zo-dock').length,
      role: dock.getAttribute('role'), label: dock.getAttribute('aria-label'),
      dir: dock.getAttribute('dir'), inBody: dock.parentNode === document.body,
      style: [style.position, style.bottom, dock.style.left, dock.style.right, style.zIndex,
        style.backgroundColor, style.display, style.fontWeight, style.fontSize],
      fromLeft: box.left, fromRight: innerWidth - box.right, fromBottom: innerHeight - box.bottom,
      buttons: [...dock.children].map((b) => ({
        id: b.id, type: b.type, title: b.title, label: b.getAttribute('aria-label'),
        glyph: b.firstChild.textContent, glyphHidden: b.firstChild.getAttribute('aria-hidden'),
        glyphSize: getComputedStyle(b.firstChild).fontSize, text: b.textContent,
        x: b.getBoundingClientRect().left,
      })),
    };
  });

  const checkDock = (dock, { en }) => {
    assert.equal(dock.count, 1);
    assert.deepEqual([dock.role, dock.label, dock.dir, dock.inBody],
      ['navigation', en ? 'App navigation' : 'تنقل التطبيق', en ? 'ltr' : 'rtl', true]);
    assert.deepEqual(dock.style, ['fixed', '16px', en ? '' : '16px', en ? '16px' : '',
      '2147483646', 'rgb(42, 31, 110)', 'flex', '700', '14px']);
    assert.equal(Math.round(en ? dock.fromRight : dock.fromLeft), 16);
    assert.equal(Math.round(dock.fromBottom), 16);
    const [back, apps] = dock.buttons;
    const backLabel = en ? 'Back' : 'رجوع';
    const appsLabel = en ? 'Apps' : 'التطبيقات';
    assert.deepEqual({ ...back, x: 0 }, {
      id: 'zo-dock-back', type: 'button', title: backLabel, label: backLabel,
      glyph: en ? '\u2190' : '\u2192', glyphHidden: 'true', glyphSize: '18px',
      text: (en ? '\u2190' : '\u2192') + backLabel, x: 0,
    });
    assert.deepEqual({ ...apps, x: 0 }, {
      id: 'zo-dock-apps', type: 'button', title: appsLabel, label: appsLabel, glyph: '\u25a6',
      glyphHidden: 'true', glyphSize: '18px', text: '\u25a6' + appsLabel, x: 0,
    });
    assert.equal(back.x < apps.x, en, 'Back comes first in reading order');
  };

  test('English dock on the right, with its labels and glyphs', async () => {
    await withShell({}, async ({ open }) => {
      const page = await open(`https://${OTHER}/page?lang=en`);
      checkDock(await dockOf(page), { en: true });
      await page.screenshot({ path: path.join(shots, 'dock-en.png') });
      const back = page.locator('#zo-dock-back');
      assert.equal(await back.evaluate((b) => getComputedStyle(b).backgroundColor),
        'rgba(0, 0, 0, 0)');
      await back.hover();
      assert.equal(await back.evaluate((b) => getComputedStyle(b).backgroundColor),
        'rgba(255, 255, 255, 0.16)');
    });
  });

  test('Arabic dock on the left, whatever the browser\'s language', async () => {
    for (const [locale, query] of [['ar', '?lang=ar'], ['en-US', '?lang=none']]) {
      await withShell({ locale }, async ({ open }) => {
        const page = await open(`https://${OTHER}/home${query}`);
        checkDock(await dockOf(page), { en: false });
        if (locale === 'ar') await page.screenshot({ path: path.join(shots, 'dock-ar.png') });
      });
    }
  });

  test('absent in frames, on the shell page and on pages that are not http or https',
    async () => {
      await withShell({}, async ({ open }) => {
        const top = await open(`https://${OTHER}/frame`);
        const frame = top.frames().find((f) => f !== top.mainFrame());
        await frame.waitForLoadState();
        assert.equal((await dockOf(top)).count, 1);
        assert.equal(await frame.evaluate(() => typeof window.__ZO_NATIVE), 'object');
        assert.equal(await dockOf(frame), null);

        const shell = await open(START);
        assert.equal(await dockOf(shell), null);

        const data = await open('data:text/html,<!doctype html><body><p>data page</p>');
        assert.equal(await data.evaluate(() => typeof window.__ZO_NATIVE), 'object');
        assert.equal(await dockOf(data), null);

        const blank = await open('about:blank');
        await blank.setContent('<!doctype html><body><p>blank page</p>');
        assert.equal(await blank.evaluate(() => typeof window.__ZO_NATIVE), 'object');
        assert.equal(await dockOf(blank), null);

        const http = await open(plain.origin + '/');
        assert.equal((await dockOf(http))?.count, 1, 'plain http pages get the dock');
      });
    });

  test('running the init script again adds no second dock and no second helper', async () => {
    await withShell({}, async ({ native, open }) => {
      const page = await open(`https://${MAIN}/home`);
      await page.evaluate(initScript());
      await page.evaluate(initScript());
      assert.equal((await dockOf(page)).count, 1);
      await page.evaluate(() => {
        new Notification('once');
      });
      await native.waitForCalls('__zoNotify', 1);
      await pause(page);
      assert.equal(native.ofMethod('__zoNotify').length, 1);
    });
  });

  test('Alt+Home goes to the shell page, except on the shell page itself', async () => {
    await withShell({}, async ({ open }) => {
      for (const url of [`https://${OTHER}/page`, `https://${MAIN}/en/suite/doc`]) {
        const page = await open(url);
        await page.keyboard.press('Alt+Home');
        await page.waitForURL(START);
        await page.close();
      }
      const shell = await open(START);
      await shell.evaluate(() => {
        window.__keys = [];
        window.addEventListener('keydown', (e) => window.__keys.push([e.key, e.defaultPrevented]));
        history.replaceState(null, '', location.href + '&here=1');
      });
      await shell.keyboard.press('Alt+Home');
      await pause(shell);
      assert.deepEqual(await shell.evaluate(() => window.__keys), [['Alt', false], ['Home', false]]);
      assert.equal(shell.url(), START + '&here=1');
    });
  });

  test('Back goes back in history, or to the shell page; Apps goes to the shell page',
    async () => {
      await withShell({}, async ({ context, open }) => {
        const page = await open(`https://${OTHER}/a`);
        await page.goto(`https://${OTHER}/b`);
        await page.click('#zo-dock-back');
        await page.waitForURL(`https://${OTHER}/a`);

        const [popup] = await Promise.all([
          context.waitForEvent('page'),
          page.evaluate((u) => {
            window.open(u);
          }, `https://${OTHER}/c`),
        ]);
        await popup.waitForLoadState();
        // A new window's first document may predate the context's scripts here: load it anew.
        await popup.reload();
        assert.equal(await popup.evaluate(() => history.length), 1);
        await popup.click('#zo-dock-back');
        await popup.waitForURL(START);

        await page.click('#zo-dock-apps');
        await page.waitForURL(START);
      });
    });
});
