// The exact script texts the engine generates, printed by the native print_scripts tool.
import { execFileSync } from 'node:child_process';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');
const tool = process.env.PRINT_SCRIPTS || path.join(root, 'build/native/print_scripts');

const run = (...args) => execFileSync(tool, args, { encoding: 'utf8' });

export const bridgeScript = () => run('bridge');
export const bindScript = (...names) => run('bind', ...names);
export const unbindScript = (name) => run('unbind', name);
export const replyScript = (id, status, result) => run('reply', id, String(status), result);
