#!/usr/bin/env python3
"""Reads composed mbox files back with Python's mailbox and email packages.

Usage: olm_parseback.py EXPECTATIONS.json

The JSON maps each mbox path to the list of its messages, each with the
subject, sender, recipients, html and attachments it must decode to
(byte values in Base64), and where given the thread topic, the
attachments' descriptions and the text a reader shows for the html. Prints one line per failure and exits 1 if any.
"""
import base64
import email.policy
import html.parser
import json
import mailbox
import sys

# Defects that the chosen forms bring with them: the Message-ID value is a
# bare identifier, file names carry an encoded word in the quoted
# parameter beside its RFC 2231 form, and an address longer than a line is
# folded after a dot (obsolete syntax, which readers accept).
ADDRESS_FOLDED_AT_DOTS = ('local-part is not a dot-atom (contains CFWS)',
                          'domain is not a dot-atom (contains CFWS)')
ALLOWED_HEADER_DEFECTS = {
    'from': ADDRESS_FOLDED_AT_DOTS,
    'to': ADDRESS_FOLDED_AT_DOTS,
    'cc': ADDRESS_FOLDED_AT_DOTS,
    'message-id': None,
    'content-type': ('encoded word inside quoted string',
                     'missing trailing whitespace after encoded-word'),
    'content-disposition': ('encoded word inside quoted string',
                            'missing trailing whitespace after encoded-word',
                            'duplicate parameter name'),
}

failures = []


class ShownText(html.parser.HTMLParser):
    """The text a mail reader shows for html made of text and line breaks:
    <br> ends a line (the line feed written after it belongs to it), raw
    line feeds end lines, references are decoded and tags show nothing."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.pieces = []
        self.after_br = False

    def handle_starttag(self, tag, attrs):
        if tag == 'br':
            self.pieces.append('\n')
        self.after_br = tag == 'br'

    def handle_data(self, data):
        if self.after_br and data.startswith('\n'):
            data = data[1:]
        self.after_br = False
        self.pieces.append(data)

    def text(self):
        return ''.join(self.pieces)


def fail(where, text):
    failures.append(f'{where}: {text}')


def check_header_defects(where, part):
    for name, value in part.items():
        allowed = ALLOWED_HEADER_DEFECTS.get(name.lower(), ())
        for defect in getattr(value, 'defects', ()):
            if allowed is None or any(str(defect).startswith(a) for a in allowed):
                continue
            fail(where, f'header {name}: {defect!r}')


def check_message(where, msg, expected):
    for part in msg.walk():
        if part.defects:
            fail(where, f'defects {part.defects!r} in {part.get_content_type()}')
        check_header_defects(where, part)
    if msg.get('mime-version') != '1.0':
        fail(where, 'no MIME-Version 1.0')
    subject = msg.get('subject')
    if (None if subject is None else str(subject)) != expected.get('subject'):
        fail(where, f'subject {subject!r} != {expected.get("subject")!r}')
    for header in ('from', 'to', 'cc'):
        want = expected.get(header)
        value = msg.get(header)
        got = None if value is None else [[a.display_name, a.addr_spec] for a in value.addresses]
        if got != want:
            fail(where, f'{header} {got!r} != {want!r}')
    if 'thread-topic' in expected:
        topic = msg.get('thread-topic')
        if (None if topic is None else str(topic)) != expected['thread-topic']:
            fail(where, f'thread-topic {topic!r} != {expected["thread-topic"]!r}')
    html = [p for p in msg.walk() if p.get_content_type() == 'text/html']
    want_html = expected.get('html')
    if want_html is None and 'text' not in expected:
        if html:
            fail(where, 'unexpected html part')
    elif len(html) != 1:
        fail(where, f'{len(html)} html parts')
    elif want_html is not None:
        got = html[0].get_payload(decode=True)
        want = base64.b64decode(want_html) + b'\n'
        if got != want:
            fail(where, f'html {got[:200]!r} != {want[:200]!r}')
    if 'text' in expected and len(html) == 1:
        reader = ShownText()
        reader.feed(html[0].get_content())
        reader.close()
        want = base64.b64decode(expected['text']).decode('utf-8') + '\n'
        if reader.text() != want:
            fail(where, f'shown text {reader.text()[:200]!r} != {want[:200]!r}')
    attachments = [p for p in msg.walk() if p.get_content_disposition() == 'attachment']
    want_attachments = expected.get('attachments', [])
    if len(attachments) != len(want_attachments):
        fail(where, f'{len(attachments)} attachments, {len(want_attachments)} expected')
    for part, want in zip(attachments, want_attachments):
        if part.get_filename() != want['name']:
            fail(where, f'file name {part.get_filename()!r} != {want["name"]!r}')
        if 'description' in want and str(part.get('content-description')) != want['description']:
            fail(where, f'description {part.get("content-description")!r} != {want["description"]!r}')
        if part.get_payload(decode=True) != base64.b64decode(want['data']):
            fail(where, f'attachment {want["name"]!r} data differ')


def main():
    with open(sys.argv[1], encoding='utf-8') as f:
        expectations = json.load(f)
    for path, messages in expectations.items():
        with open(path, 'rb') as f:
            for number, line in enumerate(f.read().split(b'\n'), 1):
                if len(line) > 998:
                    fail(path, f'line {number} has {len(line)} bytes')
        box = mailbox.mbox(path, factory=lambda f: email.message_from_binary_file(
            f, policy=email.policy.default), create=False)
        found = list(box)
        if len(found) != len(messages):
            fail(path, f'{len(found)} messages, {len(messages)} expected')
        for index, (msg, expected) in enumerate(zip(found, messages)):
            check_message(f'{path} #{index}', msg, expected)
    for line in failures:
        print(line)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
