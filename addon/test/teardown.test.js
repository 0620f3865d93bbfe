'use strict';
// A worker's environment ends while SDK threads still post to its channel:
// the process lives on, the late results are dropped, and a channel made
// afterwards on the main thread receives again.

const assert = require('node:assert');
const path = require('node:path');
const test = require('node:test');
const { Worker } = require('node:worker_threads');
const { ask, cmd, makeCollector, settle, stageAddon } = require('./support/orvex_host');

const binary = path.join(stageAddon('teardown'), 'orvex.node');
const orvex = require(binary);

const kWorkerSource = `
  const { parentPort, workerData } = require('node:worker_threads');
  const orvex = require(workerData.binary);
  const cmd = (text) => Buffer.from(text + '\\0', 'latin1');
  let seen = 0;
  orvex.init(1, cmd('cfg'), 0, () => {
    if (++seen === 100) parentPort.postMessage('receiving');
  });
  orvex.call(cmd(workerData.post), 0);
`;

test('a worker ended while SDK threads post to it leaves delivery working', { timeout: 120000 },
     async () => {
       // Paced, so that the threads are still posting when the worker ends; a
       // millisecond, as Windows sleeps no shorter.
       const threads = 4;
       const perThread = 500;
       const postedAtEnd = [];
       for (let round = 0; round < 3; round++) {
         const start = ask(orvex, 'posted');
         const worker = new Worker(kWorkerSource, {
           eval: true,
           workerData: { binary, post: `post ${threads} ${perThread} 64 pace 1000` },
         });
         await new Promise((resolve, reject) => {
           worker.once('message', resolve);
           worker.once('error', reject);
         });
         await worker.terminate();
         postedAtEnd.push(ask(orvex, 'posted') - start);
         // The posting threads all ran to their end into the cleared slot.
         assert.strictEqual(ask(orvex, 'join') - start, threads * perThread);
       }

       assert.ok(postedAtEnd.some((posted) => posted < threads * perThread),
                 `the threads had finished before the worker ended: ${postedAtEnd}`);

       const collector = makeCollector();
       orvex.init(1, cmd('cfg'), 0, collector.callback);
       orvex.call(cmd('post 2 10 8'), 0);
       ask(orvex, 'join');
       await collector.until(20);
       await settle(orvex, collector);
       assert.strictEqual(collector.results.length, 20);
     });
