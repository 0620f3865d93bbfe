'use strict';
// An exception thrown by the script callback is raised into the host as an
// uncaught exception, and the channel goes on delivering.

const assert = require('node:assert');
const test = require('node:test');
const { cmd, loadOrvex, makeCollector } = require('./support/orvex_host');

const orvex = loadOrvex('exceptions');

// The test runner treats uncaught exceptions as failures; this test expects
// them, so it takes the runner's listeners off for its own duration.
async function withUncaughtExceptions(body) {
  const saved = process.listeners('uncaughtException');
  process.removeAllListeners('uncaughtException');
  const raised = [];
  const waiters = [];
  process.on('uncaughtException', (error) => {
    raised.push(error);
    waiters.filter((w) => raised.length >= w.count).forEach((w) => w.resolve());
  });
  const until = (count) => (raised.length >= count ? Promise.resolve()
      : new Promise((resolve) => waiters.push({ count, resolve })));
  try {
    await body(raised, until);
  } finally {
    process.removeAllListeners('uncaughtException');
    for (const listener of saved) process.on('uncaughtException', listener);
  }
}

test('the callback\'s exception reaches the host and delivery goes on', { timeout: 120000 }, async () => {
  await withUncaughtExceptions(async (raised, until) => {
    const thrown = [];
    const delivered = makeCollector();
    orvex.init(1, cmd('cfg'), 0, function (buffer) {
      delivered.callback.call(this, buffer);
      if (buffer.length === 3) {
        const error = new RangeError(`result ${delivered.results.length}`);
        thrown.push(error);
        throw error;
      }
    });
    orvex.call(cmd('post 0 2 3'), 0);   // two that throw
    orvex.call(cmd('post 0 1 5'), 0);   // one that does not
    orvex.call(cmd('post 0 1 3'), 0);   // and one more that throws
    await delivered.until(4);
    await until(3);
    assert.strictEqual(raised.length, 3);
    raised.forEach((error, i) => assert.strictEqual(error, thrown[i]));
    assert.deepStrictEqual(delivered.results.map((r) => r.buffer.length), [3, 3, 5, 3]);
  });
});
