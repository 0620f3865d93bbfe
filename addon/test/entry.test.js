'use strict';
// index.js, the package's entry, loads the binary of the running platform.

const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const test = require('node:test');
const { cmd, stageAddon } = require('./support/orvex_host');

const kEntry = path.join(__dirname, '..', 'index.js');
const kPlatformDir = process.platform === 'win32' ? 'win-x64' : 'linux-x64';

function makePackage(name) {
  const host = path.basename(process.execPath).replace(/\W/g, '_');
  const root = path.join(os.tmpdir(), 'orvex-tests', `${host}-package-${name}`);
  fs.rmSync(root, { recursive: true, force: true });
  fs.mkdirSync(root, { recursive: true });
  fs.copyFileSync(kEntry, path.join(root, 'index.js'));
  return root;
}

test('loads the prebuilt binary of this platform with its SDK beside it', () => {
  const root = makePackage('prebuilt');
  fs.cpSync(stageAddon('entry'), path.join(root, 'prebuilds', kPlatformDir),
            { recursive: true });
  const orvex = require(path.join(root, 'index.js'));
  assert.deepStrictEqual(Object.keys(orvex), ['init', 'call', 'getCtxHandle']);
  assert.strictEqual(orvex.getCtxHandle(cmd('echo'), 77), 77);
});

test('says what is missing when there is no binary', () => {
  const root = makePackage('empty');
  assert.throws(() => require(path.join(root, 'index.js')),
                new RegExp(`no binary for ${process.platform}-${process.arch}`));
});
