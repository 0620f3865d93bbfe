'use strict';
// Workers that end while the SDK still delivers: the module loaded only in
// Workers stays mapped (the SDK keeps calling into it), and a delivery into
// a terminating Worker is dropped instead of ending the process.

const assert = require('node:assert');
const { spawnSync } = require('node:child_process');
const path = require('node:path');
const test = require('node:test');
const { stageAddon } = require('./support/orvex_host');

const kHost = path.join(__dirname, 'support', 'worker_host.js');

for (const { mode, rounds, received } of [
  { mode: 'alone', rounds: 3, received: 0 },
  { mode: 'shared', rounds: 6, received: 10 },
]) {
  test(`workers ending mid-stream (${mode})`, { timeout: 180000 }, () => {
    const binary = path.join(stageAddon(`worker-${mode}`), 'orvex.node');
    const run = spawnSync(process.execPath, [kHost, binary, mode, String(rounds)], {
      encoding: 'utf8', timeout: 150000,
    });
    assert.strictEqual(run.signal, null, `host killed by ${run.signal}: ${run.stderr}`);
    assert.strictEqual(run.status, 0, `host exit ${run.status}: ${run.stdout}${run.stderr}`);
    assert.match(run.stdout, new RegExp(`^survived ${received}$`, 'm'));
    assert.doesNotMatch(run.stderr, /FATAL ERROR/);
  });
}
