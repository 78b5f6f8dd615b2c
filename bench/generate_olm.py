#!/usr/bin/env python3
"""Writes an Outlook 2011 backup file (.olm) for the backup-scan benchmark.

The archive holds, per message, one or two stored attachment entries followed
by the message document that lists them, each a sized entry with a ZIP64
block, spread over a few folders; then a central directory. Standard library
only; the same arguments give the same bytes.

    python3 bench/generate_olm.py /tmp/cmc-bench.olm            # about 1 GiB, 50,000 messages
    python3 bench/generate_olm.py /tmp/small.olm --messages 500 --mib 10
"""
import argparse
import random
import struct
import zlib

FOLDERS = ["Inbox", "Inbox/Projects", "Inbox/Projects/Old", "Sent Items", "Archive/2014", "Drafts"]


def local_header(name, data):
    crc = zlib.crc32(data) or 1
    extra = struct.pack("<HHQQ", 1, 16, len(data), len(data))
    return struct.pack("<IHHHHHIIIHH", 0x04034B50, 45, 0, 0, 0, 0, crc, 0xFFFFFFFF, 0xFFFFFFFF,
                       len(name), len(extra)) + name + extra, crc


def central_header(name, data_len, crc, offset):
    extra = struct.pack("<HHQQQ", 1, 24, data_len, data_len, offset)
    return struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 45, 45, 0, 0, 0, 0, crc, 0xFFFFFFFF, 0xFFFFFFFF,
                       len(name), len(extra), 0, 0, 0, 0, 0xFFFFFFFF) + name + extra


def element(name, content):
    return "<%s xml:space=\"preserve\">%s</%s>" % (name, content, name)


def message_xml(n, rnd, attachments, body_len):
    words = ["mail", "report", "meeting", "budget", "caf\u00e9", "draft", "notes", "plan"]
    subject = " ".join(rnd.choice(words) for _ in range(4)) + " #%d" % n
    body = ("&lt;p&gt;" + " ".join(rnd.choice(words) for _ in range(body_len // 6)) + "&lt;/p&gt;")[:body_len]
    items = "".join(
        "<messageAttachment OPFAttachmentContentID=\"c%d\" OPFAttachmentContentType=\"application/octet-stream\" "
        "OPFAttachmentName=\"file%d.bin\" OPFAttachmentURL=\"%s\"></messageAttachment>" % (i, i, url)
        for i, url in enumerate(attachments))
    addr = lambda a, nm: ("<emailAddress OPFContactEmailAddressAddress=\"%s\" OPFContactEmailAddressName=\"%s\" "
                          "OPFContactEmailAddressType=\"0\"></emailAddress>" % (a, nm))
    parts = [
        element("OPFMessageCopySubject", subject),
        element("OPFMessageCopyFromAddresses", addr("sender%d@example.org" % (n % 97), "Sender %d" % (n % 97))),
        element("OPFMessageCopyToAddresses", addr("me@example.org", "Me") + addr("you@example.org", "You")),
        element("OPFMessageCopySentTime", "2014-%02d-%02dT%02d:%02d:07" % (1 + n % 12, 1 + n % 28, n % 24, n % 60)),
        element("OPFMessageCopyReceivedTime", "2014-%02d-%02dT%02d:%02d:09" % (1 + n % 12, 1 + n % 28, n % 24, n % 60)),
        element("OPFMessageCopyMessageID", "&lt;m%d@example.org&gt;" % n),
        element("OPFMessageGetPriority", "3"),
        element("OPFMessageIsOutgoing", "0"),
    ]
    if items:
        parts.append(element("OPFMessageCopyAttachmentList", items))
    parts.append(element("OPFMessageCopyBody", body))
    return ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<emails><email>" + "".join(parts)
            + "</email></emails>\n").encode("utf-8")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("output", nargs="?", default="/tmp/cmc-bench.olm")
    parser.add_argument("--messages", type=int, default=50000)
    parser.add_argument("--mib", type=float, default=1024.0)
    parser.add_argument("--seed", type=int, default=11)
    args = parser.parse_args()
    rnd = random.Random(args.seed)
    per_message = int(args.mib * 1024 * 1024 / args.messages)
    blob = bytes(rnd.getrandbits(8) for _ in range(1 << 16)) * (per_message // (1 << 16) + 2)
    central = []
    offset = 0
    with open(args.output, "wb") as out:
        def entry(name, data):
            nonlocal offset
            header, crc = local_header(name, data)
            central.append(central_header(name, len(data), crc, offset))
            out.write(header)
            out.write(data)
            offset += len(header) + len(data)

        for n in range(args.messages):
            urls = []
            for k in range(1 + n % 2):
                url = "Local/com.microsoft.__Attachments/att_%d_%d" % (n, k)
                size = max(1, int(per_message * 0.85 / (1 + n % 2) * (0.5 + rnd.random())))
                start = rnd.randrange(0, 1 << 16)
                entry(url.encode(), blob[start:start + size])
                urls.append(url)
            folder = FOLDERS[n % len(FOLDERS)]
            name = "Local/com.microsoft.__Messages/%s/message_%d__message_attachment__.xml" % (folder, n)
            entry(name.encode(), message_xml(n, rnd, urls, 600 + n % 2000))
        directory = b"".join(central)
        out.write(directory)
        count = len(central)
        out.write(struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, count, count, len(directory), offset))
        out.write(struct.pack("<IIQI", 0x07064B50, 0, offset + len(directory), 1))
        out.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0))
    print("wrote %s: %d messages, %.1f MiB" % (args.output, args.messages, (offset + len(directory)) / 1048576.0))


if __name__ == "__main__":
    main()
