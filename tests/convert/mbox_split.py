#!/usr/bin/env python3
"""Splits mbox files with Python's own mailbox reader, independently of the
converter: prints, per file, one line per message with its Message-ID and
the hex of its body bytes (as stored, after the header block), so a test
can check that a file splits into exactly the messages that went in."""
import mailbox
import sys


def main(paths):
    for path in paths:
        box = mailbox.mbox(path, create=False)
        print("FILE", path)
        for key in box.iterkeys():
            raw = box.get_bytes(key)
            msg = box.get_message(key)
            head, sep, body = raw.partition(b"\n\n")
            print("MSG", (msg.get("Message-ID") or "").strip(), body.hex())
        box.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
