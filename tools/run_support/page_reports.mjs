// Prints what the program's page reports while scripts/run.sh runs, so a run without a display
// can be followed: each address the page shows, its console messages and its uncaught errors.
// It follows the page over the browser-backed runtime's DevTools endpoint, and again after the
// browser was replaced.
//
//   node --experimental-websocket tools/run_support/page_reports.mjs PROFILE_DIR
import { connect, devtoolsPort, pageTarget, sleep } from './devtools_client.mjs';

const [profile] = process.argv.slice(2);
const clip = (text) => (text.length > 300 ? text.slice(0, 297) + '...' : text);
// The offline page is a data: document; its address would print the whole page.
const shown = (url) => (url.startsWith('data:') ? 'the offline page (a document of its own)' : url);

function describe(arg) {
  if (arg.type === 'string') return arg.value;
  if ('value' in arg) return JSON.stringify(arg.value);
  return arg.description ?? arg.type;
}

for (;;) {
  let page;
  try {
    page = await connect((await pageTarget(await devtoolsPort(profile, 600000), 600000)).webSocketDebuggerUrl);
  } catch {
    await sleep(1000);
    continue;
  }
  page.on('Page.frameNavigated', ({ frame }) => {
    if (!frame.parentId) console.log(`Page address: ${clip(shown(frame.url))}`);
  });
  page.on('Runtime.consoleAPICalled', ({ type, args }) => {
    console.log(`Page console.${type}: ${clip(args.map(describe).join(' '))}`);
  });
  page.on('Runtime.exceptionThrown', ({ exceptionDetails: d }) => {
    console.log(`Page error: ${clip(d.exception?.description ?? d.text)}`);
  });
  try {
    await page.send('Page.enable');
    await page.send('Runtime.enable');
    console.log(`Page address: ${clip(shown(String(await page.evaluate('location.href'))))}`);
  } catch {}
  await page.closed;
  await sleep(1000);
}
