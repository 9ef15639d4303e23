// An https server on 127.0.0.1 only, with a throwaway self-signed certificate made at start, that
// serves pages under any host name the browser maps to it (--host-resolver-rules). The handler
// gets (request, url, host) and returns [status, type, body] or nothing for a 404; every request
// is recorded with its host, raw path and headers.
import https from 'node:https';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';

function throwawayCertificate() {
  const dir = mkdtempSync(path.join(tmpdir(), 'zo-cert-'));
  try {
    const key = path.join(dir, 'k.pem');
    const cert = path.join(dir, 'c.pem');
    execFileSync('openssl', ['req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-keyout', key,
      '-out', cert, '-days', '1', '-subj', '/CN=test'], { stdio: 'ignore' });
    return { key: readFileSync(key), cert: readFileSync(cert) };
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

export async function startHttpsServer(handler) {
  const requests = [];
  const server = https.createServer(throwawayCertificate(), (req, res) => {
    const host = String(req.headers.host || '').replace(/:\d+$/, '');
    const url = new URL(req.url, `https://${host || 'localhost'}`);
    requests.push({ host, path: url.pathname, raw: req.url, method: req.method, headers: req.headers });
    const [status, type, body] = handler(req, url, host) || [404, 'text/plain', 'not found'];
    res.writeHead(status, { 'content-type': type, 'cache-control': 'no-store' });
    res.end(body);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  return {
    port,
    requests,
    // Chromium's --host-resolver-rules: the given host patterns go to this server, every other
    // name fails to resolve (IP literals are left alone).
    resolverRules: (...hosts) => '--host-resolver-rules=' +
      [...hosts.map((h) => `MAP ${h} 127.0.0.1:${port}`), 'EXCLUDE 127.0.0.1',
        'MAP * ~NOTFOUND'].join(','),
    close: () => new Promise((resolve) => {
      server.closeAllConnections();
      server.close(resolve);
    }),
  };
}
