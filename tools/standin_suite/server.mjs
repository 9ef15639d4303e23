#!/usr/bin/env node
// The stand-in suite: one https server on 127.0.0.1 that answers for the suite's host names (and a
// host outside the suite) with stand-in pages, so the desktop program can be tried and tested on
// loopback. The browser reaches it through --host-resolver-rules (printed at start).
//
//   node tools/standin_suite/server.mjs [--port N] [--down-for SECONDS] [--log FILE]
//                                       [--port-file FILE] [--quiet]
//
// Stops on SIGINT or SIGTERM. SIGUSR1 switches between serving and "down" (every connection is
// reset, as a server that cannot be reached). See README.md beside this file.
import https from 'node:https';
import crypto from 'node:crypto';
import { execFileSync } from 'node:child_process';
import { appendFileSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { route, servedHosts } from './pages.mjs';

// A throwaway self-signed certificate for the served names, made at every start.
function throwawayCertificate() {
  const dir = mkdtempSync(path.join(tmpdir(), 'zo-standin-'));
  try {
    const key = path.join(dir, 'k.pem');
    const cert = path.join(dir, 'c.pem');
    execFileSync('openssl', ['req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-keyout', key, '-out',
      cert, '-days', '2', '-subj', '/CN=Zorvel Office stand-in suite',
      '-addext', 'subjectAltName=' + servedHosts.map((h) => 'DNS:' + h).join(',')], { stdio: 'ignore' });
    return { key: readFileSync(key), cert: readFileSync(cert) };
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// Base64 SHA-256 of the certificate's public key, as --ignore-certificate-errors-spki-list takes it.
function spkiHash(certPem) {
  const der = new crypto.X509Certificate(certPem).publicKey.export({ type: 'spki', format: 'der' });
  return crypto.createHash('sha256').update(der).digest('base64');
}

// Chromium's resolver rules: the served hosts go to the server, every other name fails to resolve
// (so nothing leaves the machine), IP literals are left alone.
export function resolverRules(address) {
  return [...servedHosts.map((h) => `MAP ${h} ${address}`), 'EXCLUDE 127.0.0.1', 'MAP * ~NOTFOUND'].join(',');
}

const readBody = (req, limit) => new Promise((resolve) => {
  let text = '';
  req.setEncoding('utf8');
  req.on('data', (chunk) => {
    if (text.length < limit) text += chunk;
  });
  req.on('end', () => resolve(text.slice(0, limit)));
  req.on('error', () => resolve(''));
});

// Starts the server. `record(entry)` receives every request ({host, method, path}) and every
// report of a page ({event: "drop"|"notify", ...}).
export async function startStandinSuite({ port = 8443, downForMs = 0, record = () => {} } = {}) {
  const credentials = throwawayCertificate();
  let down = downForMs > 0;
  const downTimer = down ? setTimeout(() => { down = false; }, downForMs) : null;
  const server = https.createServer(credentials, async (req, res) => {
    const host = String(req.headers.host || '').replace(/:\d+$/, '').toLowerCase();
    const url = new URL(req.url, `https://${host || 'localhost'}`);
    record({ host, method: req.method, path: url.pathname + url.search });
    res.setHeader('cache-control', 'no-store');
    if (req.method === 'POST' && (url.pathname === '/standin/drop' || url.pathname === '/standin/notify')) {
      let report = null;
      try {
        report = JSON.parse(await readBody(req, 4096));
      } catch {}
      record({ event: url.pathname.slice('/standin/'.length), host, report });
      res.writeHead(204).end();
      return;
    }
    const answer = req.method === 'GET' || req.method === 'HEAD' ? route(host, url) : null;
    if (!answer) {
      res.writeHead(404, { 'content-type': 'text/plain' }).end('Not found on the stand-in suite\n');
      return;
    }
    res.writeHead(answer.status, { 'content-type': answer.type });
    res.end(req.method === 'HEAD' ? undefined : answer.body);
  });
  // "Down": the connection is reset before the handshake, as a server that cannot be reached.
  server.on('connection', (socket) => {
    if (down) socket.resetAndDestroy();
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', resolve);
  });
  const actual = server.address().port;
  return {
    port: actual,
    rules: resolverRules(`127.0.0.1:${actual}`),
    spki: spkiHash(credentials.cert),
    cert: credentials.cert.toString(),
    isDown: () => down,
    setDown: (value) => {
      clearTimeout(downTimer);
      down = !!value;
    },
    close: () => new Promise((resolve) => {
      clearTimeout(downTimer);
      server.closeAllConnections();
      server.close(() => resolve());
    }),
  };
}

function parseArguments(argv) {
  const options = { port: 8443, downFor: 0, log: '', portFile: '', quiet: false };
  for (let i = 0; i < argv.length; i++) {
    const a = argv[i];
    const value = () => {
      if (i + 1 >= argv.length) throw new Error(`${a} needs a value`);
      return argv[++i];
    };
    if (a === '--port') options.port = Number(value());
    else if (a === '--down-for') options.downFor = Number(value());
    else if (a === '--log') options.log = value();
    else if (a === '--port-file') options.portFile = value();
    else if (a === '--quiet') options.quiet = true;
    else throw new Error(`unknown option ${a}`);
  }
  if (!Number.isInteger(options.port) || options.port < 0 || options.port > 65535) throw new Error('bad --port');
  if (!(options.downFor >= 0)) throw new Error('bad --down-for');
  return options;
}

async function main() {
  let options;
  try {
    options = parseArguments(process.argv.slice(2));
  } catch (e) {
    console.error(`standin suite: ${e.message}`);
    console.error('usage: server.mjs [--port N] [--down-for SECONDS] [--log FILE] [--port-file FILE] [--quiet]');
    process.exit(2);
  }
  const record = (entry) => {
    const line = JSON.stringify({ time: new Date().toISOString(), ...entry });
    if (options.log) appendFileSync(options.log, line + '\n');
    if (entry.event) console.log(`${entry.event} ${JSON.stringify(entry.report)}`);
    else if (!options.quiet) console.log(`${entry.method} https://${entry.host}${entry.path}`);
  };
  const suite = await startStandinSuite({ port: options.port, downForMs: options.downFor * 1000, record });
  if (options.portFile) writeFileSync(options.portFile, `${suite.port}\n`);
  console.log(`listening 127.0.0.1:${suite.port}`);
  console.log(`rules ${suite.rules}`);
  console.log(`spki ${suite.spki}`);
  if (suite.isDown()) console.log(`down for ${options.downFor} s`);
  const stop = () => suite.close().then(() => process.exit(0));
  process.on('SIGINT', stop);
  process.on('SIGTERM', stop);
  process.on('SIGUSR1', () => {
    suite.setDown(!suite.isDown());
    console.log(suite.isDown() ? 'down' : 'up');
  });
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  main().catch((e) => {
    console.error(`standin suite: ${e.message}`);
    process.exit(1);
  });
}
