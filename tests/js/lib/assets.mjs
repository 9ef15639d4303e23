// The shell's page scripts and offline page with the configuration written in, exactly as
// cmake/embed_assets.cmake writes them into the executable, so the browser tests run the same text.
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');
const confPath = process.env.SUITE_CONF || path.join(root, 'app/suite.conf');
const assetsDir = process.env.ASSETS_DIR || path.join(root, 'app/assets');

const required = ['SUITE_DOMAIN', 'SUITE_MAIN_HOST', 'SUITE_APP_HOST', 'SUITE_SITE_PATTERN',
  'APP_VERSION', 'RUNTIME_DOWNLOAD_URL'];

// KEY=VALUE lines; "#" starts a comment line; blanks around keys and values are dropped.
function readConf(file) {
  const conf = {};
  readFileSync(file, 'utf8').replace(/\r/g, '').split('\n').forEach((line, i) => {
    const stripped = line.trim();
    if (stripped === '' || stripped.startsWith('#')) return;
    const eq = stripped.indexOf('=');
    if (eq < 1) throw new Error(`${file}:${i + 1}: expected KEY=VALUE`);
    const key = stripped.slice(0, eq).trim();
    const value = stripped.slice(eq + 1).trim();
    if (!/^[A-Z][A-Z0-9_]*$/.test(key)) throw new Error(`${file}:${i + 1}: bad key ${key}`);
    if (!/^[ -~]*$/.test(value)) throw new Error(`${file}:${i + 1}: ${key} must be printable ASCII`);
    conf[key] = value;
  });
  for (const key of required) {
    if (!conf[key]) throw new Error(`${file} does not set ${key}`);
  }
  conf.START_URL = `https://${conf.SUITE_APP_HOST}/app/?platform=desktop`;
  return conf;
}

export const config = Object.freeze(readConf(confPath));

// Every placeholder stands inside a double-quoted script string.
const scriptStringEscape = (value) =>
  value.replace(/\\/g, '\\\\').replace(/"/g, '\\"').replace(/</g, '\\u003c');

function load(file) {
  let text = readFileSync(path.join(assetsDir, file), 'utf8');
  for (const [key, value] of Object.entries(config)) {
    text = text.split(`@${key}@`).join(scriptStringEscape(value));
  }
  const left = text.match(/@[A-Z][A-Z0-9_]*@/);
  if (left) throw new Error(`${file} uses the unknown placeholder ${left[0]}`);
  return text;
}

export const nativeBootstrapScript = load('native_bootstrap.js');
export const nativeHelperScript = load('native_helper.js');
export const dockScript = load('dock.js');
export const offlinePageTemplate = load('offline.html');

if (offlinePageTemplate.split('%URL%').length !== 2) {
  throw new Error('offline.html must hold %URL% exactly once');
}

// The one script the shell adds to every document.
export const initScript = () => nativeBootstrapScript + nativeHelperScript + '\n' + dockScript;

// The offline page as the shell fills it: the address in place of the one %URL%, with any "<"
// percent-encoded (the browser reports addresses with "<" encoded already), not searched again.
export const offlinePage = (url) =>
  offlinePageTemplate.replace('%URL%', () => url.replace(/</g, '%3C'));
