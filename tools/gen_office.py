#!/usr/bin/env python3
"""Writes the Office automation wrapper classes from the type-library data.

Input: office/typelib/excel97.tsv and word97.tsv (one row per wrapper
method; office/typelib/README.md names the columns) and class_counts.tsv
(the number of methods each class is known to have).

Output, under --out (the build tree, never committed):
  include/KavroStd/office/<Class>.h   one header per class, declarations only
  include/KavroStd/office.h           every class
  src/office_<library>_<n>.cpp        the method bodies, --chunks files a library
  check/office_rows_<library>_<n>.cpp one call per method with its data row,
                                      for the table-driven test
Files whose text is unchanged are not rewritten, so a change touches only
what it changes. At the end it prints the classes whose number of methods
differs from class_counts.tsv and the Word classes that use rows taken from a
later type library (source "FE?").
"""

import argparse
import csv
import os
import sys

LIBRARIES = (("excel", "excel97.tsv", "Excel 97"), ("word", "word97.tsv", "Word 97"))

# The C++ type of each return type and the value a result starts with.
RESULT_INIT = {
    "LPDISPATCH": "LPDISPATCH result = nullptr;",
    "LPUNKNOWN": "LPUNKNOWN result = nullptr;",
    "long": "long result = 0;",
    "short": "short result = 0;",
    "BOOL": "BOOL result = FALSE;",
    "double": "double result = 0;",
    "float": "float result = 0;",
    "DATE": "DATE result = 0;",
    "CString": "CString result;",
    "VARIANT": "VARIANT result;\n  VariantInit(&result);",
}

# The argument each parameter type gets in the check calls (tests/office).
CHECK_ARG = {
    "LPCTSTR": "kText",
    "const VARIANT&": "Missing()",
    "long": "kLong",
    "short": "kShort",
    "BOOL": "TRUE",
    "double": "kDouble",
    "float": "kFloat",
    "LPDISPATCH": "nullptr",
    "LPUNKNOWN": "nullptr",
    "VARIANT*": "ByRefVariant()",
    "long*": "ByRefLong()",
    "BOOL*": "ByRefBool()",
    "LPDISPATCH*": "ByRefDispatch()",
}

KINDS = {"method": "DISPATCH_METHOD", "get": "DISPATCH_PROPERTYGET", "put": "DISPATCH_PROPERTYPUT",
         "putref": "DISPATCH_PROPERTYPUTREF"}

CPP_WORDS = {"default", "delete", "new", "operator", "class", "this", "template", "private", "public",
             "protected", "union", "struct", "enum", "register", "auto", "extern", "friend", "inline",
             "virtual", "explicit", "export", "mutable", "namespace", "using", "typedef", "module", "import",
             "and", "or", "not", "xor"}


class Method:
    def __init__(self, row):
        self.cls = row["wrapper_class"]
        self.interface = row["interface"]
        self.name = row["method"]
        self.dispid = int(row["dispid"])
        self.kind = row["kind"]
        self.return_vt = row["return_vt"]
        self.return_ctype = row["return_ctype"]
        self.bytes = [int(b, 16) for b in row["param_bytes"].split()] if row["param_bytes"] else []
        self.vts = row["param_vts"].split() if row["param_vts"] else []
        self.ctypes = row["param_ctypes"].split("|") if row["param_ctypes"] else []
        names = row["param_names"].split("|") if row["param_names"] else []
        self.names = []
        for i, name in enumerate(names):
            if name in CPP_WORDS or name in self.names or not name:
                name = f"{name}{i + 1}"
            self.names.append(name)
        self.source = row["source"]
        count = int(row["param_count"])
        if not (count == len(self.bytes) == len(self.vts) == len(self.ctypes) == len(self.names)):
            sys.exit(f"gen_office: {self.cls}.{self.name}: parameter columns disagree")
        if self.kind not in KINDS:
            sys.exit(f"gen_office: {self.cls}.{self.name}: unknown kind {self.kind}")

    def params(self):
        return ", ".join(f"{t} {n}" for t, n in zip(self.ctypes, self.names))

    def declaration(self):
        return f"  {self.return_ctype} {self.name}({self.params()});"

    def body(self):
        lines = [f"{self.return_ctype} {self.cls}::{self.name}({self.params()}) {{"]
        has_result = self.return_ctype != "void"
        if has_result:
            lines.append("  " + RESULT_INIT[self.return_ctype])
        if self.bytes:
            lines.append(f"  static const BYTE parms[] = {' '.join(self.vts)};")
        args = [("&" + n if t == "const VARIANT&" else n) for t, n in zip(self.ctypes, self.names)]
        call = [str(self.dispid), KINDS[self.kind], self.return_vt, "&result" if has_result else "nullptr",
                "parms" if self.bytes else "nullptr"] + args
        lines.append(f"  InvokeHelper({', '.join(call)});")
        if has_result:
            lines.append("  return result;")
        lines.append("}")
        return "\n".join(lines)


def read_rows(path):
    with open(path, newline="", encoding="utf-8") as f:
        return [Method(row) for row in csv.DictReader(f, delimiter="\t")]


def write_if_changed(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    try:
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    except FileNotFoundError:
        pass
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def class_header(cls, methods, title, data_name):
    interface = methods[0].interface
    lines = [
        f"// The {title} automation interface {interface} as the wrapper class {cls}:",
        "// each method calls the member by DISPID through COleDispatchDriver.",
        f"// Generated by tools/gen_office.py from office/typelib/{data_name}; do not edit.",
        "#pragma once",
        "",
        '#include "KavroStd/platform/generic_text.h"',
        "",
        '#include "KavroStd/platform/afx_disp.h"',
        "",
        f"class KVSTD_API {cls} : public COleDispatchDriver {{",
        " public:",
        f"  {cls}() = default;",
        "  // Takes over the caller's reference.",
        f"  {cls}(LPDISPATCH pDispatch) : COleDispatchDriver(pDispatch) {{}}",
        f"  {cls}(const {cls}& dispatchSrc) = default;",
        f"  {cls}& operator=(const {cls}& dispatchSrc) = default;",
        f"  ~{cls}() = default;",
        "",
    ]
    lines += [m.declaration() for m in methods]
    lines += ["};", ""]
    return "\n".join(lines)


def chunks(items, count):
    size = (len(items) + count - 1) // count if items else 0
    return [items[i * size:(i + 1) * size] for i in range(count)]


def byte_literal(method):
    return '"' + "".join(f"\\x{b:02X}" for b in method.bytes) + '"'


def check_call(method):
    args = ", ".join(CHECK_ARG[t] for t in method.ctypes)
    call = f"Bind<{method.cls}>(d).{method.name}({args})"
    return f"Capture(r, {call});" if method.return_ctype != "void" else f"{call};"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--data", required=True, help="the folder of the .tsv files")
    parser.add_argument("--out", required=True, help="the folder to write into")
    parser.add_argument("--chunks", type=int, default=6, help="source files per library")
    options = parser.parse_args()

    listed = {}
    with open(os.path.join(options.data, "class_counts.tsv"), newline="", encoding="utf-8") as f:
        for row in csv.DictReader(f, delimiter="\t"):
            listed[row["wrapper_class"]] = int(row["methods"])

    include = os.path.join(options.out, "include", "KavroStd", "office")
    all_classes = []
    notes = []
    for library, data_name, title in LIBRARIES:
        methods = read_rows(os.path.join(options.data, data_name))
        classes = {}
        for m in methods:
            classes.setdefault(m.cls, []).append(m)
        names = sorted(classes)
        all_classes += names
        for cls in names:
            write_if_changed(os.path.join(include, cls + ".h"), class_header(cls, classes[cls], title, data_name))
        for n, part in enumerate(chunks(names, options.chunks)):
            body = [f"// {title} wrapper methods (part {n + 1} of {options.chunks}).",
                    f"// Generated by tools/gen_office.py from office/typelib/{data_name}; do not edit."]
            body += [f'#include "KavroStd/office/{cls}.h"' for cls in part]
            for cls in part:
                body += [""] + ["\n".join(m.body() for m in classes[cls])]
            write_if_changed(os.path.join(options.out, "src", f"office_{library}_{n}.cpp"), "\n".join(body) + "\n")

            check = [f"// One call of every {title} wrapper method with its data row (part {n + 1}).",
                     f"// Generated by tools/gen_office.py from office/typelib/{data_name}; do not edit.",
                     '#include "office_check.h"']
            check += [f'#include "KavroStd/office/{cls}.h"' for cls in part]
            check += ["", "namespace kavro::office_check {", "namespace {"]
            rows = []
            index = 0
            for cls in part:
                for m in classes[cls]:
                    out = "Returned& r" if m.return_ctype != "void" else "Returned&"
                    check.append(f"void Call{index}(IDispatch* d, {out}) {{ {check_call(m)} }}")
                    rows.append(f'    {{"{cls}", "{m.name}", {m.dispid}, {KINDS[m.kind]}, {m.return_vt}, '
                                f'{byte_literal(m)}, {len(m.bytes)}, Call{index}}},')
                    index += 1
            check += ["}  // namespace", ""]
            if rows:
                check += [f"const Row kRows_{library}_{n}[] = {{"] + rows + ["};",
                          f"extern const RowTable kTable_{library}_{n} = {{kRows_{library}_{n}, {len(rows)}}};"]
            else:
                check += [f"extern const RowTable kTable_{library}_{n} = {{nullptr, 0}};"]
            check += ["}  // namespace kavro::office_check", ""]
            write_if_changed(os.path.join(options.out, "check", f"office_rows_{library}_{n}.cpp"), "\n".join(check))

        total = len(methods)
        expected = sum(listed.get(cls, 0) for cls in names)
        notes.append(f"gen_office: {title}: {len(names)} classes, {total} methods (listed: {expected})")
        for cls in names:
            have = len(classes[cls])
            if cls not in listed:
                notes.append(f"  {cls}: {have} methods, not in the class list")
            elif have != listed[cls]:
                notes.append(f"  {cls}: {have} methods, listed {listed[cls]}")
            later = sum(1 for m in classes[cls] if m.source == "FE?")
            if later:
                notes.append(f"  {cls}: {later} of {have} methods from a later type library (FE?)")
        for cls in sorted(set(c for c in listed if c not in classes)):
            pass

    umbrella = ["// Every Office automation wrapper class (Excel 97 and Word 97). A product",
                "// module may include one class's header (KavroStd/office/<Class>.h) instead.",
                "// Generated by tools/gen_office.py; do not edit.",
                "#pragma once", "",
                '#include "KavroStd/platform/generic_text.h"', ""]
    umbrella += [f'#include "KavroStd/office/{cls}.h"' for cls in all_classes]
    write_if_changed(os.path.join(options.out, "include", "KavroStd", "office.h"), "\n".join(umbrella) + "\n")

    tables = ['// The row tables of the generated check sources.',
              '// Generated by tools/gen_office.py; do not edit.',
              '#pragma once', '', '#include "office_check.h"', '', 'namespace kavro::office_check {']
    refs = []
    for library, _, _ in LIBRARIES:
        for n in range(options.chunks):
            tables.append(f"extern const RowTable kTable_{library}_{n};")
            refs.append(f"&kTable_{library}_{n}")
    tables += [f"inline const RowTable* const kTables[] = {{{', '.join(refs)}}};", "}  // namespace kavro::office_check", ""]
    write_if_changed(os.path.join(options.out, "check", "office_rows.h"), "\n".join(tables))

    print("\n".join(notes))


if __name__ == "__main__":
    main()
