'use strict';
// Loads the orvex binary built for this platform: a local build made by
// `npm run build` first, then the prebuilt one shipped with the package, then
// the repository's dist/ layout. The SDK library must sit beside the binary.

const fs = require('fs');
const path = require('path');

const kPlatformDirs = {
  'win32-x64': 'win-x64',
  'linux-x64': 'linux-x64',
};

function candidatePaths(root, platform, arch) {
  const dir = kPlatformDirs[`${platform}-${arch}`];
  if (!dir) return [];
  return [
    path.join(root, 'build', 'Release', 'orvex.node'),
    path.join(root, 'prebuilds', dir, 'orvex.node'),
    path.join(root, '..', 'dist', 'addon', dir, 'orvex.node'),
  ];
}

function findBinary(root = __dirname, platform = process.platform,
                    arch = process.arch) {
  const found = candidatePaths(root, platform, arch).find((p) => fs.existsSync(p));
  if (!found) {
    throw new Error(`orvex: no binary for ${platform}-${arch} below ${root}; ` +
                    'run `npm run build` or install a prebuilt package');
  }
  return found;
}

module.exports = require(findBinary());
