#!/usr/bin/python3
"""Two rules of the source tree that the compiler does not enforce.

Includes: every project header is included by its path from the top of
the source tree ("textengine/textcontrol.h"), so an include says which
library owns the header. The one exception is the headers installed for
other programs (HindiRTF's), which include each other by bare name because
they are installed side by side in one folder.

Namespaces: the program's code lives in namespace kalamora (each library
in its own namespace inside it: kalamora::engine, kalamora::document, ...).
Files with main() or C entry points stay outside and use it. The two
controls shipped for other programs, HindiRTF and Bundlex, keep the class
names their hosts and saved forms know.

  conventions.py --check    list what breaks either rule (exit 1 if any)
  conventions.py --fix      rewrite includes in place
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
INSTALLED = {"controls/hindirtf/hindirtf.h", "controls/hindirtf/hindirtfglobal.h",
             "controls/hindirtf/propertybag.h"}
SOURCES = (".h", ".hpp", ".cpp", ".c", ".cc")
INCLUDE = re.compile(r'^(\s*#\s*include\s+)"([^"]+)"', re.M)


def tracked():
    try:
        out = subprocess.run(["git", "-C", ROOT, "ls-files", "--cached", "--others", "--exclude-standard"],
                             check=True, capture_output=True, text=True).stdout.split("\n")
    except (OSError, subprocess.CalledProcessError):
        # not a git checkout: every source below the top but the build trees
        out = []
        for folder, subs, names in os.walk(ROOT):
            subs[:] = [d for d in subs if not d.startswith((".", "build"))]
            out += [os.path.relpath(os.path.join(folder, n), ROOT) for n in names]
    return sorted({f for f in out if f.endswith(SOURCES) and os.path.isfile(os.path.join(ROOT, f))})


def generated(name):
    base = os.path.basename(name)
    return base.endswith(".moc") or base.startswith(("moc_", "ui_", "qrc_"))


def resolve(name, including, by_base):
    """The header `name` included from `including`, as a path from ROOT."""
    here = os.path.normpath(os.path.join(os.path.dirname(including), name))
    if os.path.isfile(os.path.join(ROOT, here)):
        return here
    if os.path.isfile(os.path.join(ROOT, name)):
        return name
    # A path below one of the old per-library include folders: the one
    # header whose path ends with it.
    hits = [p for p in by_base.get(os.path.basename(name), []) if p.endswith("/" + name) or p == name]
    if len(hits) == 1:
        return hits[0]
    # A header that has moved to another folder: the one of its name.
    hits = by_base.get(os.path.basename(name), [])
    if len(hits) == 1:
        return hits[0]
    raise LookupError(f"{including}: cannot tell which header \"{name}\" is ({', '.join(hits) or 'none'})")


def wanted(name, including, by_base):
    path = resolve(name, including, by_base)
    if including in INSTALLED and os.path.dirname(path) == os.path.dirname(including):
        return os.path.basename(path)
    return path


def sort_runs(text):
    """Sorts each run of adjacent quoted includes."""
    lines = text.split("\n")
    out, run = [], []
    for line in lines + [None]:
        if line is not None and INCLUDE.match(line) and not line.lstrip().startswith("//"):
            run.append(line)
            continue
        out.extend(sorted(run, key=lambda l: INCLUDE.match(l).group(2)))
        run = []
        if line is not None:
            out.append(line)
    return "\n".join(out)


PROGRAM = ("settings", "engine", "kruti", "document", "textengine", "surface", "fonts", "format",
           "mail", "dict", "app")
ENTRY = re.compile(r'^(int main\(|extern "C")', re.M)
IN_NAMESPACE = re.compile(r'^namespace kalamora(::\w+)*\s*\{', re.M)


def outside_namespace(files):
    """Program sources that declare something but never open namespace kalamora."""
    bad = []
    for f in files:
        if f.split("/")[0] not in PROGRAM:
            continue
        text = open(os.path.join(ROOT, f), encoding="utf-8").read()
        code = re.sub(r"//.*", "", re.sub(r"/\*.*?\*/", "", text, flags=re.S))
        declares = re.search(r"^\s*(class|struct|enum|namespace|template|inline|constexpr|const|static|"
                             r"[A-Za-z_][\w:<>, *&]*\s+[\w:~]+\s*\()", code, re.M)
        if declares and not ENTRY.search(code) and not IN_NAMESPACE.search(code):
            bad.append(f)
    return bad


def main():
    mode = sys.argv[1] if len(sys.argv) > 1 else "--check"
    files = tracked()
    by_base = {}
    for f in files:
        by_base.setdefault(os.path.basename(f), []).append(f)
    wrong = 0
    for f in files:
        full = os.path.join(ROOT, f)
        text = open(full, encoding="utf-8").read()

        def fix(m):
            nonlocal wrong
            name = m.group(2)
            if generated(name):
                return m.group(0)
            try:
                want = wanted(name, f, by_base)
            except LookupError as e:
                print(e)
                wrong += 1
                return m.group(0)
            if want != name:
                wrong += 1
                if mode == "--check":
                    print(f'{f}: #include "{name}" should be "{want}"')
            return f'{m.group(1)}"{want}"'

        new = sort_runs(INCLUDE.sub(fix, text))
        if mode == "--fix" and new != text:
            open(full, "w", encoding="utf-8").write(new)
    if mode == "--check":
        stray = outside_namespace(files)
        for f in stray:
            print(f"{f}: declares names outside namespace kalamora")
        if wrong:
            print(f"{wrong} include(s) not by their path from the top of the tree")
        if wrong or stray:
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
