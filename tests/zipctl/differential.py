#!/usr/bin/python3
"""bundlex against real zip programs, archive by archive.

For each seed a generator writes one archive with Python's zipfile or
Info-ZIP's zip (stored and deflated; seekable and streamed, so with data
descriptors, zip32 and zip64; zip64 by size fields and by end records; UTF-8,
CP437 and unflagged UTF-8 names; duplicate names; folders; empty archives;
comments; extra fields). Then:
  - `bundlex list` equals zipinfo -1 (names decoded as bundlex decodes them);
  - `bundlex extract` writes each entry with the data Python reads (of
    duplicates, the last);
  - `bundlex delete` of a random subset leaves an archive that `unzip -t`
    passes, holding exactly the other entries, byte for byte;
  - `bundlex add` keeps every entry and adds the file;
  - after one random byte of the central directory is changed, add, extract
    and delete leave the archive's bytes alone unless unzip and Python both
    still read it whole, and what they leave passes `unzip -t`.

    differential.py --bundlex PATH [--seeds FIRST-LAST] [--big]
"""
import argparse
import io
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import warnings
import zipfile

warnings.simplefilter('ignore')  # zipfile warns about the duplicate names it is asked to write

WORDS = ['a', 'readme', 'Data', 'x1', 'caf\u00e9', '\u00c4rger', '\u00f1and\u00fa', 'notes', 'r\u00e9sum\u00e9']
WIDE = ['\u0928\u092e\u0938\u094d\u0924\u0947', '\u65e5\u672c', 'emoji\u2603']
EXTS = ['.txt', '.bin', '', '.TXT', '.dat']


class Cp437Info(zipfile.ZipInfo):
    """A name stored in code page 437 without the UTF-8 flag."""

    def _encodeFilenameFlags(self):
        return self.filename.encode('cp437'), self.flag_bits & ~0x800


class Pipe(io.RawIOBase):
    """An unseekable stream: zipfile writes data descriptors into it."""

    def __init__(self):
        self.data = bytearray()

    def writable(self):
        return True

    def write(self, b):
        self.data += b
        return len(b)


def decode(raw, flagged):
    """The name as bundlex shows it."""
    if flagged:
        return raw.decode('utf-8', 'replace')
    try:
        return raw.decode('utf-8')
    except UnicodeDecodeError:
        return raw.decode('cp437')


def raw_name(info):
    return info.filename.encode('utf-8' if info.flag_bits & 0x800 else 'cp437')


def content(rng):
    kind = rng.randrange(4)
    n = rng.choice([0, 1, 7, 100, 3000, 70000])
    if kind == 0:
        return bytes(rng.randrange(256) for _ in range(min(n, 5000)))
    return (rng.choice(WORDS).encode() + b' ') * (n // 6 + 1)


def entry_names(rng, count, alphabet):
    names = []
    for _ in range(count):
        depth = rng.choice([0, 0, 1, 2])
        folders = ['d%d' % rng.randrange(3) for _ in range(depth)]
        names.append('/'.join(folders + [rng.choice(alphabet) + str(rng.randrange(5)) + rng.choice(EXTS)]))
    if names and rng.random() < 0.3:
        names.append(rng.choice(names))  # a duplicate
    return names


def python_archive(rng, path, streamed):
    out = Pipe() if streamed else io.BytesIO()
    cp437 = rng.random() < 0.3
    alphabet = WORDS if cp437 else WORDS + WIDE
    with zipfile.ZipFile(out, 'w') as z:
        for name in entry_names(rng, rng.randrange(0, 9), alphabet):
            if rng.random() < 0.2:
                z.writestr((Cp437Info if cp437 else zipfile.ZipInfo)(name.rsplit('/', 1)[0] + '/'), b'')
            info = (Cp437Info if cp437 else zipfile.ZipInfo)(name, date_time=(2000 + rng.randrange(40), 1 + rng.randrange(12), 1 + rng.randrange(28), 0, 0, 0))
            info.compress_type = rng.choice([zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED])
            if rng.random() < 0.3:
                info.extra = struct.pack('<HH', 0xCAFE, 3) + b'xyz'
            with z.open(info, 'w', force_zip64=rng.random() < 0.4) as f:
                f.write(content(rng))
        if rng.random() < 0.3:
            z.comment = b'comment %d' % rng.randrange(1000)
    data = bytes(out.data) if streamed else out.getvalue()
    with open(path, 'wb') as f:
        f.write(data)
    return 'python %s' % ('streamed' if streamed else 'seekable')


def python_zip64_end(rng, path, big):
    """Zip64 end records: by count for real with --big, else forced."""
    saved = zipfile.ZIP_FILECOUNT_LIMIT
    count = 65536 + rng.randrange(3) if big else rng.randrange(1, 6)
    if not big:
        zipfile.ZIP_FILECOUNT_LIMIT = 0
    try:
        with zipfile.ZipFile(path, 'w') as z:
            for i in range(count):
                z.writestr('n%d.txt' % i, b'%d' % i)
    finally:
        zipfile.ZIP_FILECOUNT_LIMIT = saved
    return 'python zip64 end record, %d entries' % count


def info_zip(rng, path, work):
    tree = os.path.join(work, 'tree')
    shutil.rmtree(tree, ignore_errors=True)
    os.makedirs(tree)
    cp437 = rng.random() < 0.3
    names = entry_names(rng, rng.randrange(1, 8), WORDS if cp437 else WORDS + WIDE)
    for name in set(names):
        target = os.path.join(os.fsencode(tree), name.encode('cp437' if cp437 else 'utf-8'))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, 'wb') as f:
            f.write(content(rng))
    options = ['-q', '-r', rng.choice(['-0', '-6', '-9'])]
    options += [o for o in ['-fz', '-X', '-D'] if rng.random() < 0.4]
    piped = rng.random() < 0.5
    members = sorted(os.listdir(tree))
    if piped:
        data = subprocess.run(['zip'] + options + ['-'] + members, cwd=tree, check=True, capture_output=True).stdout
        with open(path, 'wb') as f:
            f.write(data)
    else:
        subprocess.run(['zip'] + options + [path] + members, cwd=tree, check=True, capture_output=True)
    return 'info-zip %s%s' % ('piped ' if piped else '', ' '.join(options[2:]))


def empty_archive(rng, path):
    with zipfile.ZipFile(path, 'w') as z:
        if rng.random() < 0.5:
            z.comment = b'nothing here'
    return 'python empty'


def generate(seed, path, work, big):
    rng = random.Random(seed)
    family = seed % 6
    if family in (0, 1):
        return python_archive(rng, path, streamed=family == 1), rng
    if family == 2:
        return python_zip64_end(rng, path, big and seed % 50 == 2), rng
    if family == 5 and rng.random() < 0.3:
        return empty_archive(rng, path), rng
    return info_zip(rng, path, work), rng


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


class Bundlex:
    def __init__(self, program, env):
        self.program = program
        self.env = env

    def __call__(self, *args):
        return subprocess.run([self.program] + list(args), env=self.env, capture_output=True, timeout=600)


def entries(path):
    """(display name, data) of each entry in directory order, as Python reads it."""
    with zipfile.ZipFile(path) as z:
        return [(decode(raw_name(i), i.flag_bits & 0x800), z.read(i)) for i in z.infolist()]


def unzip_ok(path):
    return subprocess.run(['unzip', '-tq', path], capture_output=True).returncode == 0


def readable(path):
    """Both independent readers read the archive whole (unzip -t calls an
    empty archive a failure)."""
    try:
        with zipfile.ZipFile(path) as z:
            if z.testzip() is not None:
                return False
            count = len(z.infolist())
    except Exception:
        return False
    return count == 0 or unzip_ok(path)


def directory_range(data):
    end = data.rfind(b'PK\x05\x06')
    size, offset = struct.unpack('<II', data[end + 12:end + 20])
    locator = end - 20
    if locator >= 0 and data[locator:locator + 4] == b'PK\x06\x07':
        record = struct.unpack('<Q', data[locator + 8:locator + 16])[0]
        size, offset = struct.unpack('<QQ', data[record + 40:record + 56])
        return offset, record + 56
    return offset, end + 22


def file_part(name):
    return name.replace('\\', '/').rsplit('/', 1)[-1]


def run_seed(seed, bundlex, work, big):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    archive = os.path.join(work, 'a.zip')
    family, rng = generate(seed, archive, work, big)
    original = open(archive, 'rb').read()
    if not readable(archive):
        # The writer's own fault (zip -fz to a pipe can leave the zip64 end
        # record out): bundlex must not change what nobody can read.
        for op in (['add', archive, __file__], ['delete', archive, '*']):
            bundlex(*op)
            check(open(archive, 'rb').read() == original, '%s changed an unreadable archive' % op[0])
        return family + ' (unreadable as written; left alone)'
    listed = entries(archive)

    # Listing: zipinfo's names, decoded as bundlex decodes them.
    out = bundlex('list', archive)
    check(out.returncode == 0, 'list failed: %s' % out.stderr.decode(errors='replace'))
    zi = subprocess.run(['zipinfo', '-1', archive], capture_output=True).stdout
    if zi.startswith(b'Empty zipfile.'):
        zi = b''
    expected = ['' if n.endswith('/') else n for n in (decode(l, False) for l in zi.split(b'\n')[:-1])]
    got = out.stdout.decode('utf-8').split('\n')[:-1]
    check(got == expected, 'list %r != zipinfo %r' % (got[:5], expected[:5]))

    # Extraction: every file with the data Python reads; of duplicates the last.
    files = [(n, d) for n, d in listed if not n.endswith('/')]
    dest = os.path.join(work, 'out')
    out = bundlex('extract', archive, '--path', dest)
    check(out.returncode == (0 if files else 1), 'extract status %d: %s' % (out.returncode, out.stderr))
    want = dict(files)
    for name, data in want.items():
        with open(os.path.join(dest, name), 'rb') as f:
            check(f.read() == data, 'extracted %s differs' % name)
    check(open(archive, 'rb').read() == original, 'extract changed the archive')

    # Delete a random subset by file part (matched without regard to case).
    if files:
        chosen = sorted({file_part(n) for n, _ in rng.sample(files, rng.randrange(1, len(files) + 1))})
        copy = os.path.join(work, 'd.zip')
        shutil.copy(archive, copy)
        out = bundlex('delete', copy, *chosen)
        gone = {c.lower() for c in chosen}
        kept = [(n, d) for n, d in listed if n.endswith('/') or file_part(n).lower() not in gone]
        check(out.returncode == 0, 'delete %r failed: %s' % (chosen, out.stderr))
        if kept:
            check(unzip_ok(copy), 'unzip -t fails after deleting %r' % chosen)
            check(entries(copy) == kept, 'delete %r kept the wrong entries' % chosen)
        else:
            check(os.path.getsize(copy) == 0, 'deleting every entry leaves an empty file')

    # Add keeps every entry and adds the file.
    extra = os.path.join(work, 'added-file.txt')
    with open(extra, 'wb') as f:
        f.write(b'added %d' % seed)
    copy = os.path.join(work, 'add.zip')
    shutil.copy(archive, copy)
    out = bundlex('add', copy, extra)
    check(out.returncode == 0, 'add failed: %s' % out.stderr)
    check(unzip_ok(copy), 'unzip -t fails after add')
    check(entries(copy) == listed + [('added-file.txt', b'added %d' % seed)], 'add changed other entries')

    # One byte of the central directory changed: no harm done.
    if listed:
        start, end = directory_range(original)
        for op in ('add', 'extract', 'delete'):
            damaged = bytearray(original)
            at = rng.randrange(start, end)
            damaged[at] ^= rng.randrange(1, 256)
            copy = os.path.join(work, 'bad.zip')
            for name in (copy, os.path.join(work, 'damaged.zip')):
                with open(name, 'wb') as f:
                    f.write(damaged)
            whole = readable(copy)
            if op == 'add':
                bundlex('add', copy, extra)
            elif op == 'extract':
                bundlex('extract', copy, '--path', os.path.join(work, 'bad-out'))
            else:
                bundlex('delete', copy, file_part(rng.choice(files)[0]) if files else 'x')
            after = open(copy, 'rb').read() if os.path.exists(copy) else b''
            if after != damaged:
                check(whole, '%s changed an archive damaged at byte %d' % (op, at))
                check(after == b'' or unzip_ok(copy), '%s left a broken archive (byte %d)' % (op, at))
    return family


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--bundlex', required=True)
    parser.add_argument('--seeds', default='0-29')
    parser.add_argument('--big', action='store_true', help='zip64 by a real count of entries now and then')
    args = parser.parse_args()
    first, _, last = args.seeds.partition('-')
    seeds = range(int(first), int(last or first) + 1)

    top = tempfile.mkdtemp(prefix='zipdiff-')
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(top, 'config'), LC_ALL='C.UTF-8')
    bundlex = Bundlex(os.path.abspath(args.bundlex), env)
    passed = failed = 0
    try:
        for seed in seeds:
            try:
                family = run_seed(seed, bundlex, os.path.join(top, 'work'), args.big)
                passed += 1
                print('seed %d ok: %s' % (seed, family), flush=True)
            except (Failure, OSError, zipfile.BadZipFile, subprocess.SubprocessError) as e:
                failed += 1
                kept = os.path.join(tempfile.gettempdir(), 'zipdiff-seed-%d.zip' % seed)
                shutil.copy(os.path.join(top, 'work', 'a.zip'), kept)
                damaged = os.path.join(top, 'work', 'damaged.zip')
                if os.path.exists(damaged):
                    shutil.copy(damaged, kept[:-4] + '-damaged.zip')
                print('seed %d FAILED: %s (archive kept as %s)' % (seed, e, kept), flush=True)
    finally:
        shutil.rmtree(top, ignore_errors=True)
    print('%d passed, %d failed' % (passed, failed))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
