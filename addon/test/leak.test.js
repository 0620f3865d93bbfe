'use strict';
// Every payload the SDK hands over is released: over a long run the runtime
// heap that payloads live on does not grow with the number of results.

const assert = require('node:assert');
const test = require('node:test');
const v8 = require('node:v8');
const vm = require('node:vm');
const { ask, cmd, loadOrvex } = require('./support/orvex_host');

const orvex = loadOrvex('leak');
v8.setFlagsFromString('--expose-gc');
const gc = vm.runInNewContext('gc');

// Delivered Buffers are copies on the same heap on some hosts; drop them.
async function collectGarbage() {
  for (let i = 0; i < 3; i++) {
    gc();
    await new Promise((resolve) => setImmediate(resolve));
  }
}

test('no payload is leaked over a long run', { timeout: 300000 }, async () => {
  let delivered = 0;
  let bytes = 0;
  let waiter = null;
  orvex.init(1, cmd('cfg'), 0, (buffer) => {
    delivered++;
    bytes += buffer.length;
    if (waiter && delivered >= waiter.count) waiter.resolve();
  });
  const until = (count) => (delivered >= count ? Promise.resolve()
      : new Promise((resolve) => { waiter = { count, resolve }; }));

  const kThreads = 4;
  const kPerThread = 16;
  const kSize = 64 * 1024;
  async function round() {
    orvex.call(cmd(`post ${kThreads} ${kPerThread} ${kSize}`), 0);
    orvex.call(cmd('post 1 4 0 null'), 0);
    ask(orvex, 'join');
  }

  let expected = 0;
  async function rounds(count) {
    for (let i = 0; i < count; i++) {
      await round();
      expected += kThreads * kPerThread + 4;
      await until(expected);
      if (i % 8 === 7) await collectGarbage();
    }
  }

  await rounds(4);  // warm-up: lets the heaps reach their working size
  await collectGarbage();
  const beforeKiB = ask(orvex, 'heap');
  const bytesBefore = bytes;
  await rounds(64);
  await collectGarbage();
  const afterKiB = ask(orvex, 'heap');

  const postedMiB = (bytes - bytesBefore) / (1024 * 1024);
  assert.strictEqual(postedMiB, 256);
  assert.ok(beforeKiB > 0, 'the SDK could not measure its heap');
  const grownMiB = (afterKiB - beforeKiB) / 1024;
  assert.ok(grownMiB < 32,
            `heap grew by ${grownMiB.toFixed(1)} MiB over ${postedMiB} MiB of results`);
});
