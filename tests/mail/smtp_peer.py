"""A loopback SMTP server for the mail tests.

usage: smtp_peer.py MODE OUTDIR

Listens on a free port of 127.0.0.1, prints "PORT <n>" once it accepts
connections, and runs until its standard input closes. Modes:
  accept   store each message as OUTDIR/msg-<n>.eml and its envelope as
           OUTDIR/msg-<n>.json
  rcpt550  refuse every recipient with 550
  mail451  answer MAIL FROM with 451
  data554  refuse the message after DATA with 554
  silent   accept the connection and never answer
  drop     close the connection right after accepting it
"""
import asyncio
import json
import os
import sys

from aiosmtpd.smtp import SMTP


class Handler:
    def __init__(self, mode, outdir):
        self.mode = mode
        self.outdir = outdir
        self.count = 0

    async def handle_MAIL(self, server, session, envelope, address, options):
        if self.mode == "mail451":
            return "451 4.3.0 Mailbox temporarily unavailable"
        envelope.mail_from = address
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, options):
        if self.mode == "rcpt550":
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.mode == "data554":
            return "554 5.6.0 Message rejected"
        self.count += 1
        base = os.path.join(self.outdir, "msg-%d" % self.count)
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content or envelope.content)
        with open(base + ".json", "w") as f:
            json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                       "helo": session.host_name}, f)
        return "250 2.0.0 Message accepted for delivery"


async def silent(reader, writer):
    await reader.read()  # never answers; ends when the client goes away
    writer.close()


async def drop(reader, writer):
    writer.close()


async def main():
    mode, outdir = sys.argv[1], sys.argv[2]
    loop = asyncio.get_running_loop()
    if mode == "silent":
        server = await asyncio.start_server(silent, "127.0.0.1", 0)
    elif mode == "drop":
        server = await asyncio.start_server(drop, "127.0.0.1", 0)
    else:
        handler = Handler(mode, outdir)
        server = await loop.create_server(lambda: SMTP(handler, decode_data=False), "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    print("PORT %d" % port, flush=True)
    # Run until the test closes our standard input.
    await loop.run_in_executor(None, sys.stdin.read)
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
