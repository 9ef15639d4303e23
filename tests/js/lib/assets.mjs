// The shell's page scripts and offline page exactly as the executable embeds them (printed by the
// native print_scripts tool from the header the build generates), and the configuration the tests
// use to name the suite's hosts.
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');
const confPath = process.env.SUITE_CONF || path.join(root, 'app/suite.conf');
const tool = process.env.PRINT_SCRIPTS || path.join(root, 'build/native/print_scripts');

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

const print = (...args) => execFileSync(tool, args, { encoding: 'utf8' });

export const nativeBootstrapScript = print('asset', 'native_bootstrap');
export const nativeHelperScript = print('asset', 'native_helper');
export const dockScript = print('asset', 'dock');
export const offlinePageTemplate = print('asset', 'offline');

// The one script the shell adds to every document, composed as the shell composes it.
export const initScript = () => nativeBootstrapScript + nativeHelperScript + '\n' + dockScript;

// The offline page as the shell fills it for `url`.
export const offlinePage = (url) => print('offline_page', url);
