#!/usr/bin/env python3
"""Writes a large synthetic mail store for the scan benchmark.

    python3 bench/generate_store.py [OUT] [--scale F] [--only mbox|emlx]

OUT (default /tmp/cmc-bench-store) receives two sources:

  OUT/profile/    an mbox-family profile ("Mail/Local Folders/...",
                  ".sbd" sub-folders, ".msf" summary files, "ImapMail/...")
                  of about 1 GiB and 200,000 messages at scale 1;
  OUT/applemail/  an .emlx tree ("V2/Mailboxes/<name>.mbox/...",
                  "<server>/<name>.imapmbox/...", "Messages" folders and
                  "Data/<n>/Messages" shards) of 100,000 message files at
                  scale 1, about 1 % of them partial messages with their
                  ".emlxpart" part files.

--scale multiplies all three sizes (0.1 gives about 100 MiB, 20,000 mbox
messages and 10,000 .emlx files); --mbox-mib, --mbox-messages and
--emlx-files set one size directly. Messages have realistic headers (Received,
Date, From, To, Cc, Subject, Message-ID, References, MIME), encoded words in
several charsets, folded subjects, plain, quoted-printable, HTML and base64
attachment bodies of varied length. The output is the same for the same
arguments and --seed. Every person and address is made up.

Standard library only; the previous OUT/profile and OUT/applemail are
replaced.
"""

import argparse
import base64
import datetime
import os
import random
import shutil
import sys
import time

DEFAULT_OUT = "/tmp/cmc-bench-store"
MIB = 1024 * 1024

FIRST_NAMES = ["Ann", "Ben", "Carla", "David", "Elif", "Farid", "Greta", "Hugo", "Ines",
               "Jonas", "Kira", "Luis", "Mona", "Nils", "Olga", "Paul", "Rosa", "Sami",
               "Tara", "Uwe", "Vera", "Wim", "Yara", "Zoe"]
LAST_NAMES = ["Berg", "Costa", "Dahl", "Engel", "Fischer", "Garcia", "Hansen", "Ito",
              "Jensen", "Kim", "Lund", "Moreau", "Novak", "Ortiz", "Petrov", "Quinn",
              "Rossi", "Silva", "Tanaka", "Umar", "Vogel", "Weber", "Young", "Zimmer"]
DOMAINS = ["example.com", "example.org", "mail.example.com", "lists.example.org"]
# Display names outside ASCII, with the charset their encoded word uses.
ENCODED_NAMES = [("Jürgen Weiß", "utf-8"), ("René Dupont", "iso-8859-1"),
                 ("Zoë Müller", "windows-1252"), ("김민수", "ks_c_5601-1987"),
                 ("Ольга Иванова", "utf-8"), ("José García", "iso-8859-1")]
SUBJECT_WORDS = ["quarterly", "report", "meeting", "agenda", "budget", "review", "draft",
                 "release", "notes", "invoice", "schedule", "update", "question", "travel",
                 "plan", "minutes", "proposal", "contract", "summary", "feedback", "launch",
                 "design", "roadmap", "workshop", "results", "order", "shipping", "team"]
ENCODED_SUBJECTS = [("Grüße aus München", "utf-8"), ("Réunion de l'équipe", "iso-8859-1"),
                    ("“Budget” 2022 – 500 €", "windows-1252"), ("회의 일정 안내", "ks_c_5601-1987"),
                    ("Привет из Москвы", "utf-8"), ("Café con leche", "iso-8859-1")]
BODY_WORDS = ("the of and to in is that for it as was with be by on not he this are or "
              "his from at which but have an they you were her she there been one all "
              "we their has would when if so no will can more other what about up out "
              "them some could into only then time these two may first any my now such "
              "like our over man me even most made after also did many before must "
              "through back years where much your way well down should because each "
              "just those people how too little state good very make world still own "
              "see men work long get here between both life being under never day same "
              "another know while last might us great old year off come since against "
              "go came right used take three").split()
PY_CODEC = {"utf-8": "utf-8", "iso-8859-1": "latin-1", "windows-1252": "cp1252",
            "ks_c_5601-1987": "cp949"}


def encoded_word(text, charset, letter):
    data = text.encode(PY_CODEC[charset])
    if letter == "B":
        payload = base64.b64encode(data).decode("ascii")
    else:
        payload = "".join(chr(b) if chr(b).isalnum() and b < 128 else "=%02X" % b for b in data)
    return "=?%s?%s?%s?=" % (charset, letter, payload)


class Corpus:
    """Pre-built blocks that message bodies are cut from, so that the
    generator writes a gigabyte in seconds rather than building it byte by
    byte."""

    def __init__(self, rng):
        lines = []
        for i in range(40000):
            words = [rng.choice(BODY_WORDS) for _ in range(rng.randint(4, 13))]
            line = " ".join(words)
            line = line[0].upper() + line[1:] + rng.choice([".", ",", "", "?", ";"])
            if i % 97 == 0 or line.startswith("From "):
                # Quoted text that an mbox keeps escaped: never a separator.
                line = ">From " + line
            elif i % 53 == 0:
                line = "> " + line
            lines.append(line)
        self.text = ("\n".join(lines) + "\n").encode("ascii")
        qp_lines = []
        for i in range(20000):
            words = [rng.choice(BODY_WORDS) for _ in range(rng.randint(4, 9))]
            words.insert(rng.randint(0, len(words)), rng.choice(
                ["caf=E9", "=C3=BCber", "na=C3=AFve", "=E2=82=AC12", "r=C3=A9sum=C3=A9"]))
            qp_lines.append(" ".join(words) + ("=" if i % 5 == 0 else ""))
        self.qp = ("\n".join(qp_lines) + "\n").encode("ascii")
        blob = rng.randbytes(3 * MIB // 4)
        self.b64 = base64.encodebytes(blob)  # 76 characters and "\n" per line

    @staticmethod
    def cut(block, rng, size):
        """About size bytes of whole lines of block."""
        size = max(1, min(size, len(block) // 2))
        start = block.find(b"\n", rng.randrange(0, len(block) - size)) + 1
        end = block.find(b"\n", start + size)
        return block[start:end + 1] if end >= 0 else block[start:]


class People:
    def __init__(self, rng):
        self.people = []
        for i in range(600):
            first, last = rng.choice(FIRST_NAMES), rng.choice(LAST_NAMES)
            address = "%s.%s%d@%s" % (first.lower(), last.lower(), i, rng.choice(DOMAINS))
            if i % 11 == 0:
                name, cs = ENCODED_NAMES[i % len(ENCODED_NAMES)]
                display = encoded_word(name, cs, "B" if i % 2 else "Q")
            elif i % 7 == 0:
                display = '"%s, %s"' % (last, first)
            else:
                display = "%s %s" % (first, last)
            self.people.append("%s <%s>" % (display, address))

    def pick(self, rng):
        return rng.choice(self.people)


class MessageMaker:
    def __init__(self, rng):
        self.rng = rng
        self.corpus = Corpus(rng)
        self.people = People(rng)
        self.start = datetime.datetime(2012, 1, 2, 8, 0, 0)
        self.seq = 0

    def subject(self):
        rng = self.rng
        roll = rng.random()
        prefix = rng.choice(["", "", "", "Re: ", "Fwd: ", "RE: "])
        if roll < 0.12:
            text, cs = rng.choice(ENCODED_SUBJECTS)
            return [prefix + encoded_word(text, cs, rng.choice("QB"))]
        if roll < 0.17:
            text, cs = rng.choice(ENCODED_SUBJECTS)
            return [encoded_word(text + " –", "utf-8", "Q"),
                    " " + encoded_word(" " + rng.choice(SUBJECT_WORDS), "utf-8", "Q")]
        words = [rng.choice(SUBJECT_WORDS) for _ in range(rng.randint(2, 16))]
        text = prefix + " ".join(words).capitalize()
        if len(text) > 66:
            cut = text.rfind(" ", 0, 60)
            return [text[:cut], " " + text[cut + 1:]]
        return [text]

    def headers(self, when, body_kind, boundary):
        rng = self.rng
        self.seq += 1
        sender = self.people.pick(rng)
        to = self.people.pick(rng)
        msgid = "%x.%d@%s" % (rng.getrandbits(48), self.seq, rng.choice(DOMAINS))
        date = when.strftime("%a, %d %b %Y %H:%M:%S +0100")
        lines = [
            "Return-Path: <%s>" % sender.split("<")[-1].rstrip(">"),
            "Received: from smtp%d.example.org (smtp%d.example.org [192.0.2.%d])" % (
                self.seq % 9, self.seq % 9, self.seq % 250 + 1),
            "\tby mx.example.com with ESMTPS id %08x" % rng.getrandbits(32),
            "\tfor <%s>; %s" % (to.split("<")[-1].rstrip(">"), date),
            "Date: " + date,
            "From: " + sender,
            "To: " + to,
        ]
        if rng.random() < 0.3:
            lines.append("Cc: %s,\n %s" % (self.people.pick(rng), self.people.pick(rng)))
        subject = self.subject()
        lines.append("Subject: " + subject[0])
        lines.extend(subject[1:])
        lines.append("Message-ID: <%s>" % msgid)
        if rng.random() < 0.35:
            ref = "<%x@example.com>" % rng.getrandbits(40)
            lines += ["In-Reply-To: " + ref, "References: " + ref]
        lines.append("MIME-Version: 1.0")
        lines.append("X-Mailer: Example Mailer %d.%d" % (rng.randint(1, 9), rng.randint(0, 20)))
        if body_kind == "plain":
            lines += ["Content-Type: text/plain; charset=utf-8; format=flowed",
                      "Content-Transfer-Encoding: 8bit"]
        elif body_kind == "qp":
            lines += ["Content-Type: text/plain; charset=%s" % rng.choice(["iso-8859-1", "utf-8"]),
                      "Content-Transfer-Encoding: quoted-printable"]
        else:
            kind = "alternative" if body_kind == "html" else "mixed"
            lines.append('Content-Type: multipart/%s;\n boundary="%s"' % (kind, boundary))
        return ("\n".join(lines) + "\n\n").encode("ascii")

    def message(self, when, body_size):
        """One message of roughly body_size body bytes, LF line ends."""
        rng = self.rng
        c = self.corpus
        roll = rng.random()
        if body_size > 24 * 1024 or roll < 0.08:
            kind = "attachment"
        elif roll < 0.25:
            kind = "html"
        elif roll < 0.40:
            kind = "qp"
        else:
            kind = "plain"
        boundary = "=_part_%x" % rng.getrandbits(40)
        head = self.headers(when, kind, boundary)
        if kind == "plain":
            body = c.cut(c.text, rng, body_size)
        elif kind == "qp":
            body = c.cut(c.qp, rng, body_size)
        elif kind == "html":
            text = c.cut(c.text, rng, body_size // 3)
            html = c.cut(c.text, rng, body_size // 2).replace(b"\n", b"<br>\n")
            body = b"".join([
                b"--", boundary.encode(), b"\nContent-Type: text/plain; charset=utf-8\n"
                b"Content-Transfer-Encoding: 8bit\n\n", text,
                b"--", boundary.encode(), b"\nContent-Type: text/html; charset=utf-8\n"
                b"Content-Transfer-Encoding: 8bit\n\n<html><body><p>\n", html,
                b"</p></body></html>\n--", boundary.encode(), b"--\n"])
        else:
            text = c.cut(c.text, rng, min(2000, body_size // 4 + 200))
            name = rng.choice(["scan", "photo", "invoice", "slides", "data"]) + \
                "%d.%s" % (rng.randint(1, 999), rng.choice(["pdf", "jpg", "xlsx", "zip"]))
            attachment = c.cut(c.b64, rng, max(400, body_size - len(text)))
            body = b"".join([
                b"--", boundary.encode(), b"\nContent-Type: text/plain; charset=utf-8\n"
                b"Content-Transfer-Encoding: 8bit\n\n", text,
                b"\n--", boundary.encode(), b"\nContent-Type: application/octet-stream; name=\"",
                name.encode(), b"\"\nContent-Transfer-Encoding: base64\n"
                b"Content-Disposition: attachment; filename=\"", name.encode(), b"\"\n\n",
                attachment, b"--", boundary.encode(), b"--\n"])
        return head + body


def body_sizes(rng, count, total):
    """count body sizes that add up to about total bytes: mostly short
    texts, some long ones, a few large attachments."""
    raw = []
    for _ in range(count):
        roll = rng.random()
        if roll < 0.70:
            raw.append(rng.lognormvariate(7.0, 0.8))     # ~1.1 KiB median
        elif roll < 0.95:
            raw.append(rng.lognormvariate(8.6, 0.7))     # ~5.4 KiB median
        else:
            raw.append(rng.lognormvariate(10.8, 0.9))    # ~50 KiB median
    factor = total / sum(raw)
    return [max(120, int(s * factor)) for s in raw]


def asctime(when):
    return when.strftime("%a %b %d %H:%M:%S %Y")


# The mbox files of the profile, with their share of the messages.
PROFILE_FOLDERS = [
    ("Mail/Local Folders/Inbox", 24),
    ("Mail/Local Folders/Inbox.sbd/Family", 3),
    ("Mail/Local Folders/Inbox.sbd/Work", 8),
    ("Mail/Local Folders/Inbox.sbd/Work.sbd/Projects", 5),
    ("Mail/Local Folders/Inbox.sbd/Work.sbd/Clients", 4),
    ("Mail/Local Folders/Sent", 9),
    ("Mail/Local Folders/Drafts", 1),
    ("Mail/Local Folders/Archives.sbd/2019", 6),
    ("Mail/Local Folders/Archives.sbd/2020", 6),
    ("Mail/Local Folders/Archives.sbd/2021", 7),
    ("Mail/Local Folders/Archives.sbd/2022", 7),
    ("ImapMail/imap.example.com/INBOX", 12),
    ("ImapMail/imap.example.com/INBOX.sbd/Lists", 5),
    ("ImapMail/imap.example.com/Sent", 3),
]


def write_profile(out, messages, total_bytes, rng, maker):
    root = os.path.join(out, "profile")
    shutil.rmtree(root, ignore_errors=True)
    weight_sum = sum(w for _, w in PROFILE_FOLDERS)
    counts = [messages * w // weight_sum for _, w in PROFILE_FOLDERS]
    counts[0] += messages - sum(counts)
    # Headers and separators take about 850 bytes a message; bodies get the rest.
    sizes = body_sizes(rng, messages, max(messages * 200, total_bytes - messages * 850))
    written = 0
    index = 0
    for (rel, _), count in zip(PROFILE_FOLDERS, counts):
        path = os.path.join(root, *rel.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        when = maker.start
        with open(path, "wb", buffering=4 * MIB) as f:
            for _ in range(count):
                when += datetime.timedelta(seconds=rng.randint(60, 40000))
                data = maker.message(when, sizes[index])
                index += 1
                f.write(b"From - %s\n" % asctime(when).encode("ascii"))
                f.write(data)
                f.write(b"\n")
                written += len(data) + 32
        with open(path + ".msf", "wb") as f:
            f.write(b"// folder summary placeholder\n")
    # Profile files that are no mailboxes at all.
    with open(os.path.join(root, "prefs.js"), "wb") as f:
        f.write(b'// preferences placeholder\nuser_pref("mail.example", true);\n')
    return written


# The .emlx mailboxes, with their share of the files.
EMLX_FOLDERS = [
    ("V2/Mailboxes/Inbox.mbox", 20),
    ("V2/Mailboxes/Sent.mbox", 8),
    ("V2/Mailboxes/Drafts.mbox", 1),
    ("V2/Mailboxes/Archive.mbox", 15),
    ("V2/Mailboxes/Work.mbox", 6),
    ("V2/Mailboxes/Work.mbox/Projects.mbox", 4),
    ("V2/Mailboxes/Family.mbox", 3),
    ("V2/imap.example.com/INBOX.imapmbox", 25),
    ("V2/imap.example.com/Sent Messages.imapmbox", 6),
    ("V2/imap.example.com/Lists.imapmbox", 8),
    ("V2/imap.example.com/Lists.imapmbox/Announce.imapmbox", 4),
]

PLIST = (b'<?xml version="1.0" encoding="UTF-8"?>\n'
         b'<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" '
         b'"http://www.apple.com/DTDs/PropertyList-1.0.dtd">\n'
         b'<plist version="1.0">\n<dict>\n\t<key>date-received</key>\n\t<integer>%d</integer>\n'
         b'\t<key>flags</key>\n\t<integer>%d</integer>\n</dict>\n</plist>\n')

SHARD = 1000  # files per "Data/<n>/Messages" folder in large mailboxes


def partial_message(maker, when, rng):
    """A message stored in pieces: the .partial.emlx text (attachment
    contents left out, each part header marked with its content length) and
    the part files' contents, part numbers 2 and up."""
    boundary = "=_part_%x" % rng.getrandbits(40)
    head = maker.headers(when, "attachment", boundary)
    text = maker.corpus.cut(maker.corpus.text, rng, 600)
    pieces = [head, b"--", boundary.encode(), b"\nContent-Type: text/plain; charset=utf-8\n"
              b"Content-Transfer-Encoding: 8bit\n\n", text]
    parts = []
    for k in range(rng.randint(1, 2)):
        content = maker.corpus.cut(maker.corpus.b64, rng, rng.randint(2000, 40000))
        parts.append(content)
        pieces += [b"--", boundary.encode(),
                   b"\nContent-Type: application/octet-stream; name=\"file%d.bin\"\n" % (k + 1),
                   b"Content-Transfer-Encoding: base64\n",
                   b"X-Apple-Content-Length: %d\n\n" % len(content)]
    pieces += [b"--", boundary.encode(), b"--\n"]
    return b"".join(pieces), parts


def write_emlx_tree(out, files, rng, maker):
    root = os.path.join(out, "applemail")
    shutil.rmtree(root, ignore_errors=True)
    weight_sum = sum(w for _, w in EMLX_FOLDERS)
    counts = [files * w // weight_sum for _, w in EMLX_FOLDERS]
    counts[0] += files - sum(counts)
    sizes = body_sizes(rng, files, files * 1800)
    written = 0
    number = 1000
    index = 0
    made_dirs = set()
    for (rel, _), count in zip(EMLX_FOLDERS, counts):
        mailbox = os.path.join(root, *rel.split("/"))
        when = maker.start
        for i in range(count):
            number += 1
            if count > 2 * SHARD:
                folder = os.path.join(mailbox, "Data", str(i // SHARD), "Messages")
            else:
                folder = os.path.join(mailbox, "Messages")
            if folder not in made_dirs:
                os.makedirs(folder, exist_ok=True)
                made_dirs.add(folder)
            when += datetime.timedelta(seconds=rng.randint(60, 40000))
            stamp = int(when.replace(tzinfo=datetime.timezone.utc).timestamp())
            if i % 100 == 37:
                text, parts = partial_message(maker, when, rng)
                name = os.path.join(folder, "%d.partial.emlx" % number)
                for k, content in enumerate(parts, start=2):
                    with open(os.path.join(folder, "%d.%d.emlxpart" % (number, k)), "wb") as f:
                        f.write(content)
                    written += len(content)
            else:
                text = maker.message(when, sizes[index])
                name = os.path.join(folder, "%d.emlx" % number)
            index += 1
            data = b"%d\n" % len(text) + text + PLIST % (stamp, rng.choice([0, 1, 3, 8590195713]))
            with open(name, "wb") as f:
                f.write(data)
            written += len(data)
    return written


def main(argv):
    parser = argparse.ArgumentParser(
        description="Writes a large synthetic mail store for bench_scan.",
        formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__)
    parser.add_argument("out", nargs="?", default=DEFAULT_OUT,
                        help="output folder (default %s)" % DEFAULT_OUT)
    parser.add_argument("--scale", type=float, default=1.0,
                        help="multiplies every size (default 1.0: 1 GiB, 200,000 messages, "
                             "100,000 .emlx files)")
    parser.add_argument("--mbox-mib", type=float, help="size of the mbox profile in MiB")
    parser.add_argument("--mbox-messages", type=int, help="messages in the mbox profile")
    parser.add_argument("--emlx-files", type=int, help=".emlx message files in the tree")
    parser.add_argument("--only", choices=["mbox", "emlx"], help="write one source only")
    parser.add_argument("--seed", type=int, default=20220314)
    args = parser.parse_args(argv)

    mbox_bytes = int((args.mbox_mib if args.mbox_mib is not None else 1024 * args.scale) * MIB)
    mbox_messages = args.mbox_messages if args.mbox_messages is not None \
        else max(1, int(200000 * args.scale))
    emlx_files = args.emlx_files if args.emlx_files is not None else max(1, int(100000 * args.scale))

    os.makedirs(args.out, exist_ok=True)
    rng = random.Random(args.seed)
    maker = MessageMaker(rng)
    if args.only in (None, "mbox"):
        t = time.time()
        size = write_profile(args.out, mbox_messages, mbox_bytes, rng, maker)
        print("profile:   %s: %d messages, %.1f MiB in %.1f s" % (
            os.path.join(args.out, "profile"), mbox_messages, size / MIB, time.time() - t))
    if args.only in (None, "emlx"):
        t = time.time()
        size = write_emlx_tree(args.out, emlx_files, rng, maker)
        print("emlx tree: %s: %d message files, %.1f MiB in %.1f s" % (
            os.path.join(args.out, "applemail"), emlx_files, size / MIB, time.time() - t))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
