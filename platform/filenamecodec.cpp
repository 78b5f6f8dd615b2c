#include "platform/filenamecodec.h"

#include <QTextCodec>

#include <cstring>

namespace platform {

namespace {

// Length of the valid UTF-8 sequence at data[0..size), 0 when the bytes
// there are no valid sequence (overlong forms, surrogates and code points
// above U+10FFFF are not valid), -1 when they are the valid start of a
// sequence that size cuts short. *code receives the code point.
int validSequence(const uchar *data, int size, uint *code)
{
    const uchar lead = data[0];
    if (lead < 0x80) {
        *code = lead;
        return 1;
    }
    int length = 0;
    uint value = 0;
    uint smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        smallest = 0x10000;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (i >= size)
            return -1;
        if ((data[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (data[i] & 0x3F);
        // Refuse as early as the second byte allows, so a cut-short
        // sequence is only kept back when it can still become valid.
        if (i == 1) {
            const uint top = value << (6 * (length - 2));
            if (top < smallest || (top >= 0xD800 && top <= 0xDFFF) || top > 0x10FFFF)
                return 0;
        }
    }
    *code = value;
    return length;
}

// Decodes data; with keepCut, a valid but cut-short sequence at the end is
// left undecoded and its length returned (0 otherwise).
int decodeInto(const uchar *data, int size, QString &out, bool keepCut)
{
    int i = 0;
    while (i < size) {
        uint code = 0;
        const int length = validSequence(data + i, size - i, &code);
        if (length < 0 && keepCut)
            return size - i;
        if (length <= 0) {
            out.append(QChar(ushort(kEscapedByteBase + data[i])));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            out.append(QChar(QChar::highSurrogate(code)));
            out.append(QChar(QChar::lowSurrogate(code)));
        } else {
            out.append(QChar(ushort(code)));
        }
        i += length;
    }
    return 0;
}

// Encodes text; with keepCut, a high surrogate ending the text is left
// unencoded (the low half may come in the next piece) and 1 returned.
int encodeInto(const QChar *text, int size, QByteArray &out, bool keepCut)
{
    for (int i = 0; i < size; ++i) {
        const ushort unit = text[i].unicode();
        uint code = unit;
        if (QChar::isHighSurrogate(unit)) {
            if (i + 1 == size && keepCut)
                return 1;
            if (i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
                code = QChar::surrogateToUcs4(unit, text[i + 1].unicode());
                ++i;
            } else {
                out.append('?');
                continue;
            }
        } else if (QChar::isLowSurrogate(unit)) {
            if (unit >= kEscapedByteBase + 0x80 && unit <= kEscapedByteBase + 0xFF)
                out.append(char(unit - kEscapedByteBase));
            else
                out.append('?');
            continue;
        }
        if (code < 0x80) {
            out.append(char(code));
        } else if (code < 0x800) {
            out.append(char(0xC0 | (code >> 6)));
            out.append(char(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.append(char(0xE0 | (code >> 12)));
            out.append(char(0x80 | ((code >> 6) & 0x3F)));
            out.append(char(0x80 | (code & 0x3F)));
        } else {
            out.append(char(0xF0 | (code >> 18)));
            out.append(char(0x80 | ((code >> 12) & 0x3F)));
            out.append(char(0x80 | ((code >> 6) & 0x3F)));
            out.append(char(0x80 | (code & 0x3F)));
        }
    }
    return 0;
}

// The codec. A text stream hands it its input in pieces: a sequence cut at
// the end of a piece waits in the converter state (up to three bytes, or a
// high surrogate) for the next one.
class EscapedUtf8Codec : public QTextCodec
{
public:
    QByteArray name() const override { return QByteArrayLiteral("UTF-8-escaped-bytes"); }
    // A number of no registered character set, so no lookup by number finds it.
    int mibEnum() const override { return -3001; }

protected:
    QString convertToUnicode(const char *in, int length, ConverterState *state) const override
    {
        QByteArray bytes;
        if (state && state->remainingChars > 0) {
            bytes.append(reinterpret_cast<const char *>(state->state_data), state->remainingChars);
            state->remainingChars = 0;
        }
        bytes.append(in, length);
        QString out;
        // Qt's directory iterator asks, with IgnoreHeader, whether one whole
        // name decodes, and passes over the entry when bytes still wait in
        // the state. A name is never continued, so nothing is kept back for it.
        const bool keepCut = state != nullptr && !(state->flags & QTextCodec::IgnoreHeader);
        const int cut = decodeInto(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size(), out,
                                   keepCut);
        if (cut > 0) {
            std::memcpy(state->state_data, bytes.constData() + bytes.size() - cut, size_t(cut));
            state->remainingChars = cut;
        }
        return out;
    }

    QByteArray convertFromUnicode(const QChar *in, int length, ConverterState *state) const override
    {
        QString text;
        if (state && state->remainingChars > 0) {
            text.append(QChar(ushort(state->state_data[0])));
            state->remainingChars = 0;
        }
        text.append(in, length);
        QByteArray out;
        if (encodeInto(text.constData(), text.size(), out, state != nullptr) > 0) {
            state->state_data[0] = text.at(text.size() - 1).unicode();
            state->remainingChars = 1;
        }
        return out;
    }
};

} // namespace

QString decodeEscapedUtf8(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    decodeInto(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size(), out, false);
    return out;
}

QByteArray encodeEscapedUtf8(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    encodeInto(text.constData(), text.size(), out, false);
    return out;
}

QTextCodec *fileNameCodec()
{
    // Registered with Qt on construction and owned by it.
    static QTextCodec *const codec = new EscapedUtf8Codec;
    return codec;
}

void installFileNameCodec()
{
    QTextCodec::setCodecForLocale(fileNameCodec());
}

} // namespace platform
