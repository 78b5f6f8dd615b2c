#!/usr/bin/env python3
"""Writes the sample mail stores of samples/, one folder per client layout.

Every message is made up here: the people, addresses (example.com and
example.org), dates and texts are fictional. The script is deterministic:
running it again writes the same bytes.

    python3 samples/make_samples.py            # regenerate samples/ in place
    python3 samples/make_samples.py --out DIR  # write the tree somewhere else

Standard library only. Files are written in binary mode so every line end
is exactly the one intended (LF, or CR LF where a layout uses it).
"""

import argparse
import base64
import os
import shutil
import struct
import sys
import zlib

# The folders this script owns; each is removed and written anew.
LAYOUTS = (
    "thunderbird-profile",
    "eudora-folder",
    "apple-mail-mbox-export",
    "apple-mail-emlx",
    "mailmate",
    "outspring-mail",
    "opera-mail",
    "outlook-backup",
)

LF = b"\n"
CRLF = b"\r\n"

# MIME charset name -> Python codec name.
PY_CODEC = {
    "utf-8": "utf-8",
    "iso-8859-1": "latin-1",
    "windows-1252": "cp1252",
    "ks_c_5601-1987": "cp949",
    "koi8-r": "koi8_r",
}


# ---------------------------------------------------------------------------
# Encoders

def encoded_word(text, charset, letter="Q"):
    """One RFC 2047 encoded word for text in charset (letter Q, q, B or b)."""
    data = text.encode(PY_CODEC[charset])
    if letter in "Bb":
        payload = base64.b64encode(data).decode("ascii")
    else:
        payload = "".join(
            chr(b) if (0x30 <= b <= 0x39 or 0x41 <= b <= 0x5A or 0x61 <= b <= 0x7A)
            else "=%02X" % b
            for b in data)
    return "=?%s?%s?%s?=" % (charset, letter, payload)


def qp_encode(data):
    """Quoted-printable body lines (RFC 2045) for bytes with LF line ends."""
    out = []
    if data.endswith(b"\n"):
        data = data[:-1]
    for raw in data.split(b"\n"):
        line = ""
        for i, b in enumerate(raw):
            last = i == len(raw) - 1
            if b in (0x20, 0x09) and not last:
                piece = chr(b)
            elif 33 <= b <= 126 and b != 0x3D:
                piece = chr(b)
            else:
                piece = "=%02X" % b
            if len(line) + len(piece) > 75:
                out.append((line + "=").encode("ascii"))
                line = ""
            line += piece
        out.append(line.encode("ascii"))
    return out


def b64_lines(data):
    """Base64 body lines of 76 characters."""
    return base64.encodebytes(data).rstrip(b"\n").split(b"\n")


def text_lines(text, charset):
    """Body lines of text in charset; a final line feed ends the last line."""
    data = text.encode(PY_CODEC[charset])
    if data.endswith(b"\n"):
        data = data[:-1]
    return data.split(b"\n")


def tiny_png():
    """A valid 16 x 16 RGB PNG: a small colour gradient."""
    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body))
    rows = b"".join(
        b"\x00" + b"".join(bytes((x * 16, y * 16, 128)) for x in range(16))
        for y in range(16))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9))
            + chunk(b"IEND", b""))


# ---------------------------------------------------------------------------
# Messages

class Message:
    """One RFC 822 message: header lines (folded lines given as written) and
    body lines, all without line ends."""

    def __init__(self, envelope_from, envelope_date, headers, body):
        self.envelope_from = envelope_from  # address of the mbox separator line
        self.envelope_date = envelope_date  # asctime() form, e.g. "Tue Mar 15 09:12:44 2022"
        self.headers = headers
        self.body = body

    def lines(self):
        return [h.encode("ascii") for h in self.headers] + [b""] + list(self.body)

    def raw(self, eol=LF):
        """The message as a message file holds it (no separator, no escaping)."""
        return eol.join(self.lines()) + eol

    def mbox_entry(self, eol=LF, separator_address=None):
        """The message as an mbox file holds it: the separator line first,
        every body line beginning "From " escaped as ">From ", and a blank
        line after the message."""
        address = separator_address or self.envelope_from
        out = [("From %s %s" % (address, self.envelope_date)).encode("ascii")]
        for line in self.lines():
            out.append(b">" + line if line.startswith(b"From ") else line)
        out.append(b"")
        return eol.join(out) + eol


def common(msgid, date, sender, to, subject_lines, extra=()):
    """The usual header block, subject given as its (folded) lines."""
    return ([
        "Return-Path: <%s>" % sender.split("<")[-1].rstrip(">"),
        "Received: from mail.example.org (mail.example.org [192.0.2.25])",
        "\tby mx.example.com with ESMTPS id %08x" % zlib.crc32(msgid.encode("ascii")),
        "\tfor <%s>; %s" % (to.split("<")[-1].rstrip(">"), date),
        "Date: %s" % date,
        "From: %s" % sender,
        "To: %s" % to,
    ] + ["Subject: " + subject_lines[0]] + list(subject_lines[1:]) + [
        "Message-ID: <%s>" % msgid,
        "MIME-Version: 1.0",
    ] + list(extra))


def build_messages():
    png = tiny_png()
    m = {}

    # Plain ASCII.
    m["welcome"] = Message(
        "lena.berg@example.com", "Mon Mar 14 08:02:11 2022",
        common("welcome.20220314080211@example.com", "Mon, 14 Mar 2022 08:02:11 +0100",
               "Lena Berg <lena.berg@example.com>", "Ann Example <ann@example.com>",
               ["Welcome to the team"],
               ["Content-Type: text/plain; charset=us-ascii; format=flowed",
                "Content-Transfer-Encoding: 7bit"]),
        text_lines("Hi Ann,\n\nwelcome aboard! Your desk is in room 4.12, next to the\n"
                   "window. Lunch is at noon on Mondays.\n\nSee you,\nLena\n", "utf-8"))

    # UTF-8: Q subject, B sender name, 8bit body.
    m["greetings"] = Message(
        "juergen.weiss@example.org", "Tue Mar 15 09:12:44 2022",
        common("3f9a.greetings@example.org", "Tue, 15 Mar 2022 09:12:44 +0100",
               "%s <juergen.weiss@example.org>" % encoded_word("Jürgen Weiß", "utf-8", "B"),
               "Ann Example <ann@example.com>",
               [encoded_word("Grüße aus München", "utf-8", "Q")],
               ["Content-Type: text/plain; charset=utf-8",
                "Content-Transfer-Encoding: 8bit"]),
        text_lines("Liebe Ann,\n\nviele Grüße aus München! Das Wetter ist schön, "
                   "die Straßen sind voll.\nΚαλημέρα από τη Θεσσαλονίκη — "
                   "Grüße auch von Σοφία.\n\nBis bald,\nJürgen\n", "utf-8"))

    # ISO-8859-1: Q words in sender and subject, quoted-printable body.
    m["meeting-fr"] = Message(
        "rene.dupont@example.org", "Wed Mar 16 14:30:00 2022",
        common("r1.meeting@example.org", "Wed, 16 Mar 2022 14:30:00 +0100",
               "%s <rene.dupont@example.org>" % encoded_word("René Dupont", "iso-8859-1"),
               "Ann Example <ann@example.com>",
               [encoded_word("Réunion de l'équipe à 15h", "iso-8859-1")],
               ["Content-Type: text/plain; charset=iso-8859-1",
                "Content-Transfer-Encoding: quoted-printable"]),
        qp_encode("Bonjour Ann,\n\nla réunion de l'équipe aura lieu à 15h dans la salle "
                  "« Études ». Pensez à apporter le café et les crêpes.\n\n"
                  "Cordialement,\nRené\n".encode("latin-1")))

    # windows-1252: euro sign and typographic quotes in subject and body.
    m["budget"] = Message(
        "ann@example.com", "Thu Mar 17 11:45:09 2022",
        common("budget.2022@example.com", "Thu, 17 Mar 2022 11:45:09 +0100",
               "Ann Example <ann@example.com>", "Tom Novak <tom.novak@example.org>",
               [encoded_word("“Budget” für 2022 – 500 €", "windows-1252")],
               ["Content-Type: text/plain; charset=windows-1252",
                "Content-Transfer-Encoding: quoted-printable"]),
        qp_encode("Hello Tom,\n\nthe “travel” line is now 500 € — see the sheet.\n"
                  "Don’t forget the receipts…\n\nAnn\n".encode("cp1252")))

    # ks_c_5601-1987: Korean subject (Q) and sender (B), base64 body.
    m["korean"] = Message(
        "minsu.kim@example.org", "Fri Mar 18 10:05:00 2022",
        common("kr.20220318@example.org", "Fri, 18 Mar 2022 10:05:00 +0900",
               "%s <minsu.kim@example.org>" % encoded_word("김민수", "ks_c_5601-1987", "B"),
               "Ann Example <ann@example.com>",
               [encoded_word("회의 일정 안내", "ks_c_5601-1987")],
               ["Content-Type: text/plain; charset=ks_c_5601-1987",
                "Content-Transfer-Encoding: base64"]),
        b64_lines("안녕하세요 Ann 님,\n\n다음 주 회의 일정을 안내드립니다.\n"
                  "화요일 오전 10시, 3층 회의실입니다.\n\n감사합니다.\n김민수 드림\n"
                  .encode("cp949")))

    # HTML alternative, subject of two encoded words on two lines.
    m["newsletter"] = Message(
        "news@example.org", "Sat Mar 19 07:00:00 2022",
        common("nl.march@example.org", "Sat, 19 Mar 2022 07:00:00 +0000",
               "Example Gardening Club <news@example.org>", "ann@example.com",
               [encoded_word("Frühjahrsputz im Garten: ", "utf-8"),
                " " + encoded_word("Tipps für Ihre Beete 🌷", "utf-8")],
               ['Content-Type: multipart/alternative; boundary="alt-7d3c1"']),
        text_lines(
            "This is a multi-part message in MIME format.\n"
            "--alt-7d3c1\n"
            "Content-Type: text/plain; charset=utf-8\n"
            "Content-Transfer-Encoding: quoted-printable\n", "utf-8")
        + [b""]
        + qp_encode("Frühjahrsputz: Beete lockern, Kompost verteilen, "
                    "Tulpen gießen. Viel Freude im Garten! 🌷".encode("utf-8"))
        + text_lines(
            "--alt-7d3c1\n"
            "Content-Type: text/html; charset=utf-8\n"
            "Content-Transfer-Encoding: quoted-printable\n", "utf-8")
        + [b""]
        + qp_encode('<html><body style="font-family: sans-serif">\n'
                    '<h1>Frühjahrsputz im Garten</h1>\n'
                    '<p>Beete <b>lockern</b>, Kompost verteilen, Tulpen gießen.</p>\n'
                    '<ul><li>Rosen schneiden</li><li>Rasen vertikutieren</li></ul>\n'
                    '<p>Viel Freude im Garten! &#127799;</p>\n'
                    '</body></html>'.encode("utf-8"))
        + [b"--alt-7d3c1--"])

    # Attachments: a PNG and a text file with an encoded file name.
    notes = "Übersicht der Zahlen\nQ1: 12.400 €\nQ2: 13.150 €\n".encode("utf-8")
    m["report"] = Message(
        "tom.novak@example.org", "Mon Mar 21 16:20:31 2022",
        common("att.0321@example.org", "Mon, 21 Mar 2022 16:20:31 +0100",
               "Tom Novak <tom.novak@example.org>", "Ann Example <ann@example.com>",
               ["Quarterly report with chart"],
               ['Content-Type: multipart/mixed; boundary="mix-41aa"']),
        [b"--mix-41aa",
         b"Content-Type: text/plain; charset=utf-8",
         b"Content-Transfer-Encoding: 7bit",
         b"",
         b"Hi Ann,",
         b"",
         b"attached are the chart and my notes.",
         b"",
         b"Tom",
         b"",
         b"--mix-41aa",
         b'Content-Type: image/png; name="chart.png"',
         b"Content-Transfer-Encoding: base64",
         b'Content-Disposition: attachment; filename="chart.png"',
         b""]
        + b64_lines(png)
        + [b"",
           b"--mix-41aa",
           ('Content-Type: text/plain; charset=utf-8; name="%s"'
            % encoded_word("Übersicht.txt", "utf-8", "B")).encode("ascii"),
           b"Content-Transfer-Encoding: base64",
           b"Content-Disposition: attachment;",
           b" filename*=utf-8''%C3%9Cbersicht.txt",
           b""]
        + b64_lines(notes)
        + [b"", b"--mix-41aa--"])

    # A body line that begins "From ", and a plain subject folded over two lines.
    m["from-line"] = Message(
        "lena.berg@example.com", "Tue Mar 22 12:00:00 2022",
        common("fromline.0322@example.com", "Tue, 22 Mar 2022 12:00:00 +0100",
               "Lena Berg <lena.berg@example.com>", "Ann Example <ann@example.com>",
               ["Minutes of the planning meeting held on Monday, with the list",
                " of open questions and the dates agreed for the next steps"],
               ["Content-Type: text/plain; charset=us-ascii",
                "Content-Transfer-Encoding: 7bit"]),
        text_lines("Ann,\n\nthe minutes are below.\n\n"
                   "From the planning meeting on Monday:\n"
                   "- the launch moves to May\n"
                   "- Tom owns the budget sheet\n"
                   "From now on we meet every second Tuesday.\n\nLena\n", "utf-8"))

    # KOI8-R: B subject, 8bit body; lower-case q in the sender word.
    m["russian"] = Message(
        "olga.ivanova@example.org", "Wed Mar 23 18:40:12 2022",
        common("ru.0323@example.org", "Wed, 23 Mar 2022 18:40:12 +0300",
               "%s <olga.ivanova@example.org>" % encoded_word("Ольга Иванова", "koi8-r", "q"),
               "Ann Example <ann@example.com>",
               [encoded_word("Привет из Москвы", "koi8-r", "B")],
               ["Content-Type: text/plain; charset=koi8-r",
                "Content-Transfer-Encoding: 8bit"]),
        text_lines("Здравствуйте, Ann!\n\nСпасибо за письмо. До встречи в апреле.\n\nОльга\n",
                   "koi8-r"))

    # ISO-8859-1 B subject; a quoted encoded sender name.
    m["cafe"] = Message(
        "garcia@example.org", "Thu Mar 24 09:30:00 2022",
        common("cafe.0324@example.org", "Thu, 24 Mar 2022 09:30:00 +0100",
               '"%s" <garcia@example.org>' % encoded_word("Señor García", "utf-8"),
               "Ann Example <ann@example.com>",
               [encoded_word("Café con leche?", "iso-8859-1", "B")],
               ["Content-Type: text/plain; charset=iso-8859-1",
                "Content-Transfer-Encoding: 8bit"]),
        text_lines("Hola Ann,\n\n¿un café mañana a las diez? Invito yo.\n\nJosé\n", "iso-8859-1"))

    # A draft: no Received lines, one line only.
    m["draft"] = Message(
        "ann@example.com", "Fri Mar 25 17:03:00 2022",
        ["Date: Fri, 25 Mar 2022 17:03:00 +0100",
         "From: Ann Example <ann@example.com>",
         "To: Lena Berg <lena.berg@example.com>",
         "Subject: Re: Welcome to the team",
         "Message-ID: <draft.0325@example.com>",
         "In-Reply-To: <welcome.20220314080211@example.com>",
         "MIME-Version: 1.0",
         "Content-Type: text/plain; charset=utf-8",
         "Content-Transfer-Encoding: 8bit"],
        text_lines("Thanks Lena — see you on Monday!\n", "utf-8"))

    return m


# ---------------------------------------------------------------------------
# Writing

class Writer:
    def __init__(self, root):
        self.root = root
        self.count = 0
        self.size = 0

    def write(self, rel, data):
        path = os.path.join(self.root, *rel.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        self.count += 1
        self.size += len(data)

    def mbox(self, rel, messages, eol=LF, separator_address=None):
        self.write(rel, b"".join(m.mbox_entry(eol, separator_address) for m in messages))


def summary_file(name):
    """Stand-in for a client's per-folder summary file; the converter only
    has to pass it over (its first line is no separator)."""
    return ("// summary of the folder %s (sample placeholder)\n" % name).encode("ascii")


def write_thunderbird(w, m):
    base = "thunderbird-profile/"
    local = base + "Mail/Local Folders/"
    w.mbox(local + "Inbox", [m["welcome"], m["greetings"], m["meeting-fr"], m["from-line"]],
           separator_address="-")
    w.write(local + "Inbox.msf", summary_file("Inbox"))
    w.mbox(local + "Inbox.sbd/Projects", [m["newsletter"], m["report"]], separator_address="-")
    w.write(local + "Inbox.sbd/Projects.msf", summary_file("Projects"))
    w.mbox(local + "Sent", [m["budget"]], separator_address="-")
    w.write(local + "Sent.msf", summary_file("Sent"))
    w.mbox(local + "Drafts", [m["draft"]], separator_address="-")
    w.write(local + "Drafts.msf", summary_file("Drafts"))
    w.write(local + "Trash", b"")  # an empty folder file: no mailbox
    w.write(local + "Trash.msf", summary_file("Trash"))
    # A profile copied from another system keeps CR LF line ends.
    imap = base + "ImapMail/imap.example.com/"
    w.mbox(imap + "INBOX", [m["korean"], m["russian"], m["cafe"]], eol=CRLF,
           separator_address="-")
    w.write(imap + "INBOX.msf", summary_file("INBOX"))


def write_eudora(w, m):
    base = "eudora-folder/Eudora Folder/Mail Folder/"
    w.mbox(base + "In", [m["welcome"], m["meeting-fr"], m["from-line"]])
    w.mbox(base + "Out", [m["budget"]])
    w.mbox(base + "Trash", [m["cafe"]])


def write_apple_mbox_export(w, m):
    base = "apple-mail-mbox-export/"
    w.mbox(base + "Inbox.mbox/mbox", [m["greetings"], m["korean"], m["report"]])
    w.mbox(base + "Work.mbox/mbox", [m["meeting-fr"], m["budget"], m["from-line"]])
    w.mbox(base + "Work.mbox/Projects.mbox/mbox", [m["newsletter"]])


PLIST_TRAILER = (
    b'<?xml version="1.0" encoding="UTF-8"?>\n'
    b'<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" '
    b'"http://www.apple.com/DTDs/PropertyList-1.0.dtd">\n'
    b'<plist version="1.0">\n<dict>\n'
    b'\t<key>date-received</key>\n\t<integer>%d</integer>\n'
    b'\t<key>flags</key>\n\t<integer>%d</integer>\n'
    b'</dict>\n</plist>\n')


def emlx(message_bytes, received, flags=1):
    """An .emlx file: the message's byte count on the first line, the
    message, then the property-list trailer."""
    return (b"%d\n" % len(message_bytes)) + message_bytes + PLIST_TRAILER % (received, flags)


def partial_report(m):
    """The attachment message stored in pieces: its two attachments left out
    of the .partial.emlx file and kept in part files 2 and 3."""
    full = m["report"]
    body = full.body
    first = body.index(b"--mix-41aa", 1)  # start of the PNG part
    second = body.index(b"--mix-41aa", first + 1)  # start of the notes part
    closing = body.index(b"--mix-41aa--")
    png_headers = body[first:first + 4]
    png_content = body[first + 5:second - 1]  # base64 lines, without the blank line after
    notes_headers = body[second:second + 5]
    notes_content = body[second + 6:closing - 1]

    def part_body(headers, content):
        length = len(LF.join(content) + LF)
        return list(headers) + [b"X-Apple-Content-Length: %d" % length, b""], \
            LF.join(content) + LF

    png_head, png_part = part_body(png_headers, png_content)
    notes_head, notes_part = part_body(notes_headers, notes_content)
    partial_body = body[:first] + png_head + notes_head + [b"--mix-41aa--"]
    partial = Message(full.envelope_from, full.envelope_date,
                      [h.replace("att.0321@", "att.0321.partial@") for h in full.headers],
                      partial_body)
    return partial.raw(), png_part, notes_part


def write_apple_emlx(w, m):
    inbox = "apple-mail-emlx/V2/Mailboxes/Inbox.mbox/Messages/"
    w.write(inbox + "101.emlx", emlx(m["welcome"].raw(), 1647241331))
    w.write(inbox + "102.emlx", emlx(m["greetings"].raw(), 1647332000))
    w.write(inbox + "103.emlx", emlx(m["from-line"].raw(), 1647946800))
    text, part2, part3 = partial_report(m)
    w.write(inbox + "104.partial.emlx", emlx(text, 1647876031))
    w.write(inbox + "104.2.emlxpart", part2)
    w.write(inbox + "104.3.emlxpart", part3)
    work = "apple-mail-emlx/V2/Mailboxes/Work.mbox/Messages/"
    w.write(work + "201.emlx", emlx(m["meeting-fr"].raw(), 1647437400))
    w.write(work + "202.emlx", emlx(m["budget"].raw(), 1647513909, flags=3))
    imap = "apple-mail-emlx/V2/imap.example.com/INBOX.imapmbox/Messages/"
    w.write(imap + "301.emlx", emlx(m["korean"].raw(), 1647565500))
    w.write(imap + "302.emlx", emlx(m["newsletter"].raw(), 1647673200))


def write_mailmate(w, m):
    inbox = "mailmate/IMAP/ann@imap.example.com/INBOX.mailbox/"
    w.write(inbox + "Messages/1.eml", m["greetings"].raw())
    w.write(inbox + "Messages/2.eml", m["from-line"].raw())
    w.write(inbox + "Receipts.mailbox/Messages/3.eml", m["report"].raw())
    work = "mailmate/Mailboxes/Work.mailbox/Messages/"
    w.write(work + "100.eml", m["meeting-fr"].raw(CRLF))
    w.write(work + "101.eml", m["russian"].raw(CRLF))


def write_outspring(w, m):
    base = "outspring-mail/Mailboxes/"
    w.write(base + "Inbox.mbox/1.eml", m["welcome"].raw(CRLF))
    w.write(base + "Inbox.mbox/2.f.eml", m["from-line"].raw(CRLF))
    w.write(base + "Inbox.mbox/3.eml", m["cafe"].raw(CRLF))
    w.write(base + "Sent.mbox/4.eml", m["budget"].raw(CRLF))
    w.write(base + "Archive.mbox/2021.mbox/5.eml", m["newsletter"].raw(CRLF))


ACCOUNTS_INI = (
    "; Opera Mail accounts (sample)\n"
    "[Accounts]\n"
    "Count=2\n"
    "Default Mail Account=1\n"
    "\n"
    "[Account1]\n"
    "Account Name=Ann at Example\n"
    "Email=ann@example.com\n"
    "Real Name=Ann Example\n"
    "Incoming Servername=imap.example.com\n"
    "\n"
    "[Account2]\n"
    "Account Name=Family\n"
    "Email=ann.family@example.org\n"
    "Real Name=Ann Example\n"
    "Incoming Servername=pop.example.org\n")


def opera_message(message, location):
    """A .mbs file: the message with its folder in an X-Opera-Location line."""
    headers = list(message.headers)
    if location is not None:
        headers.insert(headers.index(next(h for h in headers if h.startswith("Message-ID:"))),
                       "X-Opera-Location: %s" % location)
    return Message(message.envelope_from, message.envelope_date, headers, message.body).raw(CRLF)


def write_opera(w, m):
    base = "opera-mail/mail/"
    w.write(base + "accounts.ini", ACCOUNTS_INI.encode("ascii").replace(LF, CRLF))
    w.write(base + "store/account1/2022/03/14/1.mbs", opera_message(m["welcome"], "Inbox"))
    w.write(base + "store/account1/2022/03/16/2.mbs", opera_message(m["meeting-fr"], "Inbox:2"))
    w.write(base + "store/account1/2022/03/22/3.mbs", opera_message(m["from-line"], "Lists/Planning"))
    w.write(base + "store/account1/2022/03/25/4.mbs", opera_message(m["draft"], None))
    w.write(base + "store/account2/2022/03/18/5.mbs", opera_message(m["korean"], "Inbox"))
    w.write(base + "store/account2/2022/03/23/6.mbs", opera_message(m["russian"], "Sent"))


# ---------------------------------------------------------------------------
# Outlook 2011 backup (.olm): a ZIP archive of stored entries, each with a
# ZIP64 block, holding one XML document per message and one entry per
# attachment, the attachments written before the message that lists them.

def olm_element(name, content):
    return "<%s xml:space=\"preserve\">%s</%s>" % (name, content, name)


def olm_address(address, name):
    return ("<emailAddress OPFContactEmailAddressAddress=\"%s\" OPFContactEmailAddressName=\"%s\" "
            "OPFContactEmailAddressType=\"0\"></emailAddress>" % (address, name))


def olm_message(subject, sender, to, sent, body=None, attachments=(), cc=()):
    parts = [
        olm_element("OPFMessageCopySubject", subject),
        olm_element("OPFMessageCopyFromAddresses", olm_address(*sender)),
        olm_element("OPFMessageCopyToAddresses", "".join(olm_address(*a) for a in to)),
        olm_element("OPFMessageCopySentTime", sent),
        olm_element("OPFMessageCopyReceivedTime", sent),
        olm_element("OPFMessageCopyMessageID", "&lt;%s@example.org&gt;" % abs(zlib.crc32(subject.encode()))),
    ]
    if cc:
        parts.append(olm_element("OPFMessageCopyCCAddresses", "".join(olm_address(*a) for a in cc)))
    if attachments:
        parts.append(olm_element("OPFMessageCopyAttachmentList", "".join(
            "<messageAttachment OPFAttachmentContentID=\"%s\" OPFAttachmentContentType=\"%s\" "
            "OPFAttachmentName=\"%s\" OPFAttachmentURL=\"%s\"></messageAttachment>" % (cid, ctype, name, url)
            for cid, ctype, name, url, _ in attachments)))
    if body is not None:
        parts.append(olm_element("OPFMessageCopyBody", body))
    return ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<emails><email>" + "".join(parts)
            + "</email></emails>\n").encode("utf-8")


def olm_archive(entries):
    out = b""
    central = b""
    for name, data in entries:
        name = name.encode("utf-8")
        crc = zlib.crc32(data) or 1
        extra = struct.pack("<HHQQ", 1, 16, len(data), len(data))
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 45, 45, 0, 0, 0, 0, crc, len(data), len(data),
                               len(name), 0, 0, 0, 0, 0, len(out)) + name
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 45, 0, 0, 0, 0, crc, 0xFFFFFFFF, 0xFFFFFFFF,
                           len(name), len(extra)) + name + extra + data
    return out + central + struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries),
                                       len(central), len(out), 0)


def write_outlook_backup(w):
    ann = ("ann@example.com", "Ann Example")
    ben = ("ben@example.org", "Ben Sample")
    cleo = ("cleo@example.org", "Cl\u00e9o Test")
    messages = "Local/com.microsoft.__Messages/"
    att = "Local/com.microsoft.__Attachments/"
    notes = b"Agenda:\n1. Budget\n2. Caf\xc3\xa9 order\n"
    entries = [
        (messages + "Inbox/m1__message_attachment__.xml",
         olm_message("Welcome to the backup sample", ben, [ann], "2014-12-19T05:07:38",
                     "&lt;html&gt;&lt;body&gt;&lt;p&gt;Hello Ann,&lt;/p&gt;&lt;p&gt;this message comes from an "
                     "&lt;b&gt;Outlook backup&lt;/b&gt;.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;")),
        (messages + "Inbox/m2__message_attachment__.xml",
         olm_message("Caf\u00e9 plans &amp; notes", cleo, [ann, ben], "2015-03-02T17:45:00",
                     "See you at the caf\u00e9 at six.\r\n\r\n"
                     "&gt; Bring the notes &amp; the plans?\r\n"
                     "Yes, write to &lt;ben@example.org&gt; first.\r\n\r\n-- \r\nCl\u00e9o", cc=[ben])),
        (att + "notes.txt", notes),
        (att + "pixel.png", tiny_png()),
        (messages + "Inbox/Projects/m3__message_attachment__.xml",
         olm_message("Project notes with attachments", ben, [ann], "2015-04-10T09:00:00",
                     "&lt;html&gt;&lt;body&gt;&lt;p&gt;Two files attached.&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;",
                     attachments=[("notes1", "text/plain", "notes.txt", att + "notes.txt", None),
                                  ("pixel1", "image/png", "pixel.png", att + "pixel.png", None)])),
        (messages + "Inbox/Projects/m4__message_attachment__.xml",
         olm_message("A message without a body", cleo, [ann], "2015-04-11T10:30:00")),
        (messages + "Sent Items/m5__message_attachment__.xml",
         olm_message("Re: Welcome to the backup sample", ann, [ben], "2014-12-19T08:00:00",
                     "Thanks Ben!\r\n\r\n    Ann")),
        ("Local/Categories.xml", b"<categories></categories>\n"),
    ]
    w.write("outlook-backup/Outlook Backup.olm", olm_archive(entries))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)),
                        help="folder that receives the sample folders (default: beside this script)")
    args = parser.parse_args(argv)

    for name in LAYOUTS:
        shutil.rmtree(os.path.join(args.out, name), ignore_errors=True)

    w = Writer(args.out)
    m = build_messages()
    write_thunderbird(w, m)
    write_eudora(w, m)
    write_apple_mbox_export(w, m)
    write_apple_emlx(w, m)
    write_mailmate(w, m)
    write_outspring(w, m)
    write_opera(w, m)
    write_outlook_backup(w)
    print("wrote %d files, %d bytes, below %s" % (w.count, w.size, args.out))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
