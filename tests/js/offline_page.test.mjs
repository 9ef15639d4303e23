// The shell's offline page in headless Chromium, shown the way the shell shows it: filled with
// the retry address and loaded as a document of its own (about:blank with the page's text), in a
// context that has the shell's document scripts. Timers run on the page clock.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { setTimeout as sleep } from 'node:timers/promises';
import { launchBrowser } from './lib/browser.mjs';
import { startHttpsServer } from './lib/https_server.mjs';
import { addShellScripts } from './lib/native_side.mjs';
import { config, offlinePage, offlinePageTemplate } from './lib/assets.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const shots = path.join(root, 'artifacts/screenshots');

const MAIN = config.SUITE_MAIN_HOST;
const START = config.START_URL;
const TARGET = `https://${MAIN}/suite/doc?id=7`;
const ROBOTS = `https://${MAIN}/robots.txt`;
// A site outside the suite whose name never resolves here.
const DOWN_HOST = 'down.example.test';
const DOWN = `https://${DOWN_HOST}/reports/q3?view=full`;
const DOWN_ROBOTS = `https://${DOWN_HOST}/robots.txt`;
const HOME_TEXT = 'العودة إلى الصفحة الرئيسية · Back to the start page';

let server, browser;

before(async () => {
  // robots.txt is not served: a 404 is an answer like any other.
  server = await startHttpsServer((req, url, host) =>
    url.pathname === '/robots.txt' ? undefined :
      [200, 'text/html', `<!doctype html><title>${host}</title><body>${host}${url.pathname}`]);
  browser = await launchBrowser([
    server.resolverRules(`*.${config.SUITE_DOMAIN}`),
    // The suite's hosts resolve to loopback here, which Chromium would shield from the offline
    // page's probe (a page with no origin reaching a more private address); on the real network
    // they are public addresses.
    '--disable-features=LocalNetworkAccessChecks,BlockInsecurePrivateNetworkRequests',
  ]);
  mkdirSync(shots, { recursive: true });
});

after(async () => {
  await browser?.close();
  await server?.close();
});

// A fresh context with the shell's scripts and one page; `show` puts the filled offline page in
// it. Probe attempts are counted from the page's requests (offline attempts included): `probes`
// holds those of the main site, `robots` every robots.txt request.
async function withPage(body, { clock = false } = {}) {
  const context = await browser.newContext({
    ignoreHTTPSErrors: true, locale: 'ar', viewport: { width: 1000, height: 700 },
  });
  const errors = [];
  try {
    await addShellScripts(context);
    const page = await context.newPage();
    page.on('pageerror', (e) => errors.push(e.message));
    const probes = [];
    const robots = [];
    page.on('request', (r) => {
      if (r.url() === ROBOTS) probes.push(r);
      if (new URL(r.url()).pathname === '/robots.txt') robots.push(r);
    });
    if (clock) {
      // Page time stands still from here on and moves only by runFor.
      const t0 = new Date('2030-01-01T00:00:00Z');
      await page.clock.install({ time: t0 });
      await page.clock.pauseAt(new Date(t0.getTime() + 60000));
    }
    const show = async (html) => {
      await page.goto('about:blank');
      await page.setContent(html);
    };
    await body({ context, page, show, probes, robots });
    assert.deepEqual(errors, [], 'script errors in the page');
  } finally {
    await context.close();
  }
}

const waitUntil = async (check, what, timeout = 5000) => {
  const end = Date.now() + timeout;
  while (!check()) {
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await sleep(20);
  }
};

describe('offline page', () => {
  test('layout, texts and styles', async () => {
    await withPage(async ({ page, show }) => {
      await show(offlinePage(TARGET));
      const got = await page.evaluate(() => {
        const css = (sel, ...props) => {
          const s = getComputedStyle(document.querySelector(sel));
          return props.map((p) => s.getPropertyValue(p));
        };
        const badge = document.querySelector('main > :first-child');
        const svg = badge.querySelector('svg');
        const main = document.querySelector('main').getBoundingClientRect();
        return {
          title: document.title,
          lang: document.documentElement.lang,
          dir: document.documentElement.dir,
          charset: document.characterSet,
          viewport: document.querySelector('meta[name=viewport]').content,
          texts: [...document.querySelectorAll('main > h1, main > p, main > button')]
            .map((e) => [e.tagName, e.textContent]),
          english: [document.querySelector('p[lang=en]') !== null,
            ...css('p[lang=en]', 'direction', 'color', 'font-size', 'margin-top')],
          arabic: css('main > p', 'color', 'margin-top', 'margin-bottom'),
          body: css('body', 'background-color', 'color', 'font-size', 'line-height', 'font-family'),
          heading: css('h1', 'font-size', 'margin-bottom'),
          main: [...css('main', 'max-width', 'padding', 'text-align'),
            Math.round(main.left + main.width / 2), Math.round(main.top + main.height / 2)],
          badge: [badge.getAttribute('aria-hidden'), badge.getBoundingClientRect().width,
            badge.getBoundingClientRect().height,
            ...css('main > :first-child', 'border-radius', 'background-color', 'margin-bottom')],
          icon: [svg.getAttribute('width'), svg.getAttribute('height'), svg.getAttribute('stroke'),
            svg.querySelectorAll('path[stroke="#ffb4a8"]').length,
            svg.querySelectorAll('circle').length],
          button: [document.querySelector('#r').type, ...css('#r', 'background-color', 'color',
            'border-top-style', 'border-radius', 'padding', 'font-weight', 'font-size',
            'min-height', 'margin-top')],
          dock: document.getElementById('zo-dock'),
        };
      });
      assert.deepEqual(got, {
        title: 'زورفل أوفيس — لا يوجد اتصال',
        lang: 'ar',
        dir: 'rtl',
        charset: 'UTF-8',
        viewport: 'width=device-width,initial-scale=1',
        texts: [
          ['H1', 'لا يوجد اتصال بالإنترنت'],
          ['P', 'زورفل أوفيس يحتاج اتصالًا ليفتح ملفاتك. ملفاتك محفوظة ولن تضيع.'],
          ['P', 'تحقّق من الشبكة ثم اضغط «إعادة المحاولة».'],
          ['P', 'You\'re offline. Zorvel Office needs a connection to open your files. Check your ' +
            'network and try again.'],
          ['BUTTON', 'إعادة المحاولة · Try again'],
        ],
        english: [true, 'ltr', 'rgb(93, 90, 125)', '14px', '14px'],
        arabic: ['rgb(74, 70, 112)', '6px', '6px'],
        body: ['rgb(246, 245, 251)', 'rgb(29, 24, 70)', '16px', '25.6px',
          '"Segoe UI", Tahoma, system-ui, sans-serif'],
        heading: ['22px', '8px'],
        main: ['440px', '32px 24px', 'center', 500, 350],
        badge: ['true', 72, 72, '18px', 'rgb(42, 31, 110)', '18px'],
        icon: ['40', '40', '#fff', 1, 1],
        button: ['button', 'rgb(42, 31, 110)', 'rgb(255, 255, 255)', 'none', '12px', '12px 28px',
          '600', '16px', '44px', '22px'],
        dock: null,
      });

      await page.screenshot({ path: path.join(shots, 'offline.png') });
      await page.keyboard.press('Tab');
      assert.deepEqual(await page.evaluate(() => {
        const s = getComputedStyle(document.activeElement);
        return [document.activeElement.id, s.outlineStyle, s.outlineWidth, s.outlineColor,
          s.outlineOffset];
      }), ['r', 'solid', '3px', 'rgb(143, 124, 240)', '2px']);
    });
  });

  test('the button goes to the filled address exactly, whatever characters it holds',
    async () => {
      await withPage(async ({ page, show }) => {
        // Let the browser report an address with every character that survives its parser and
        // matters in a script: backslashes, quotes, backticks, "${", a line separator, the
        // placeholder itself and an attempt at a closing script tag.
        await page.goto(`https://${MAIN}/it's/a\\b?q=a\\b\`c\${x}'"</script>%URL%&s=\u2028\u00e9\\` +
          '#f\\\'"<x>`${y}\\');
        const reported = page.url();
        for (const part of ['\\', '`', '${', '%URL%', '\'']) {
          assert.ok(reported.includes(part), `${reported} holds ${part}`);
        }
        const addresses = [reported, `${START}&w=zorveloffice%3A%2F%2Fopen%3Ffile%3D1`, TARGET];
        for (const address of addresses) {
          await show(offlinePage(address));
          await page.click('#r');
          await page.waitForURL((u) => u.href === address);
        }
        // An address handed over with a raw "<" (never reported so by the browser) cannot end
        // the page's address block early either; it arrives in its encoded form.
        const written = `https://${MAIN}/x?a=</script><script>document.title="x"</script>`;
        await show(offlinePage(written));
        await page.click('#r');
        await page.waitForURL((u) => u.href === new URL(written).href);

        const raw = server.requests.filter((r) => r.host === MAIN).map((r) => r.raw);
        assert.equal(raw.filter((r) => reported.includes(r) && r.includes('%URL%')).length, 2,
          'the odd address was requested twice: once directly, once by the retry');
      });
    });

  test('an address that is not https, or none at all, retries the start page', async () => {
    await withPage(async ({ page, show }) => {
      for (const html of [offlinePage('http://zo-office.zorvel.net/'),
        offlinePage('javascript:document.title="x"'), offlinePageTemplate]) {
        await show(html);
        await page.click('#r');
        await page.waitForURL(START);
      }
    });
  });

  test('going back on line retries at once; off line there is no probe', async () => {
    await withPage(async ({ context, page, show, probes }) => {
      await context.setOffline(true);
      await show(offlinePage(TARGET));
      assert.equal(await page.evaluate(() => navigator.onLine), false);
      await page.clock.runFor(8000 * 4);
      await sleep(300);
      assert.equal(probes.length, 0);
      assert.equal(page.url(), 'about:blank');

      await context.setOffline(false);
      await page.waitForURL(TARGET);
      assert.equal(probes.length, 0, 'the retry came from the online event, not from a probe');
    }, { clock: true });
  });

  test('every 8000 ms an on-line probe of the failed address\'s host retries on any answer', async () => {
    await withPage(async ({ page, show, probes }) => {
      await show(offlinePage(TARGET));
      await page.clock.runFor(7999);
      await sleep(300);
      assert.equal(probes.length, 0);
      assert.equal(page.url(), 'about:blank');

      const before = server.requests.length;
      await page.clock.runFor(1);
      await page.waitForURL(TARGET);
      assert.equal(probes.length, 1);
      const probe = server.requests.slice(before).find((r) => r.path === '/robots.txt');
      assert.equal(probe.host, MAIN);
      assert.equal(probe.headers['sec-fetch-mode'], 'no-cors');
      assert.equal(probe.headers['cache-control'], 'no-cache', 'the probe bypasses the cache');
    }, { clock: true });
  });

  test('a failed probe keeps the timer running', async () => {
    await withPage(async ({ page, show, probes }) => {
      let fail = true;
      await page.route(ROBOTS, (route) => (fail ? route.abort('connectionrefused') :
        route.fulfill({ status: 200, body: '' })));
      await show(offlinePage(TARGET));
      for (let n = 1; n <= 2; n++) {
        await page.clock.runFor(8000);
        await waitUntil(() => probes.length === n && probes[n - 1].failure(), `failed probe ${n}`);
        await sleep(200);
        assert.equal(page.url(), 'about:blank');
      }
      fail = false;
      await page.clock.runFor(8000);
      await page.waitForURL(TARGET);
      assert.equal(probes.length, 3);
    }, { clock: true });
  });

  test('a site outside the suite that stays down is not reloaded while the suite is up',
    async () => {
      await withPage(async ({ page, show, robots }) => {
        const downProbes = () => robots.filter((r) => r.url() === DOWN_ROBOTS);
        await show(offlinePage(DOWN));
        for (let n = 1; n <= 3; n++) {
          await page.clock.runFor(8000);
          await waitUntil(() => page.url() !== 'about:blank' ||
            (downProbes().length === n && downProbes()[n - 1].failure()),
          `failed probe ${n} of ${DOWN_HOST}`);
          await sleep(300);
          assert.equal(page.url(), 'about:blank', 'the page stays');
        }
      }, { clock: true });
    });

  test('a way back to the start page, except on the start page\'s own offline page', async () => {
    await withPage(async ({ page, show }) => {
      for (const address of [START, `${START}&w=zorveloffice%3A%2F%2Fopen`]) {
        await show(offlinePage(address));
        assert.equal(await page.locator('#h').isVisible(), false, address);
      }
      for (const address of [DOWN, TARGET]) {
        await show(offlinePage(address));
        const home = page.getByRole('link', { name: HOME_TEXT });
        assert.equal(await home.isVisible(), true, address);
        await home.click();
        await page.waitForURL(START);
      }
    });
  });

  test('an unreachable site says so while the suite answers, and that the user is offline when ' +
    'the suite does not answer either', async () => {
    const texts = (page) => page.evaluate(() => [document.title,
      ...[...document.querySelectorAll('main > h1, main > p')].map((e) => e.textContent)]);
    const offline = ['زورفل أوفيس — لا يوجد اتصال', 'لا يوجد اتصال بالإنترنت',
      'زورفل أوفيس يحتاج اتصالًا ليفتح ملفاتك. ملفاتك محفوظة ولن تضيع.',
      'تحقّق من الشبكة ثم اضغط «إعادة المحاولة».',
      'You\'re offline. Zorvel Office needs a connection to open your files. Check your network ' +
        'and try again.'];
    await withPage(async ({ page, show, probes }) => {
      await show(offlinePage(DOWN));
      await page.waitForFunction(() => document.title !== 'زورفل أوفيس — لا يوجد اتصال');
      assert.deepEqual(await texts(page), [
        'زورفل أوفيس — تعذّر الوصول إلى الموقع',
        'تعذّر الوصول إلى هذا الموقع',
        `اتصالك بالإنترنت يعمل، لكن الموقع ${DOWN_HOST} لا يستجيب الآن.`,
        'سيُفتح من جديد حين يستجيب، أو اضغط «إعادة المحاولة».',
        `This site can't be reached. Your connection works, but ${DOWN_HOST} is not responding. ` +
          'Zorvel Office opens it again once it answers; you can also try again.',
      ]);
      assert.equal(await page.locator('bdi').textContent(), DOWN_HOST,
        'the host name keeps its own direction in the Arabic line');
      await page.screenshot({ path: path.join(shots, 'offline-site-down.png') });

      await page.route(ROBOTS, (route) => route.abort('connectionrefused'));
      await show(offlinePage(DOWN));
      await waitUntil(() => probes.length === 2 && probes[1].failure(), 'the failed look');
      await sleep(300);
      assert.deepEqual(await texts(page), offline);
    });
  });

  test('a suite page comes back by itself once its own host answers, the main site down',
    async () => {
      await withPage(async ({ page, show, robots }) => {
        await page.route(ROBOTS, (route) => route.abort('connectionrefused'));
        await show(offlinePage(START));
        await page.clock.runFor(8000);
        await page.waitForURL(START);
        const own = robots.filter((r) => r.url() === `https://${config.SUITE_APP_HOST}/robots.txt`);
        assert.equal(own.length, 1);
      }, { clock: true });
    });
});
