// A small static server on 127.0.0.1 only: routes map paths to [status, type, body].
import http from 'node:http';

export async function startServer(routes) {
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    const route = routes[url.pathname];
    const [status, type, body] = typeof route === 'function' ? route(req, url) : route ||
      [404, 'text/plain', 'not found'];
    res.writeHead(status, { 'content-type': type, 'cache-control': 'no-store' });
    res.end(body);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  return {
    origin: `http://127.0.0.1:${port}`,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}
