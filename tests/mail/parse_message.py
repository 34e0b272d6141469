"""Parses mail messages with Python's email package and prints what the
mail tests check, as JSON: the headers, whether parsing found defects, the
longest line and whether any byte is 8-bit, and each leaf part with its
content type, character set, transfer encoding, file name and decoded
payload (base64 of the bytes, so binary attachments compare exactly). For a
quoted-printable part, qp_valid says whether its raw text is well formed:
7-bit, lines of at most 76, every "=" a soft break or followed by two
upper-case hex digits.

usage: parse_message.py FILE               one JSON object
       parse_message.py --all FILE...     a JSON array, one object per file
"""
import base64
import email
import email.policy
import json
import re
import sys

QP_BAD = re.compile(rb"=(?![0-9A-F]{2}|$)")


def qp_valid(raw):
    for line in raw.splitlines():
        if len(line) > 76 or QP_BAD.search(line) or any(b > 126 for b in line):
            return False
        if line[-1:] in (b" ", b"\t"):
            return False
    return True


def parse(path):
    with open(path, "rb") as f:
        raw = f.read()
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    parts = []
    header_defects = []
    for part in msg.walk():
        for name, value in part.items():
            header_defects += ["%s: %s" % (name, type(d).__name__) for d in getattr(value, "defects", [])]
        if part.is_multipart():
            continue
        payload = part.get_payload(decode=True) or b""
        cte = part.get("content-transfer-encoding")
        info = {
            "type": part.get_content_type(),
            "charset": part.get_content_charset(),
            "cte": str(cte).lower() if cte is not None else None,
            "filename": part.get_filename(),
            "data": base64.b64encode(payload).decode("ascii"),
            "defects": [type(d).__name__ for d in part.defects],
        }
        if info["cte"] == "quoted-printable":
            info["qp_valid"] = qp_valid(part.get_payload(decode=False).encode("latin-1", "surrogateescape"))
        parts.append(info)
    return {
        "headers": {k: str(v) for k, v in msg.items()},
        "content_type": msg.get_content_type(),
        "is_multipart": msg.is_multipart(),
        "defects": [type(d).__name__ for d in msg.defects],
        "header_defects": header_defects,
        "max_line": max((len(line) for line in raw.splitlines()), default=0),
        "eight_bit": any(b > 127 for b in raw),
        "parts": parts,
    }


if sys.argv[1] == "--all":
    print(json.dumps([parse(p) for p in sys.argv[2:]]))
else:
    print(json.dumps(parse(sys.argv[1])))
