// A tour of the stand-in suite inside the running program, for runs that nobody can click in:
// it drives the program's page over the browser's DevTools endpoint (found in the browser-backed
// runtime's profile folder) through the start page, the editor page and its update bar's link,
// the notification page, the page that opens windows (a document in a new window, a popup that
// then closes itself, an outside link for a new tab), the pages outside the suite with the dock's
// Back and Apps, and a host that cannot be reached.
// Each step is named after what the window shows once the step is done. The name is written to
// STEP_FILE only once the page shows it (and STEP_FILE is emptied before the next step starts),
// so a screenshot taken while STEP_FILE holds a name shows that step.
//
//   node --experimental-websocket tools/standin_suite/tour.mjs PROFILE_DIR STEP_FILE DWELL_SECONDS
//       [--steps NAME,NAME...] [--with-file]
// --steps walks only the named steps, in the tour's order; --with-file waits on the editor page
// for the launch file's drop.
import { writeFileSync } from 'node:fs';
import { appHost, mainHost, outsideHost } from './pages.mjs';
import { connect, devtoolsPort, pageTarget, sleep } from '../run_support/devtools_client.mjs';

// The page of another window (a popup) whose address starts with `prefix`, or null.
async function windowAt(port, prefix) {
  const targets = await fetch(`http://127.0.0.1:${port}/json/list`).then((r) => r.json()).catch(() => []);
  const target = targets.find((t) => t.type === 'page' && t.url.startsWith(prefix));
  return target ? connect(target.webSocketDebuggerUrl) : null;
}

const [profile, stepFile, dwellText, ...options] = process.argv.slice(2);
const dwell = Number(dwellText || 6) * 1000;
const only = options.includes('--steps') ? options[options.indexOf('--steps') + 1].split(',') : null;
const withFile = options.includes('--with-file');

const start = `https://${appHost}/app/?platform=desktop`;
const at = (host, pathname) =>
  `location.host === ${JSON.stringify(host)} && location.pathname === ${JSON.stringify(pathname)}`;
const loaded = 'document.readyState === "complete"';
// Not awaited: the page waits while the program decides about the window it asked for.
const click = (id) => async () => {
  page.send('Runtime.evaluate', { expression: `document.getElementById("${id}").click()`, userGesture: true })
    .catch(() => {});
};
// The popup's own button, in the popup's page.
const closePopup = async () => {
  const popup = await windowAt(port, `https://${outsideHost}/popup/`);
  if (!popup) return;
  await popup.evaluate('document.getElementById("close-popup").click()').catch(() => {});
  popup.close();
};
// [name, action (an expression, or a function), what is true once the window shows the step,
// time the window takes to draw it]
const steps = [
  ['start-page', null, `${at(appHost, '/app/')} && ${loaded}`],
  [withFile ? 'editor-with-dropped-file' : 'editor',
    `location.href = "https://${mainHost}/en/suite/editor/"`,
    `${at(mainHost, '/en/suite/editor/')} && ${loaded} && !!document.querySelector("[role=status] a")` +
      (withFile ? ' && document.getElementById("drop-count").textContent !== "0"' : '')],
  ['update-link-opened-in-browser', 'document.querySelector("[role=status] a").click()',
    `${at(mainHost, '/en/suite/editor/')}`],
  ['notification-balloon', `location.href = "https://${mainHost}/en/suite/notify/?auto=native"`,
    `${at(mainHost, '/en/suite/notify/')} && document.title.indexOf("Notification answered") === 0`,
    3000], // the tray draws the balloon a moment after the answer
  ['windows-page', `location.href = "https://${mainHost}/en/suite/windows/"`,
    `${at(mainHost, '/en/suite/windows/')} && ${loaded}`],
  // Clicks that open windows come with a user gesture, as a person's would.
  ['document-in-new-window', click('open-document'),
    'window.__standinMessages.some(function (m) { return m.indexOf("editor opened") >= 0; })', 1500],
  ['popup', click('open-popup'),
    'window.__standinMessages.indexOf("https://' + outsideHost + ': popup opened") >= 0', 1500],
  ['popup-closed-itself', closePopup, '!!window.__standinPopup && window.__standinPopup.closed', 1500],
  ['outside-link-opened-in-browser', click('outside-new-tab'), at(mainHost, '/en/suite/windows/')],
  ['outside-page-with-dock', `location.href = "https://${outsideHost}/"`,
    `${at(outsideHost, '/')} && ${loaded} && !!document.getElementById("zo-dock-back")`],
  ['second-outside-page', 'document.getElementById("to-second").click()',
    `${at(outsideHost, '/second/')} && ${loaded} && !!document.getElementById("zo-dock-back")`],
  ['first-outside-page-after-dock-back', 'document.getElementById("zo-dock-back").click()',
    `${at(outsideHost, '/')} && ${loaded} && !!document.getElementById("zo-dock-back")`],
  ['start-page-after-dock-apps', 'document.getElementById("zo-dock-apps").click()',
    `${at(appHost, '/app/')} && ${loaded}`],
  ['offline-page', 'document.getElementById("to-unreachable").click()',
    '!!document.getElementById("u") && !!document.getElementById("r")'],
].filter(([name]) => !only || only.includes(name) || (name.startsWith('editor') && only.includes('editor')));

const port = await devtoolsPort(profile);
const page = await connect((await pageTarget(port)).webSocketDebuggerUrl);
const value = async (expression) => {
  try {
    return await page.evaluate(expression);
  } catch {
    return undefined; // a navigation may cut the reply off
  }
};
for (const [name, action, shows, draw = 800] of steps) {
  writeFileSync(stepFile, '');
  if (typeof action === 'function') await action().catch(() => {});
  else if (action) await value(action);
  let shown = false;
  for (const end = Date.now() + 20000; !shown && Date.now() < end;) {
    shown = (await value(shows)) === true;
    if (!shown) await sleep(200);
  }
  if (!shown) {
    console.log(`Tour: ${name}: not shown within 20 s`);
    continue;
  }
  await sleep(draw);
  writeFileSync(stepFile, name);
  const where = (await value('document.title + " <" + (location.protocol === "data:" ? ' +
    '"the offline page" : location.href) + ">"')) || '';
  console.log(`Tour: ${name}: ${where.length > 120 ? where.slice(0, 117) + '...' : where}`);
  await sleep(dwell);
}
writeFileSync(stepFile, '');
page.close();
console.log(`Tour: done (the start page is ${start})`);
