'use strict';
// Run as its own process by worker.test.js, so that a crash of the host is
// seen as this process's end, not the test runner's.
// argv: <orvex.node> <"alone"|"shared"> <rounds>
//   alone:  only Workers load the module; each ends while SDK threads post
//           at a steady pace.
//   shared: the main thread loads it too; each Worker is terminated while
//           results are being delivered to it.
// Prints "survived <results received on the main thread>" at the end.

const { Worker } = require('node:worker_threads');

const [binary, mode, roundsText] = process.argv.slice(2);
const cmd = (text) => Buffer.from(`${text}\0`, 'latin1');

const kWorkerSource = `
  const { parentPort, workerData } = require('node:worker_threads');
  const orvex = require(workerData.binary);
  const cmd = (text) => Buffer.from(text + '\\0', 'latin1');
  let seen = 0;
  orvex.init(1, cmd('cfg'), 0, (buffer) => {
    // Slow enough that results queue up behind the one being delivered.
    let sum = 0;
    for (let i = 0; i < buffer.length; i++) sum += buffer[i];
    if (++seen === 50) parentPort.postMessage(sum);
  });
  orvex.call(cmd(workerData.post), 0);
`;

async function main() {
  const orvex = mode === 'shared' ? require(binary) : null;
  for (let round = 0; round < Number(roundsText); round++) {
    const worker = new Worker(kWorkerSource, {
      eval: true,
      workerData: {
        binary,
        post: mode === 'shared' ? 'post 4 4000 4096' : 'post 4 400 64 pace 1000',
      },
    });
    await new Promise((resolve, reject) => {
      worker.once('message', resolve);
      worker.once('error', reject);
    });
    await worker.terminate();
  }
  let received = 0;
  if (orvex) {
    orvex.getCtxHandle(cmd('join'), 0);
    await new Promise((resolve) => {
      orvex.init(1, cmd('cfg'), 0, () => { if (++received === 10) resolve(); });
      orvex.call(cmd('post 1 10 8'), 0);
    });
  } else {
    // Long enough for the SDK threads of the last round to post into the
    // module the ended Worker loaded.
    await new Promise((resolve) => setTimeout(resolve, 600));
  }
  // The main thread's channel keeps the loop alive for good.
  process.stdout.write(`survived ${received}\n`, () => process.exit(0));
}

main().catch((error) => {
  process.stdout.write(`error ${error && error.stack}\n`);
  process.exitCode = 1;
});
