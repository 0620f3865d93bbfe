'use strict';
// Argument checks of the three script functions and what reaches the SDK.

const assert = require('node:assert');
const test = require('node:test');
const { ask, cmd, loadOrvex, sdkCalls } = require('./support/orvex_host');

const orvex = loadOrvex('arguments');
const noop = () => {};
const bytes = cmd('echo');

function assertPlainError(fn, message) {
  assert.throws(fn, (error) => {
    assert.strictEqual(Object.getPrototypeOf(error), Error.prototype,
                       `${error.name} thrown instead of Error`);
    assert.strictEqual(error.message, message);
    return true;
  });
}

test('exports the three functions in order, as anonymous functions', () => {
  assert.deepStrictEqual(Object.keys(orvex), ['init', 'call', 'getCtxHandle']);
  for (const key of Object.keys(orvex)) {
    assert.strictEqual(typeof orvex[key], 'function');
    assert.strictEqual(orvex[key].name, '');
  }
});

test('wrong or missing arguments throw the exact Error and skip the SDK', () => {
  const N = 'Expected an Number';
  const T = 'Expected a TypedArray';
  const F = 'Expected an Function';
  const cases = [
    ['init', [], N],
    ['init', [1], T],
    ['init', [1, bytes], N],
    ['init', [1, bytes, 2], F],
    ['init', ['1', bytes, 2, noop], N],
    ['init', [1n, bytes, 2, noop], N],
    ['init', [1, [101, 0], 2, noop], T],
    ['init', [1, bytes.buffer, 2, noop], T],
    ['init', [1, new DataView(bytes.buffer), 2, noop], T],
    ['init', [1, 'echo', 2, noop], T],
    ['init', [1, bytes, null, noop], N],
    ['init', [1, bytes, 2, {}], F],
    ['init', [1, bytes, 2, 'noop'], F],
    // The first failing check wins.
    ['init', ['x', 'y', 'z', 'w'], N],
    ['init', [1, 'y', 'z', 'w'], T],
    ['call', [], T],
    ['call', [[1, 2, 3]], T],
    ['call', [bytes], N],
    ['call', [bytes, '3'], N],
    ['call', [bytes, undefined], N],
    ['call', [1, bytes], T],
    ['getCtxHandle', [], T],
    ['getCtxHandle', [{ length: 4 }, 1], T],
    ['getCtxHandle', [bytes], N],
    ['getCtxHandle', [bytes, true], N],
    ['getCtxHandle', [new Number(3), bytes], T],
  ];
  const before = sdkCalls(orvex);
  for (const [name, args, message] of cases) {
    assertPlainError(() => orvex[name](...args), message);
  }
  const after = sdkCalls(orvex);
  // Only the three count queries themselves reached getHandle.
  assert.deepStrictEqual(after, {
    init: before.init, call: before.call, getHandle: before.getHandle + 3,
  });
});

test('Numbers reach the SDK converted like Node-API int32 conversion', () => {
  const cases = [
    [3.7, 3], [-3.7, -3], [0, 0], [-0, 0], [2147483647, 2147483647],
    [2147483648, -2147483648], [2 ** 32 + 5, 5], [-(2 ** 31) - 1, 2147483647],
    [NaN, 0], [Infinity, 0], [-Infinity, 0], [1e-300, 0],
  ];
  for (const [input, expected] of cases) {
    assert.strictEqual(orvex.getCtxHandle(cmd('echo'), input), expected,
                       `getCtxHandle n = ${input}`);
    assert.strictEqual(orvex.call(cmd('noop'), input), undefined);
    assert.strictEqual(ask(orvex, 'last call n'), expected, `call n = ${input}`);
    assert.strictEqual(orvex.init(input, cmd('cfg'), input, noop), expected,
                       `init a = ${input}`);
    assert.strictEqual(ask(orvex, 'last init a'), expected);
    assert.strictEqual(ask(orvex, 'last init c'), expected, `init c = ${input}`);
  }
});

test('any TypedArray kind is accepted and its first byte is what the SDK sees', () => {
  const kinds = [
    Int8Array, Uint8Array, Uint8ClampedArray, Int16Array, Uint16Array,
    Int32Array, Uint32Array, Float32Array, Float64Array, BigInt64Array,
    BigUint64Array,
  ];
  for (const Kind of kinds) {
    // The view starts one element into its buffer; the bytes before it hold
    // a command the SDK must not see.
    const size = Kind.BYTES_PER_ELEMENT;
    const storage = new ArrayBuffer(size + 16 * size);
    const raw = new Uint8Array(storage);
    raw.set(cmd('count init'), 0);
    raw.set(cmd('echo'), size);
    const view = new Kind(storage, size, 8);
    assert.strictEqual(orvex.getCtxHandle(view, 42), 42, Kind.name);

    raw.fill(0);
    raw.set(cmd('Zorvex'), size);
    assert.strictEqual(typeof orvex.init(7, view, 1, noop), 'number', Kind.name);
    assert.strictEqual(ask(orvex, 'last init byte 0'), 'Z'.charCodeAt(0), Kind.name);
    assert.strictEqual(ask(orvex, 'last init byte 5'), 'x'.charCodeAt(0), Kind.name);
  }
  // A Node Buffer and a subarray with an odd offset.
  const buffer = Buffer.from('xxxecho\0');
  assert.strictEqual(orvex.getCtxHandle(buffer.subarray(3), 9), 9);
  assert.strictEqual(orvex.getCtxHandle(buffer, 9), -1);
});

test('the SDK results come back unchanged', () => {
  assert.strictEqual(orvex.getCtxHandle(cmd('unknown command'), 5), -1);
  assert.strictEqual(orvex.init(-12345, cmd('cfg'), 0, noop), -12345);
  assert.strictEqual(orvex.call(cmd('echo'), 5), undefined);
});
