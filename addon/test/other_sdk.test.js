'use strict';
// The built binary works beside any library that keeps the SDK contract,
// without being rebuilt: here a second, unrelated implementation.

const assert = require('node:assert');
const test = require('node:test');
const { cmd, loadOrvex, makeCollector } = require('./support/orvex_host');

const orvex = loadOrvex('other-sdk', 'alt');

test('the addon binds to another implementation of the SDK', { timeout: 60000 }, async () => {
  const collector = makeCollector();
  assert.strictEqual(orvex.init(5, cmd('cfg'), 0, collector.callback), 1005);
  assert.strictEqual(orvex.getCtxHandle(cmd('echo'), 21), -21);
  assert.strictEqual(orvex.call(cmd('hello'), 0), undefined);
  await collector.until(1);
  assert.strictEqual(collector.results[0].buffer.toString('latin1'), 'alt:hello');
  assert.strictEqual(collector.results[0].receiver, orvex);
});
