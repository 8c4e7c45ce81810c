#!/usr/bin/env python3
"""Fails when core code converts floating-point numbers with the C library's
locale-bound calls.

The program runs under the user's locale, where strtod and printf("%f") read
and write a decimal comma. Core code (src/ outside the ui folders, and the
tools) converts through platform/LocaleFreeNumbers or std::from_chars /
std::to_chars instead; LocaleFreeNumbers.cpp is the one place allowed to call
the C library.

    forbidden_calls.py SOURCE_ROOT   check the tree, list every offending call
    forbidden_calls.py --self-check  show the check failing on a bare strtod
"""
import os
import re
import sys
import tempfile

ALLOWED = {os.path.join("src", "platform", "LocaleFreeNumbers.cpp")}
ROOTS = ("src", "tools")

# Conversions that always follow the locale.
ALWAYS = re.compile(r"\b(?:std::)?(strtod|strtof|strtold|atof|stod|stof|stold)\s*\(")
# Formatted input and output: forbidden only with a floating conversion.
FORMATTED = re.compile(
    r"\b(?:std::)?(v?s?n?printf|v?fprintf|v?dprintf|v?sscanf|v?fscanf|v?scanf)\s*\(")
FLOAT_CONVERSION = re.compile(r"%[-+ #0']*(?:\d+|\*)?(?:\.(?:\d+|\*))?(?:L|l|ll)?[fFeEgGaA]")
STRING = re.compile(r'"(?:[^"\\\n]|\\.)*"')


def strip_comments(text):
    """Blanks out comments, keeping string literals and line numbers."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if c == '"' or c == "'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        elif text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append("\n" * text.count("\n", i, j))
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def call_arguments(text, open_paren):
    """The text between a call's parentheses."""
    depth, i = 0, open_paren
    while i < len(text):
        if text[i] == "(":
            depth += 1
        elif text[i] == ")":
            depth -= 1
            if depth == 0:
                return text[open_paren + 1:i]
        elif text[i] == '"':
            match = STRING.match(text, i)
            if match:
                i = match.end() - 1
        i += 1
    return text[open_paren + 1:]


def blank_strings(code):
    """The same text with the insides of string literals blanked, so that a
    call named inside a string is no call; positions stay where they were."""
    return STRING.sub(lambda m: '"' + " " * (len(m.group(0)) - 2) + '"', code)


def offences(text):
    """(line, call) for each forbidden call in one source text."""
    code = strip_comments(text)
    calls = blank_strings(code)
    found = []
    for match in ALWAYS.finditer(calls):
        found.append((code.count("\n", 0, match.start()) + 1, match.group(1)))
    for match in FORMATTED.finditer(calls):
        args = call_arguments(code, match.end() - 1)
        formats = "".join(m.group(0) for m in STRING.finditer(args))
        if FLOAT_CONVERSION.search(formats.replace("%%", "")):
            found.append((code.count("\n", 0, match.start()) + 1, match.group(1) + " with a floating format"))
    return sorted(found)


def core_sources(root):
    for top in ROOTS:
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            dirs[:] = sorted(d for d in dirs if d != "ui")
            for name in sorted(files):
                if name.endswith((".cpp", ".h", ".hpp", ".cc")):
                    path = os.path.join(folder, name)
                    if os.path.relpath(path, root) not in ALLOWED:
                        yield path


def check(root):
    bad = 0
    for path in core_sources(root):
        with open(path, encoding="utf-8", errors="replace") as f:
            for line, call in offences(f.read()):
                print(f"{os.path.relpath(path, root)}:{line}: {call} follows the user's locale; "
                      "use platform/LocaleFreeNumbers.h or std::from_chars / std::to_chars")
                bad += 1
    return bad


def self_check():
    """The check on a small tree: clean code passes, each forbidden form fails."""
    clean = ('// strtod is named here in a comment only\n'
             'int f(char* b, int n) { return std::snprintf(b, 8, "%d%%f", n) + platform::CStrToDouble("1", nullptr); }\n'
             'const char* s = "printf(\\"%f\\")";\n')
    cases = {
        "bare strtod": ('double v = std::strtod(text, nullptr);\n', 1),
        "atof": ('double v = atof(t);\n', 1),
        "stod": ('double v = std::stod(word);\n', 1),
        "snprintf %.2f": ('std::snprintf(buf, sizeof buf, "x=%.2f",\n    v);\n', 1),
        "printf %*.*Lg": ('printf("%*.*Lg\\n", w, d, v);\n', 1),
        "sscanf %lf": ('sscanf(text, "%d %lf", &i, &v);\n', 1),
    }
    failures = 0
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, "src", "geo", "ui"))
        os.makedirs(os.path.join(root, "src", "platform"))
        with open(os.path.join(root, "src", "geo", "Clean.cpp"), "w") as f:
            f.write(clean)
        # Windows may format for display as they like, and the wrapper may call the C library.
        with open(os.path.join(root, "src", "geo", "ui", "Panel.cpp"), "w") as f:
            f.write('double v = std::strtod(t, nullptr);\n')
        with open(os.path.join(root, "src", "platform", "LocaleFreeNumbers.cpp"), "w") as f:
            f.write('double v = strtod_l(t, e, c); int n = std::vsnprintf(b, 9, format, args);\n')
        if check(root) != 0:
            print("self-check: clean code was flagged")
            failures += 1
        for name, (source, expected) in cases.items():
            path = os.path.join(root, "src", "geo", "Added.cpp")
            with open(path, "w") as f:
                f.write(source)
            got = check(root)
            if got != expected:
                print(f"self-check: {name}: {got} offences found, {expected} expected")
                failures += 1
            os.remove(path)
    print("self-check " + ("failed" if failures else "passed: every added forbidden call was caught"))
    return failures


def main():
    if len(sys.argv) == 2 and sys.argv[1] == "--self-check":
        return 1 if self_check() else 0
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    bad = check(sys.argv[1])
    if bad:
        print(f"{bad} locale-bound number conversion(s) in core code")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
