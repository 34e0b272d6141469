"""Parses a mail message with Python's email package and prints what the
mail tests check, as JSON: the headers, whether parsing found defects, and
each leaf part with its content type, file name and decoded payload (base64
of the bytes, so binary attachments compare exactly).

usage: parse_message.py FILE
"""
import base64
import email
import email.policy
import json
import sys

with open(sys.argv[1], "rb") as f:
    raw = f.read()
msg = email.message_from_bytes(raw, policy=email.policy.default)
parts = []
for part in msg.walk():
    if part.is_multipart():
        continue
    payload = part.get_payload(decode=True) or b""
    parts.append({
        "type": part.get_content_type(),
        "filename": part.get_filename(),
        "data": base64.b64encode(payload).decode("ascii"),
        "defects": [type(d).__name__ for d in part.defects],
    })
print(json.dumps({
    "headers": {k: str(v) for k, v in msg.items()},
    "content_type": msg.get_content_type(),
    "is_multipart": msg.is_multipart(),
    "defects": [type(d).__name__ for d in msg.defects],
    "parts": parts,
}))
