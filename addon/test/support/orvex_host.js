'use strict';
// Shared by the addon's tests: stages the installed orvex binary beside one of
// the substitute SDK libraries, speaks the substitute's command language and
// collects delivered results.

const fs = require('fs');
const os = require('os');
const path = require('path');

const kDistDir = process.env.ORVEX_DIST_DIR ||
    path.resolve(__dirname, '..', '..', '..', 'dist', 'addon');
const kPlatformDir = process.platform === 'win32' ? 'win-x64' : 'linux-x64';
const kSdkFile = process.platform === 'win32' ? 'tavrin.dll' : 'libtavrin.so';

function binaryDir() {
  return path.join(kDistDir, kPlatformDir);
}

// A fresh folder with orvex.node and the chosen SDK library ('substitute' or
// 'alt') side by side, named after the test file and the host executable.
function stageAddon(name, sdk = 'substitute') {
  const host = path.basename(process.execPath).replace(/\W/g, '_');
  const dir = path.join(os.tmpdir(), 'orvex-tests', `${host}-${name}-${sdk}`);
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(dir, { recursive: true });
  fs.copyFileSync(path.join(binaryDir(), 'orvex.node'), path.join(dir, 'orvex.node'));
  fs.copyFileSync(path.join(binaryDir(), 'test-sdk', sdk, kSdkFile),
                  path.join(dir, kSdkFile));
  return dir;
}

function loadOrvex(name, sdk) {
  return require(path.join(stageAddon(name, sdk), 'orvex.node'));
}

// The substitute reads NUL-terminated ASCII commands.
function cmd(text) {
  return Buffer.from(`${text}\0`, 'latin1');
}

// Asks the substitute SDK something through getCtxHandle.
function ask(orvex, question, n = 0) {
  return orvex.getCtxHandle(cmd(question), n);
}

function sdkCalls(orvex) {
  return {
    init: ask(orvex, 'count init'),
    call: ask(orvex, 'count call'),
    getHandle: ask(orvex, 'count getHandle'),
  };
}

// A script callback that records every delivery and can be awaited.
function makeCollector() {
  const results = [];
  const waiters = [];
  let depth = 0;
  let maxDepth = 0;
  function callback(buffer) {
    depth++;
    maxDepth = Math.max(maxDepth, depth);
    results.push({ receiver: this, buffer });
    for (let i = waiters.length - 1; i >= 0; i--) {
      if (results.length >= waiters[i].count) {
        waiters[i].resolve();
        waiters.splice(i, 1);
      }
    }
    depth--;
  }
  return {
    callback,
    results,
    maxDepth: () => maxDepth,
    until(count) {
      if (results.length >= count) return Promise.resolve();
      return new Promise((resolve) => waiters.push({ count, resolve }));
    },
  };
}

// Lets queued deliveries run: every one queued before this call is delivered
// before the returned promise resolves, since the channel delivers in order
// from the event loop. A marker result is posted and awaited.
async function settle(orvex, collector) {
  const target = collector.results.length + 1;
  orvex.call(cmd('post 0 1 0'), 0);
  await collector.until(target);
  collector.results.pop();
}

function readHeader(buffer) {
  return {
    thread: buffer.readUInt32LE(0),
    sequence: buffer.readUInt32LE(4),
    global: buffer.readUInt32LE(8),
    length: buffer.readUInt32LE(12),
  };
}

// Checks the substitute's byte pattern; returns the index of the first wrong
// byte or -1.
function firstBadByte(buffer, global) {
  const start = buffer.length >= 16 ? 16 : 0;
  for (let i = start; i < buffer.length; i++) {
    if (buffer[i] !== ((global + i) & 0xff)) return i;
  }
  return -1;
}

module.exports = {
  ask, binaryDir, cmd, firstBadByte, loadOrvex, makeCollector, readHeader,
  sdkCalls, settle, stageAddon,
};
