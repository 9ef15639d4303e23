// The shell's side of a browser context, in the order the shell installs its document scripts:
// a recorder in place of WebView2's postMessage, the engine's bridge script, the engine's bind
// script for the three bindings, and the shell's init script. Calls are recorded in Node and
// answered the way the shell answers them: the binding's result text goes back through the
// engine's reply script, evaluated in the calling frame.
import { bindScript, bridgeScript, replyScript } from './engine_scripts.mjs';
import { initScript } from './assets.mjs';

export const bindingNames = ['__zoArgFile', '__zoExternal', '__zoNotify'];

const recorder = `window.chrome = { webview: { postMessage: function (message) {
  window.__zoTestNative(message);
} } };`;

// The launch-file result exactly as the shell builds it: the name as a JSON string (quote and
// backslash escaped, control characters as \\u00xx, everything else as it is) and the base64 text.
export function launchFileResult(name, bytes) {
  let json = '"';
  for (const ch of name) {
    const code = ch.codePointAt(0);
    if (ch === '"' || ch === '\\') json += '\\' + ch;
    else if (code < 0x20) json += '\\u' + code.toString(16).padStart(4, '0');
    else json += ch;
  }
  json += '"';
  return `{"name":${json},"b64":"${Buffer.from(bytes).toString('base64')}"}`;
}

// options.launchFile: { name, bytes } handed over once; options.bind: 'before' (as the shell
// does), 'after' (the bind script after the init script) or 'none'.
export async function addShellScripts(context, { launchFile = null, bind = 'before' } = {}) {
  const native = {
    calls: [],
    launchFile: launchFile && launchFileResult(launchFile.name, launchFile.bytes),
    ofMethod: (method) => native.calls.filter((c) => c.method === method),
    async waitForCalls(method, count, timeout = 5000) {
      const end = Date.now() + timeout;
      while (native.ofMethod(method).length < count) {
        if (Date.now() > end) {
          throw new Error(`expected ${count} ${method} call(s), saw ${native.ofMethod(method).length}`);
        }
        await new Promise((resolve) => setTimeout(resolve, 20));
      }
      return native.ofMethod(method);
    },
  };

  await context.exposeBinding('__zoTestNative', (source, message) => {
    const { id, method, params } = JSON.parse(message);
    native.calls.push({ method, params, url: source.frame.url(), message });
    let result;
    if (method === '__zoNotify' || method === '__zoExternal') {
      result = 'true';
    } else if (method === '__zoArgFile') {
      result = native.launchFile || 'null';
      native.launchFile = null;
    } else {
      return;  // not bound: the engine answers nothing
    }
    const reply = replyScript(id, 0, result);
    setImmediate(() => source.frame.evaluate(reply).catch(() => {}));
  });

  await context.addInitScript(recorder);
  await context.addInitScript(bridgeScript());
  if (bind === 'before') await context.addInitScript(bindScript(...bindingNames));
  await context.addInitScript(initScript());
  if (bind === 'after') await context.addInitScript(bindScript(...bindingNames));
  return native;
}
