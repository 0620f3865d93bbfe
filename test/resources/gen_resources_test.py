#!/usr/bin/env python3
"""Runs gen_resources.py on broken and on tricky product files.

usage: gen_resources_test.py <gen_resources.py> <i18n dir>
"""

import json
import os
import subprocess
import sys
import tempfile

BROKEN = [
    ("root is a list", []),
    ("id is not a number", {"string_table": {"abc": "1"}}),
    ("id out of range", {"string_table": {"70000": "1"}}),
    ("value is not a string", {"string_table": {"200": 5}}),
    ("entry longer than 63", {"string_table": {"202": "x" * 64}}),
    ("string 500 twice", {"string_table": {"500": "{}"}, "elevation_service": {}}),
    ("string 500 too long", {"elevation_service": {"k": "x" * 1100}}),
    ("bad version", {"version_info": {"file_version": "1.0"}}),
    ("bad report host", {"launcher_report_hosts": {"elsewhere": "h"}}),
    ("misspelt key", {"string_tabel": {"200": "1"}}),
    ("misspelt version key", {"version_info": {"product_nme": "x"}}),
]


def run(generator, i18n, product, out_dir):
    path = os.path.join(out_dir, "product.json")
    with open(path, "w", encoding="utf-8") as f:
        f.write(product if isinstance(product, str) else json.dumps(product))
    return subprocess.run([sys.executable, generator, "--product", path, "--i18n", i18n,
                           "--out-dir", out_dir, "--name", "t"],
                          capture_output=True, text=True)


def main(generator, i18n):
    failures = []
    with tempfile.TemporaryDirectory() as out_dir:
        for name, product in BROKEN + [("not JSON", "{")]:
            result = run(generator, i18n, product, out_dir)
            if result.returncode == 0 or "gen_resources.py:" not in result.stderr:
                failures.append("%s: accepted (rc %d)" % (name, result.returncode))
            if os.path.exists(os.path.join(out_dir, "t.rc")):
                failures.append("%s: left a resource script" % name)
                os.remove(os.path.join(out_dir, "t.rc"))

        tricky = {"string_table": {"1": 'a"b', "2": "c\\d", "3": "\u7EF4A", "4": "\U0001F600"}}
        result = run(generator, i18n, tricky, out_dir)
        if result.returncode != 0:
            failures.append("tricky product refused: " + result.stderr)
        else:
            with open(os.path.join(out_dir, "t.rc"), "rb") as f:
                script = f.read().decode("ascii")
            for want in ['1 L"a""b"', '2 L"c\\\\d"', '3 L"\\x7EF4\\x0041"',
                         '4 L"\\xD83D\\xDE00"']:
                if want not in script:
                    failures.append("missing %s in the script" % want)
    for failure in failures:
        print("FAIL: " + failure)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
