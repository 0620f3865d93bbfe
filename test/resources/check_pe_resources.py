#!/usr/bin/env python3
"""Checks the resources of a built launcher executable.

Reads the PE file with its own small parser (no Windows, no third-party
module) and compares the string table, the language archive, the manifest,
the icon group and the version resource with the product definition, the
i18n sources and the fixed product facts below.
"""

import argparse
import io
import json
import re
import struct
import sys
import xml.etree.ElementTree as ElementTree
import zipfile

RT_ICON = 3
RT_STRING = 6
RT_RCDATA = 10
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24
LANG_EN_US = 1033

LANGUAGES = (
    "ar-SA bg-BG bn-IN ca-ES ceb-PH cs-CZ da-DK de-DE el-GR en-GB en-US es-ES et-EE fi-FI "
    "fil-PH fr-CA fr-FR ga-IE gu-IN he-IL hi-IN hr-HR hu-HU id-ID is-IS it-IT ja-JP jv-ID "
    "kk-KZ km-KH ko-KR lt-LT lv-LV mr-IN ms-MY my-MM nb-NO nl-NL pl-PL pt-BR pt-PT ro-RO "
    "ru-RU sk-SK sl-SI sq-AL sv-SE sw-KE th-TH tr-TR uk-UA ur-PK uz-Latn-UZ vi-VN zh-CN "
    "zh-TW").split()

TEXTS = {
    "error_msg_title": "Error",
    "error_msg_btn_fix": "Reinstall",
    "error_msg_btn_download": "Go to download",
    "error_msg_btn_cancel": "Cancel",
    "error_msg_download_hint": "Go to download and reinstall.",
    "error_msg_fix_or_download_hint":
        "Try reinstalling immediately or go to download and reinstall.",
    "error_msg_str_app_lost_file": "Files may have been lost.",
    "error_msg_str_config_invalid": "Invalid configuration information.",
    "error_msg_str_serialize_failed": "Couldn\u2019t serialize the configuration information.",
    "error_msg_str_find_app_failed": "Couldn\u2019t find the program.",
    "error_msg_str_launch_app_failed": "Couldn\u2019t start the program.",
}
SW_KE_KEYS = {"error_msg_fix_or_download_hint", "error_msg_download_hint", "error_msg_title"}

# Entries whose shipped value is fixed text.
FIXED_ENTRIES = {
    201: "velmoraim",
    202: "com.quorlix.pandrelim.desktop",
    203: "0",
    205: "0",
    208: "autorun",
    211: "1",
    212: "1",
    215: "0",
    216: "0",
    218: "VelmoraChat_Mutex_Install",
    219: "0",
    300: "1",
    302: "velmoraim",
    401: "0",
}
ROLE_ENTRIES = {200, 204, 206, 207, 213, 214, 301, 500}
ABSENT_ENTRIES = {209, 210, 217}

GUID = re.compile(r"^\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-"
                  r"[0-9A-Fa-f]{12}\}$")


class PeError(Exception):
    pass


PE32_MAGIC = 0x10B
PE32_PLUS_MAGIC = 0x20B
# Machine field and optional-header magic of each image kind the build makes.
MACHINES = {"i386": (0x14C, PE32_MAGIC), "amd64": (0x8664, PE32_PLUS_MAGIC)}


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        (self.machine, sections, _, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        if self.magic not in (PE32_MAGIC, PE32_PLUS_MAGIC):
            raise PeError("not a PE32 or PE32+ image (magic %#x)" % self.magic)
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        # PE32+ has an 8-byte image base and stack/heap sizes: the directories move by 16.
        directories = optional + (96 if self.magic == PE32_MAGIC else 112)
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, vaddr, raw_size, raw_ptr = struct.unpack_from(
                "<8sIIII", data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, raw_size), raw_ptr, raw_size))

    def offset(self, rva):
        for vaddr, size, raw_ptr, raw_size in self.sections:
            if vaddr <= rva < vaddr + size:
                if rva - vaddr >= raw_size:
                    raise PeError("rva %#x lies in uninitialised data" % rva)
                return raw_ptr + rva - vaddr
        raise PeError("rva %#x is outside every section" % rva)

    def read(self, rva, size):
        start = self.offset(rva)
        return self.data[start:start + size]

    def exports(self):
        rva, size = self.directories[0]
        if not rva:
            return []
        base = self.offset(rva)
        names = struct.unpack_from("<I", self.data, base + 24)[0]
        name_table = struct.unpack_from("<I", self.data, base + 32)[0]
        result = []
        for i in range(names):
            name_rva = struct.unpack_from("<I", self.data, self.offset(name_table) + 4 * i)[0]
            start = self.offset(name_rva)
            result.append(self.data[start:self.data.index(b"\0", start)].decode("ascii"))
        return result

    def imports(self):
        """Names of the DLLs in the import directory, lower case."""
        rva, size = self.directories[1]
        result = []
        while rva:
            lookup, _, _, name_rva, thunks = struct.unpack_from("<IIIII", self.read(rva, 20))
            if not (lookup or name_rva or thunks):
                break
            start = self.offset(name_rva)
            result.append(self.data[start:self.data.index(b"\0", start)].decode("ascii").lower())
            rva += 20
        return result

    def resources(self):
        """{(type, id, language): bytes}; named entries keep their name string."""
        rva, size = self.directories[2]
        if not rva:
            return {}
        root = self.offset(rva)
        found = {}

        def entries(directory):
            named, ids = struct.unpack_from("<HH", self.data, root + directory + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, root + directory + 16 + 8 * i)
                if name & 0x80000000:
                    at = root + (name & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield name, target

        for type_id, type_target in entries(0):
            for res_id, id_target in entries(type_target & 0x7FFFFFFF):
                for lang, data_target in entries(id_target & 0x7FFFFFFF):
                    if data_target & 0x80000000:
                        raise PeError("resource tree deeper than three levels")
                    data_rva, data_size = struct.unpack_from("<II", self.data, root + data_target)
                    found[(type_id, res_id, lang)] = self.read(data_rva, data_size)
        return found


def string_table(resources):
    strings = {}
    for (type_id, block, lang), data in resources.items():
        if type_id != RT_STRING:
            continue
        if lang != LANG_EN_US:
            raise PeError("string block %d has language %d" % (block, lang))
        at = 0
        for index in range(16):
            length = struct.unpack_from("<H", data, at)[0]
            at += 2
            if length:
                text = data[at:at + 2 * length].decode("utf-16-le", "surrogatepass")
                strings[(block - 1) * 16 + index] = text
            at += 2 * length
    return strings


class Checker:
    def __init__(self):
        self.failures = []

    def expect(self, condition, message):
        if not condition:
            self.failures.append(message)
        return condition


# What the launcher may import at load time: the system's own DLLs and API
# sets; the ones it delay-loads must not be among them.
SYSTEM_DLLS = {"kernel32.dll", "advapi32.dll", "msvcrt.dll", "user32.dll", "shell32.dll",
               "gdi32.dll", "ole32.dll", "oleaut32.dll", "bcrypt.dll", "gdiplus.dll",
               "iphlpapi.dll", "netapi32.dll", "winhttp.dll", "wintrust.dll", "crypt32.dll"}


def check_imports(pe, delay_loaded, c):
    imported = pe.imports()
    c.expect("kernel32.dll" in imported, "no import directory read: %s" % imported)
    for dll in imported:
        c.expect(dll in SYSTEM_DLLS or dll.startswith("api-ms-win-"),
                 "imports %s, not a system DLL" % dll)
        c.expect(dll[:-len(".dll")] not in delay_loaded, "%s is loaded at start" % dll)


def check_pe(pe, machine, c):
    number, magic = MACHINES[machine]
    c.expect(pe.machine == number, "machine %#x is not %s" % (pe.machine, machine))
    c.expect(pe.magic == magic, "optional header magic %#x does not fit %s" % (pe.magic, machine))
    c.expect(pe.subsystem == 2, "subsystem %d is not Windows GUI" % pe.subsystem)
    c.expect("GetHandleVerifier" in pe.exports(), "export GetHandleVerifier missing")
    # The standard streams would double the image and its start-up.
    for name in (b"basic_stringbuf", b"basic_ostringstream", b"ios_base", b"St6locale"):
        c.expect(name not in pe.data, "carries the standard streams (%s)" % name.decode())


def check_strings(strings, product, c):
    expected = {}
    for key, value in product["string_table"].items():
        if not key.startswith("_comment"):
            expected[int(key)] = value
    if "elevation_service" in product:
        expected[500] = json.dumps(product["elevation_service"], ensure_ascii=False,
                                   separators=(",", ":"))
    for string_id in sorted(set(expected) | set(strings)):
        c.expect(strings.get(string_id) == expected.get(string_id),
                 "string %d is %r, the product file says %r"
                 % (string_id, strings.get(string_id), expected.get(string_id)))

    c.expect(set(strings) == set(FIXED_ENTRIES) | ROLE_ENTRIES,
             "string ids %s" % sorted(strings))
    for string_id, value in FIXED_ENTRIES.items():
        c.expect(strings.get(string_id) == value, "string %d is %r, want %r"
                 % (string_id, strings.get(string_id), value))
    for string_id in ABSENT_ENTRIES:
        c.expect(string_id not in strings, "string %d must be absent" % string_id)
    for string_id, text in strings.items():
        if string_id != 500:
            c.expect(len(text) <= 63, "string %d longer than 63 characters" % string_id)

    display = strings.get(206, "")
    c.expect(re.fullmatch(r"[1-9][0-9]{5}", strings.get(200, "")), "app id not six digits")
    c.expect(re.fullmatch(r"[1-9][0-9]{9}", strings.get(301, "")) and
             int(strings[301]) < 2 ** 31, "crash product id not ten digits in int32")
    c.expect(re.fullmatch(r"https://[^/\s]+/\S*", strings.get(204, "")), "download url")
    c.expect(re.fullmatch(r"https?://[^/\s]+", strings.get(213, "")),
             "report url must hold scheme and host only")
    c.expect(display and all("\u4E00" <= ch <= "\u9FFF" for ch in display),
             "display name is not Chinese text")
    try:
        names = json.loads(strings.get(207, ""))
    except ValueError:
        names = None
    c.expect(names == [display + ".exe"], "main exe names %r" % strings.get(207))
    c.expect(strings.get(214) == display + "PC\u7248", "report app name %r" % strings.get(214))

    try:
        service = json.loads(strings.get(500, ""))
    except ValueError:
        service = None
    if c.expect(isinstance(service, dict), "string 500 is not a JSON object"):
        c.expect(GUID.match(service.get("cls_id", "")), "cls_id")
        c.expect(GUID.match(service.get("iid", "")), "iid")
        c.expect(service.get("service_name") == "VelmoraIMElevationService", "service_name")
        c.expect(service.get("display_name") == display + "\u63D0\u6743\u670D\u52A1",
                 "display_name")
        c.expect(str(service.get("reg_key", "")).startswith("SOFTWARE\\"), "reg_key")
        c.expect(service.get("oversea") is False, "oversea")
        c.expect(service.get("signatures") == ["Velmora Vision Co., Ltd."], "signatures")
        c.expect(len(strings[500]) <= 1023, "string 500 longer than 1023 characters")


def check_archive(data, i18n_dir, c):
    try:
        archive = zipfile.ZipFile(io.BytesIO(data))
    except zipfile.BadZipFile as e:
        c.expect(False, "RCDATA 100 is not a ZIP archive: %s" % e)
        return
    want = {"i18n.json", "lang/"} | {"lang/%s.json" % name for name in LANGUAGES}
    names = archive.namelist()
    c.expect(len(names) == len(set(names)), "duplicate members")
    c.expect(set(names) == want, "members differ: extra %s, missing %s"
             % (sorted(set(names) - want), sorted(want - set(names))))
    for info in archive.infolist():
        c.expect(info.compress_type in (zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED),
                 "%s uses compression %d" % (info.filename, info.compress_type))
    c.expect("lang/" in names and archive.getinfo("lang/").is_dir(), "lang/ is not a directory")

    for name in sorted(set(names) & want - {"lang/"}):
        member = archive.read(name)  # checks the CRC too
        with open("%s/%s" % (i18n_dir, name), "rb") as f:
            c.expect(member == f.read(), "%s differs from the i18n source" % name)

    if "i18n.json" in names:
        index = json.loads(archive.read("i18n.json").decode("utf-8"))
        want_index = {name.lower(): [name] for name in LANGUAGES if name != "fr-CA"}
        want_index["default"] = ["en-us"]
        c.expect(index == want_index, "index differs")
    for name in LANGUAGES:
        member = "lang/%s.json" % name
        if member not in names:
            continue
        texts = json.loads(archive.read(member).decode("utf-8"))
        keys = SW_KE_KEYS if name == "sw-KE" else set(TEXTS)
        c.expect(texts == {key: TEXTS[key] for key in keys}, "texts of %s" % member)


def check_manifest(data, c):
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError as e:
        c.expect(False, "manifest does not parse: %s" % e)
        return
    levels = [e for e in root.iter() if e.tag.endswith("requestedExecutionLevel")]
    c.expect(len(levels) == 1 and levels[0].get("level") == "asInvoker" and
             levels[0].get("uiAccess") == "false", "execution level")
    dpi = [e for e in root.iter() if e.tag.endswith("}dpiAware")]
    c.expect(len(dpi) == 1 and dpi[0].text == "true/pm", "dpi awareness")


def check_icons(resources, c):
    groups = [(key, data) for key, data in resources.items() if key[0] == RT_GROUP_ICON]
    if not c.expect(len(groups) == 1, "%d icon groups" % len(groups)):
        return
    data = groups[0][1]
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    c.expect(reserved == 0 and kind == 1 and count > 0, "icon group header")
    for i in range(count):
        width, height, _, _, _, bits, size, icon_id = struct.unpack_from(
            "<BBBBHHIH", data, 6 + 14 * i)
        image = resources.get((RT_ICON, icon_id, LANG_EN_US))
        if not c.expect(image is not None, "icon %d missing" % icon_id):
            continue
        c.expect(len(image) == size, "icon %d size" % icon_id)
        header, bmp_width, bmp_height = struct.unpack_from("<Iii", image, 0)
        c.expect(header == 40 and bmp_width == (width or 256) and
                 bmp_height == 2 * (height or 256), "icon %d bitmap header" % icon_id)


def check_version(data, product, c):
    signature = struct.pack("<I", 0xFEEF04BD)
    at = data.find(signature)
    if not c.expect(at >= 0, "VS_FIXEDFILEINFO missing"):
        return
    ms, ls = struct.unpack_from("<II", data, at + 8)
    version = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    info = product.get("version_info", {})
    c.expect(version == info.get("file_version", "1.0.0.0"), "file version %s" % version)
    for key in ("product_name", "original_filename", "company_name"):
        if info.get(key):
            c.expect(info[key].encode("utf-16-le") in data, "version string %s" % key)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--product", required=True)
    parser.add_argument("--i18n", required=True)
    parser.add_argument("--machine", choices=sorted(MACHINES), default="i386")
    parser.add_argument("--delay-loaded", default="",
                        help="DLL names, ';'-separated, that must not be loaded at start")
    args = parser.parse_args(argv)

    with open(args.exe, "rb") as f:
        pe = PeFile(f.read())
    with open(args.product, encoding="utf-8") as f:
        product = json.load(f)
    resources = pe.resources()
    c = Checker()
    check_pe(pe, args.machine, c)
    check_imports(pe, set(filter(None, args.delay_loaded.lower().split(";"))), c)
    for (type_id, res_id, lang) in resources:
        c.expect(lang == LANG_EN_US, "resource %s/%s has language %s" % (type_id, res_id, lang))
    strings = string_table(resources)
    check_strings(strings, product, c)
    archive = resources.get((RT_RCDATA, 100, LANG_EN_US))
    if c.expect(archive is not None, "RCDATA 100 missing"):
        check_archive(archive, args.i18n, c)
    manifest = resources.get((RT_MANIFEST, 1, LANG_EN_US))
    if c.expect(manifest is not None, "manifest 1 missing"):
        check_manifest(manifest, c)
    check_icons(resources, c)
    version = resources.get((RT_VERSION, 1, LANG_EN_US))
    if c.expect(version is not None, "version resource missing"):
        check_version(version, product, c)

    for failure in c.failures:
        print("FAIL: " + failure)
    print("%d string entries, %d resources checked, %d failures"
          % (len(strings), len(resources), len(c.failures)))
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
