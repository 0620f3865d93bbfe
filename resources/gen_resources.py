#!/usr/bin/env python3
"""Builds the resource script of one launcher product.

Input: a product definition file (see products/shipped.json) and the i18n
directory. Output, all in --out-dir with the prefix --name:
  <name>.rc           string table, version resource, icon, manifest, archive
  <name>.manifest     application manifest
  <name>.ico          application icon
  <name>_i18n.zip     language archive embedded as RCDATA 100

The .rc file is pure ASCII: every other character is written as a \\xNNNN
escape inside a wide string, so the script reads the same under any code page.
"""

import argparse
import io
import json
import os
import struct
import sys
import zipfile

LANGUAGE_LINE = "LANGUAGE 9, 1"  # LANG_ENGLISH, SUBLANG_ENGLISH_US (1033)
ARCHIVE_ID = 100
ICON_ID = 101
ELEVATION_SERVICE_ID = 500
ELEVATION_SERVICE_MAX_CHARS = 1023
# Optional overrides of the launcher's own report hosts (test products).
REPORT_HOST_IDS = {"domestic": 900, "overseas": 901}
CONSTANT_MAX_CHARS = 63
# Zip entries carry this time so that the archive is byte-identical per input.
ZIP_DATE_TIME = (2020, 1, 1, 0, 0, 0)

MANIFEST = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">
    <security>
      <requestedPrivileges>
        <requestedExecutionLevel level="asInvoker" uiAccess="false"/>
      </requestedPrivileges>
    </security>
  </trustInfo>
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>
    </windowsSettings>
  </application>
  <compatibility xmlns="urn:schemas-microsoft-com:compatibility.v1">
    <application>
      <supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>
      <supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>
      <supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>
      <supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>
    </application>
  </compatibility>
</assembly>
"""

DEFAULT_VERSION_INFO = {
    "file_version": "1.0.0.0",
    "product_version": "1.0.0.0",
    "company_name": "",
    "file_description": "",
    "product_name": "",
    "internal_name": "",
    "original_filename": "",
    "legal_copyright": "",
}

VERSION_STRING_KEYS = [
    ("company_name", "CompanyName"),
    ("file_description", "FileDescription"),
    ("file_version", "FileVersion"),
    ("internal_name", "InternalName"),
    ("legal_copyright", "LegalCopyright"),
    ("original_filename", "OriginalFilename"),
    ("product_name", "ProductName"),
    ("product_version", "ProductVersion"),
]


PRODUCT_KEYS = {"string_table", "elevation_service", "launcher_report_hosts", "version_info",
                "allow_long_strings"}


class ProductError(Exception):
    pass


def rc_wide_string(text):
    """Returns text as an RC wide string literal using only ASCII."""
    out = ['L"']
    after_escape = False
    for unit in utf16_units(text):
        ch = chr(unit)
        hex_digit = ch in "0123456789abcdefABCDEF"
        if ch == '"':
            out.append('""')
            after_escape = False
        elif ch == "\\":
            out.append("\\\\")
            after_escape = False
        elif 0x20 <= unit < 0x7F and not (after_escape and hex_digit):
            out.append(ch)
            after_escape = False
        else:
            # A hex digit right after an escape would extend it; escape it too.
            out.append("\\x%04X" % unit)
            after_escape = True
    out.append('"')
    return "".join(out)


def utf16_units(text):
    data = text.encode("utf-16-le", "surrogatepass")
    return [struct.unpack_from("<H", data, i)[0] for i in range(0, len(data), 2)]


def rc_path(path):
    # Forward slashes need no escaping in either resource compiler.
    return '"%s"' % os.path.abspath(path).replace("\\", "/")


def load_product(path):
    with open(path, encoding="utf-8") as f:
        try:
            product = json.load(f)
        except json.JSONDecodeError as e:
            raise ProductError("%s: %s" % (path, e))
    if not isinstance(product, dict):
        raise ProductError("%s: the root must be an object" % path)
    # A misspelt key would otherwise drop its part silently.
    for key in product:
        if key not in PRODUCT_KEYS and not key.startswith("_comment"):
            raise ProductError("%s: unknown key %r" % (path, key))
    for key in product.get("version_info", {}):
        if key not in DEFAULT_VERSION_INFO and not key.startswith("_comment"):
            raise ProductError("%s: unknown version_info key %r" % (path, key))
    return product


def string_entries(product):
    """Returns {id: text} for every entry the string table gets."""
    table = product.get("string_table", {})
    if not isinstance(table, dict):
        raise ProductError("string_table must be an object")
    entries = {}
    for key, value in table.items():
        if key.startswith("_comment"):
            continue
        if not key.isdigit() or not 0 < int(key) < 65536:
            raise ProductError("string id %r is not a number from 1 to 65535" % key)
        if not isinstance(value, str):
            raise ProductError("string %s must be a JSON string" % key)
        entries[int(key)] = value
    service = product.get("elevation_service")
    if service is not None:
        if ELEVATION_SERVICE_ID in entries:
            raise ProductError("string 500 is given twice (string_table and elevation_service)")
        entries[ELEVATION_SERVICE_ID] = json.dumps(
            service, ensure_ascii=False, separators=(",", ":"))
    hosts = product.get("launcher_report_hosts", {})
    if not isinstance(hosts, dict):
        raise ProductError("launcher_report_hosts must be an object")
    for kind, host in hosts.items():
        if kind.startswith("_comment"):
            continue
        if kind not in REPORT_HOST_IDS or not isinstance(host, str):
            raise ProductError("launcher_report_hosts takes strings domestic and overseas")
        if REPORT_HOST_IDS[kind] in entries:
            raise ProductError("string %d is given twice" % REPORT_HOST_IDS[kind])
        entries[REPORT_HOST_IDS[kind]] = host
    for string_id, text in entries.items():
        length = len(utf16_units(text))
        if string_id == ELEVATION_SERVICE_ID:
            if length > ELEVATION_SERVICE_MAX_CHARS:
                raise ProductError("string 500 has %d characters, at most %d are read"
                                   % (length, ELEVATION_SERVICE_MAX_CHARS))
        elif length > CONSTANT_MAX_CHARS and not product.get("allow_long_strings"):
            raise ProductError("string %d has %d characters, the loader reads only %d"
                               % (string_id, length, CONSTANT_MAX_CHARS))
    return entries


def version_numbers(text):
    parts = text.split(".")
    if len(parts) != 4 or not all(p.isdigit() and int(p) < 65536 for p in parts):
        raise ProductError("version %r must be four numbers below 65536" % text)
    return ",".join(parts)


def version_block(product):
    info = dict(DEFAULT_VERSION_INFO)
    info.update({k: v for k, v in product.get("version_info", {}).items()
                 if not k.startswith("_comment")})
    lines = [
        "1 VERSIONINFO",
        "FILEVERSION " + version_numbers(info["file_version"]),
        "PRODUCTVERSION " + version_numbers(info["product_version"]),
        "FILEFLAGSMASK 0x3F",
        "FILEFLAGS 0x0",
        "FILEOS 0x40004",  # VOS_NT_WINDOWS32
        "FILETYPE 0x1",  # VFT_APP
        "FILESUBTYPE 0x0",
        "BEGIN",
        '  BLOCK "StringFileInfo"',
        "  BEGIN",
        '    BLOCK "040904B0"',
        "    BEGIN",
    ]
    for key, name in VERSION_STRING_KEYS:
        lines.append('      VALUE "%s", %s' % (name, rc_wide_string(info[key])))
    lines += [
        "    END",
        "  END",
        '  BLOCK "VarFileInfo"',
        "  BEGIN",
        '    VALUE "Translation", 0x409, 1200',
        "  END",
        "END",
    ]
    return lines


def i18n_members(i18n_dir):
    """Returns [(member name, bytes or None for the directory)] in archive order."""
    members = []
    with open(os.path.join(i18n_dir, "i18n.json"), "rb") as f:
        members.append(("i18n.json", f.read()))
    members.append(("lang/", None))
    lang_dir = os.path.join(i18n_dir, "lang")
    for name in sorted(os.listdir(lang_dir)):
        if name.endswith(".json"):
            with open(os.path.join(lang_dir, name), "rb") as f:
                members.append(("lang/" + name, f.read()))
    return members


def archive_bytes(i18n_dir):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name, data in i18n_members(i18n_dir):
            info = zipfile.ZipInfo(name, date_time=ZIP_DATE_TIME)
            if data is None:
                info.external_attr = 0o40755 << 16 | 0x10  # directory
                info.compress_type = zipfile.ZIP_STORED
                archive.writestr(info, b"")
            else:
                info.external_attr = 0o100644 << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                archive.writestr(info, data)
    return buffer.getvalue()


def icon_image(size):
    """One 32-bit icon image: a teal disc with a light ring, transparent corners."""
    pixels = bytearray()
    center = (size - 1) / 2.0
    outer = size / 2.0
    for row in range(size - 1, -1, -1):  # bottom-up rows
        for col in range(size):
            dist = ((col - center) ** 2 + (row - center) ** 2) ** 0.5
            if dist > outer:
                pixels += bytes((0, 0, 0, 0))
            elif dist > outer * 0.8:
                pixels += bytes((0xF0, 0xE8, 0xE0, 0xFF))
            else:
                pixels += bytes((0x8C, 0x7A, 0x12, 0xFF))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)  # alpha channel decides; AND mask all zero
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + bytes(pixels) + mask


def icon_bytes():
    sizes = [16, 32, 48]
    images = [icon_image(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


def write_if_changed(path, data):
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path, "wb") as f:
        f.write(data)


def rc_script(product, entries, manifest_path, icon_path, archive_path):
    lines = [
        "// Generated by gen_resources.py from a product definition. Do not edit.",
        LANGUAGE_LINE,
        "",
        "1 24 " + rc_path(manifest_path),  # RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID
        "%d ICON %s" % (ICON_ID, rc_path(icon_path)),
        "%d RCDATA %s" % (ARCHIVE_ID, rc_path(archive_path)),
        "",
    ]
    lines += version_block(product)
    if entries:
        lines += ["", "STRINGTABLE", "BEGIN"]
        for string_id in sorted(entries):
            lines.append("  %d %s" % (string_id, rc_wide_string(entries[string_id])))
        lines.append("END")
    return "\n".join(lines) + "\n"


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--product", required=True, help="product definition file")
    parser.add_argument("--i18n", required=True, help="directory with i18n.json and lang/")
    parser.add_argument("--out-dir", required=True)
    parser.add_argument("--name", required=True, help="prefix of the output files")
    args = parser.parse_args(argv)

    try:
        product = load_product(args.product)
        entries = string_entries(product)
        os.makedirs(args.out_dir, exist_ok=True)
        base = os.path.join(args.out_dir, args.name)
        manifest_path = base + ".manifest"
        icon_path = base + ".ico"
        archive_path = base + "_i18n.zip"
        write_if_changed(manifest_path, MANIFEST.encode("utf-8"))
        write_if_changed(icon_path, icon_bytes())
        write_if_changed(archive_path, archive_bytes(args.i18n))
        script = rc_script(product, entries, manifest_path, icon_path, archive_path)
        write_if_changed(base + ".rc", script.encode("ascii"))
    except (ProductError, OSError, KeyError) as e:
        sys.stderr.write("gen_resources.py: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
