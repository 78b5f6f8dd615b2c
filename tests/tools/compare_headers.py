#!/usr/bin/env python3
"""Checks the program's header decoding and text-part choice against
Python's email package (default policy) on the same messages.

Usage: compare_headers.py DECODE_HEADERS_PROGRAM [MESSAGE_FILE ...]

Without message files the fixture messages below are written to a
temporary folder, each also with CR LF line ends. For every message the
From and Subject that the list summaries, the mbox indexer and the preview
show must equal Python's decoded values after whitespace is normalised, and
the first line of the text body must appear in the preview's page. With
message files (a real mail corpus) the agreement is printed and the script
fails below 99 % for headers and 98 % for bodies.
"""

import email
import email.policy
import json
import os
import re
import subprocess
import sys
import tempfile

# name -> raw message (LF line ends; a CR LF copy is made of each).
FIXTURES = {
    "q-word-underscore-is-a-blank":
        b"From: =?utf-8?q?Ren=C3=A9_Dupont?= <rene@example.org>\n"
        b"Subject: =?UTF-8?Q?Caf=C3=A9_au_lait?=\n\nBody line one\n",
    "word-inside-quotes-and-after-text":
        b'From: "=?utf-8?q?Ren=C3=A9?=" <rene@example.org>\n'
        b"Subject: Essai =?iso-8859-1?Q?accentu=E9?=\n\nBonjour\n",
    "folded-from-and-subject":
        b"From: Anna Berg\n <anna@example.org>\nSubject: Hello\n World\n\nHi Anna\n",
    "several-words-in-one-value":
        b"From: a@example.org\nSubject: =?utf-8?q?Hello?= =?utf-8?q?World?= and =?utf-8?q?more?=\n\nx\n",
    "mixed-charsets":
        b"From: a@example.org\nSubject: =?iso-8859-1?q?caf=E9?= =?koi8-r?b?8NLJ18XU?= =?utf-8?b?5pel5pys?=\n\nx\n",
    "word-split-across-folded-lines":
        b"From: a@example.org\nSubject: =?utf-8?q?Grand_?=\n =?utf-8?q?caf=C3=A9_de_la_gare?=\n\nx\n",
    "b-word-with-padding":
        b"From: =?UTF-8?B?SsO2cmcgTcO8bGxlcg==?= <j@example.org>\nSubject: =?UTF-8?B?w6k=?=\n\nx\n",
    "b-word-without-padding":
        b"From: =?UTF-8?B?SsO2cmc?= <j@example.org>\nSubject: =?UTF-8?B?w6k?=\n\nx\n",
    "b-word-ending-in-q":
        b"From: =?UTF-8?B?w6lq?= <a@example.org>\nSubject: =?utf-8?b?w6lq?= tail\n\nx\n",
    "unknown-charset":
        b"From: a@example.org\nSubject: =?x-unknown?q?caf=E9?=\n\nx\n",
    "language-suffix":
        b"From: a@example.org\nSubject: =?utf-8*fr?q?caf=C3=A9?=\n\nx\n",
    "quoted-display-name-and-comment":
        b'From: "Dupont, Jean" <jean@example.org> (Jean at work)\nSubject: Re: [list] =?UTF-8?Q?=E2=82=AC_100?=\n\nx\n',
    "lower-case-letters-and-names":
        b"FROM: =?utf-8?b?Q2Fmw6k=?= <c@example.org>\nsubject: =?utf-8?q?Th=C3=A9?=\n\nx\n",
    "no-subject-header":
        b"From: a@example.org\n\nSubject: a body line, not a header\n",
    "raw-utf-8-header":
        "From: Jürgen <j@example.org>\nSubject: Grüße\n\nx\n".encode("utf-8"),
    "no-content-type":
        b"From: a@example.org\nSubject: [PATCH] fix\n\nFirst line of the patch\n---\n a/f | 1 +\n",
    "plain-without-parameters":
        b"From: a@example.org\nContent-Type: text/plain\n\nPlain text body\n",
    "upper-and-mixed-case-types":
        b"From: a@example.org\nCONTENT-TYPE: Text/Plain; CHARSET=UTF-8\nContent-Transfer-Encoding: QUOTED-PRINTABLE\n\n"
        b"Gr=C3=BC=C3=9Fe aus K=C3=B6ln\n",
    "signed-with-untyped-first-part":
        b'From: a@example.org\nContent-Type: multipart/signed; protocol="application/pgp-signature";\n'
        b' micalg=pgp-sha256; boundary="sig"\n\n--sig\n\nSigned message text\n\n--sig\n'
        b"Content-Type: application/pgp-signature\n\n-----BEGIN PGP SIGNATURE-----\n--sig--\n\n"
        b"_______________________________________________\nList footer\n",
    "html-then-attachment-quoted-printable":
        b'From: a@example.org\nContent-Type: multipart/mixed; boundary="m"\n\n--m\n'
        b"Content-Type: text/html; charset=iso-8859-1\n\n<p>Caf\xe9 =3D ok</p>\n--m\n"
        b'Content-Type: text/plain; name="notes.txt"\nContent-Transfer-Encoding: QUOTED-PRINTABLE\n'
        b'Content-Disposition: attachment; filename="notes.txt"\n\nnotes=3D\n--m--\n',
    "base64-utf-8-text":
        b"From: a@example.org\nContent-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n\n"
        b"R3LDvMOfZSBhdXMgS8O2bG4KendlaXRlCg==\n",
    "alternative-in-mixed":
        b"From: a@example.org\nContent-Type: multipart/mixed; boundary=o\n\n--o\n"
        b"Content-Type: multipart/alternative; boundary=i\n\n--i\nContent-Type: text/plain; charset=utf-8\n\n"
        b"Plain alternative\n--i\nContent-Type: text/html; charset=utf-8\n\n<div>Html alternative</div>\n--i--\n"
        b"--o\nContent-Type: application/pdf; name=a.pdf\nContent-Transfer-Encoding: base64\n\nJVBERi0=\n--o--\n",
}

FIELDS = ("summary", "mbox", "preview")


def normalised(text, address):
    """Whitespace collapsed; for an address field quotes and comments are
    dropped as well, since Python renders addresses anew (it drops comments
    and quotes that are not needed) while the program shows them as written."""
    if text is None:
        text = ""
    text = str(text)
    if address:
        text = re.sub(r"\([^()]*\)", " ", text).replace('"', "")
    return " ".join(text.split())


def html_escaped(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")


def first_body_line(message):
    """The first non-empty line of the body Python would show, and whether
    that body is html."""
    body = message.get_body(preferencelist=("html", "plain"))
    if body is None:
        return None, False
    try:
        content = body.get_content()
    except (LookupError, ValueError):
        return None, False
    if not isinstance(content, str):
        return None, False
    for line in content.splitlines():
        if line.strip():
            return line.strip(), body.get_content_type() == "text/html"
    return None, False


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    program = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        paths = sys.argv[2:]
        if not paths:
            for name, raw in FIXTURES.items():
                for suffix, data in (("lf", raw), ("crlf", raw.replace(b"\n", b"\r\n"))):
                    path = os.path.join(folder, "%s-%s.eml" % (name, suffix))
                    with open(path, "wb") as out:
                        out.write(data)
                    paths.append(path)
        output = subprocess.run([program] + paths, check=True, stdout=subprocess.PIPE).stdout
        results = [json.loads(line) for line in output.decode("utf-8").splitlines() if line.strip()]
        raw_messages = {path: open_bytes(path) for path in paths}

    header_checks = header_agreed = body_checks = body_agreed = 0
    failures = []
    for result in results:
        message = email.message_from_bytes(raw_messages[result["file"]], policy=email.policy.default)
        for field, address in (("from", True), ("subject", False)):
            try:
                expected = message[field]
            except Exception:  # a header Python cannot parse counts as no comparison
                continue
            wanted = normalised(expected, address)
            for source in FIELDS:
                got = normalised(result.get("%s_%s" % (source, field)), address)
                header_checks += 1
                if got == wanted:
                    header_agreed += 1
                else:
                    failures.append("%s: %s %s: program %r, Python %r"
                                    % (os.path.basename(result["file"]), source, field, got, wanted))
        line, is_html = first_body_line(message)
        if line is not None:
            body_checks += 1
            page = result.get("preview_page") or ""
            shown = line if is_html else html_escaped(line)
            if shown in page:
                body_agreed += 1
            else:
                failures.append("%s: first body line %r not in the page" % (os.path.basename(result["file"]), line))

    for failure in failures:
        print(failure)
    header_share = 100.0 * header_agreed / max(header_checks, 1)
    body_share = 100.0 * body_agreed / max(body_checks, 1)
    print("headers: %d of %d agree (%.1f %%); bodies: %d of %d shown (%.1f %%)"
          % (header_agreed, header_checks, header_share, body_agreed, body_checks, body_share))
    if len(sys.argv) > 2:
        return 0 if header_share >= 99.0 and body_share >= 98.0 else 1
    return 0 if not failures else 1


def open_bytes(path):
    with open(path, "rb") as handle:
        return handle.read()


if __name__ == "__main__":
    sys.exit(main())
