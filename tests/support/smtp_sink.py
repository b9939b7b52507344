#!/usr/bin/python3
"""A real SMTP server (aiosmtpd) on 127.0.0.1 that keeps what it receives, for the tests
and the benchmark.

    smtp_sink.py FOLDER COUNT LIMIT_SECONDS

Listens on an ephemeral port and writes it to FOLDER/port once it accepts connections.
Message n (from 1) is stored as FOLDER/message-n.eml: the content exactly as the server
keeps it (dot-unstuffed, lines ending in CR LF); FOLDER/message-n.envelope holds the
envelope sender (<> for the null reverse path) and the recipients, one a line. The server's
own output goes to FOLDER/sink.log. Ends after COUNT messages or LIMIT_SECONDS.
"""
import asyncio
import os
import sys

from aiosmtpd.smtp import SMTP


def write_atomically(path, data):
    temporary = path + ".partial"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)


class Sink:
    def __init__(self, folder, count):
        self.folder = folder
        self.count = count
        self.received = 0
        self.done = asyncio.Event()

    async def handle_DATA(self, server, session, envelope):
        self.received += 1
        stem = os.path.join(self.folder, "message-%d" % self.received)
        recipients = "".join(r + "\n" for r in envelope.rcpt_tos)
        write_atomically(stem + ".envelope",
                         (envelope.mail_from + "\n" + recipients).encode("utf-8"))
        write_atomically(stem + ".eml", envelope.original_content)
        if self.received >= self.count:
            # Let the client finish its QUIT before the server goes away.
            asyncio.get_running_loop().call_later(1.0, self.done.set)
        return "250 Message accepted for delivery"


async def serve(folder, count, limit):
    sink = Sink(folder, count)
    loop = asyncio.get_running_loop()
    # A fixed host name: the default would look the machine's name up in DNS.
    server = await loop.create_server(
        lambda: SMTP(sink, hostname="sink.test", data_size_limit=64 * 1024 * 1024),
        "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    write_atomically(os.path.join(folder, "port"), str(port).encode("ascii"))
    try:
        await asyncio.wait_for(sink.done.wait(), limit)
    except asyncio.TimeoutError:
        pass
    server.close()
    await server.wait_closed()


def main():
    folder, count, limit = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
    os.makedirs(folder, exist_ok=True)
    # The server outlives the test program that started it: it must not hold that program's
    # output open, or whoever reads it waits for the server too.
    log = os.open(os.path.join(folder, "sink.log"), os.O_WRONLY | os.O_CREAT | os.O_TRUNC)
    os.dup2(log, 1)
    os.dup2(log, 2)
    os.close(log)
    asyncio.run(serve(folder, count, limit))


if __name__ == "__main__":
    main()
