'use strict';
// Results posted by SDK threads reach the script callback on the script
// thread, one at a time, in queue order, as Buffer copies.

const assert = require('node:assert');
const test = require('node:test');
const {
  ask, cmd, firstBadByte, loadOrvex, makeCollector, readHeader, settle,
} = require('./support/orvex_host');

const orvex = loadOrvex('delivery');
const kTimeout = { timeout: 120000 };

function initWith(collector, receiver = orvex) {
  return orvex.init.call(receiver, 1, cmd('cfg'), 0, collector.callback);
}

test('results of several threads arrive one at a time in queue order', kTimeout, async () => {
  const collector = makeCollector();
  initWith(collector);
  const start = ask(orvex, 'posted');
  const threads = 4;
  const perThread = 500;
  orvex.call(cmd(`post ${threads} ${perThread} 40 ordered`), 0);
  assert.strictEqual(ask(orvex, 'join') - start, threads * perThread);
  await collector.until(threads * perThread);

  assert.strictEqual(collector.results.length, threads * perThread);
  assert.strictEqual(collector.maxDepth(), 1, 'the callback was re-entered');
  const nextInThread = new Array(threads).fill(0);
  collector.results.forEach(({ buffer }, index) => {
    const header = readHeader(buffer);
    // "ordered" makes the global number the order of queueing.
    assert.strictEqual(header.global, start + index);
    assert.strictEqual(header.sequence, nextInThread[header.thread]++);
    assert.strictEqual(header.length, 40);
    assert.strictEqual(firstBadByte(buffer, header.global), -1);
  });
  assert.deepStrictEqual(nextInThread, new Array(threads).fill(perThread));
});

test('results posted concurrently all arrive, each thread in its own order', kTimeout, async () => {
  const collector = makeCollector();
  initWith(collector);
  const threads = 4;
  const perThread = 2000;
  orvex.call(cmd(`post ${threads} ${perThread} 4096`), 0);
  ask(orvex, 'join');
  await collector.until(threads * perThread);
  await settle(orvex, collector);

  assert.strictEqual(collector.results.length, threads * perThread);
  const nextInThread = new Array(threads).fill(0);
  const seen = new Set();
  for (const { buffer } of collector.results) {
    assert.strictEqual(buffer.length, 4096);
    const header = readHeader(buffer);
    assert.strictEqual(header.sequence, nextInThread[header.thread]++);
    assert.ok(!seen.has(header.global), `result ${header.global} twice`);
    seen.add(header.global);
    assert.strictEqual(firstBadByte(buffer, header.global), -1);
  }
});

test('delivery never happens inside the SDK call that posts', kTimeout, async () => {
  const collector = makeCollector();
  initWith(collector);
  orvex.call(cmd('post 0 3 8'), 0);
  assert.strictEqual(collector.results.length, 0);
  await collector.until(3);
  // Short payloads carry only the pattern.
  const first = ask(orvex, 'posted') - 3;
  collector.results.forEach(({ buffer }, i) => {
    assert.strictEqual(buffer.length, 8);
    assert.strictEqual(firstBadByte(buffer, first + i), -1);
  });
});

test('a result of length 0 arrives as an empty Buffer', kTimeout, async () => {
  const collector = makeCollector();
  initWith(collector);
  orvex.call(cmd('post 0 1 0'), 0);       // an empty block
  orvex.call(cmd('post 0 1 0 null'), 0);  // no block at all
  orvex.call(cmd('post 1 2 0 null'), 0);
  ask(orvex, 'join');
  await collector.until(4);
  for (const { buffer } of collector.results) {
    assert.ok(Buffer.isBuffer(buffer));
    assert.strictEqual(buffer.length, 0);
  }
});

test('each Buffer is a copy the script may keep and change', kTimeout, async () => {
  const collector = makeCollector();
  initWith(collector);
  orvex.call(cmd('post 0 2 64'), 0);
  await collector.until(2);
  const [a, b] = collector.results.map((r) => r.buffer);
  assert.notStrictEqual(a.buffer, b.buffer);
  const global = readHeader(b).global;
  a.fill(0xee);
  assert.strictEqual(firstBadByte(b, global), -1);
});

test('the this of init is the receiver of the callback', kTimeout, async () => {
  const asMethod = makeCollector();
  orvex.init(1, cmd('cfg'), 0, asMethod.callback);
  orvex.call(cmd('post 0 1 4'), 0);
  await asMethod.until(1);
  assert.strictEqual(asMethod.results[0].receiver, orvex);

  const owner = { name: 'owner' };
  const explicit = makeCollector();
  initWith(explicit, owner);
  orvex.call(cmd('post 1 3 4'), 0);
  ask(orvex, 'join');
  await explicit.until(3);
  for (const { receiver } of explicit.results) assert.strictEqual(receiver, owner);
});

test('after a second init results go to the second callback only', kTimeout, async () => {
  const first = makeCollector();
  initWith(first);
  orvex.call(cmd('post 2 50 16 ordered'), 0);
  ask(orvex, 'join');
  await first.until(100);
  await settle(orvex, first);
  assert.strictEqual(first.results.length, 100);

  const second = makeCollector();
  initWith(second);
  orvex.call(cmd('post 2 50 16 ordered'), 0);
  ask(orvex, 'join');
  await second.until(100);
  await settle(orvex, second);
  assert.strictEqual(second.results.length, 100);
  assert.strictEqual(first.results.length, 100, 'the first callback got more');
});

test('packets released by deliveries are reused without mixing up results', kTimeout, async () => {
  // A burst posted on the script thread itself is queued in full before the
  // first delivery; then threads post while the script thread delivers, so
  // released packets are taken again at once.
  const runs = [
    { command: 'post 0 10000 20', threads: 1, perThread: 10000 },
    { command: 'post 4 10000 20', threads: 4, perThread: 10000 },
    { command: 'post 0 10000 20', threads: 1, perThread: 10000 },
  ];
  for (const { command, threads, perThread } of runs) {
    const collector = makeCollector();
    initWith(collector);
    orvex.call(cmd(command), 0);
    await collector.until(threads * perThread);
    ask(orvex, 'join');
    await settle(orvex, collector);
    assert.strictEqual(collector.results.length, threads * perThread, command);
    const nextInThread = new Array(threads).fill(0);
    const seen = new Set();
    for (const { buffer } of collector.results) {
      const header = readHeader(buffer);
      assert.strictEqual(header.length, 20, command);
      assert.strictEqual(header.sequence, nextInThread[header.thread]++, command);
      assert.ok(!seen.has(header.global), `${command}: result ${header.global} twice`);
      seen.add(header.global);
      assert.strictEqual(firstBadByte(buffer, header.global), -1, command);
    }
  }
});
