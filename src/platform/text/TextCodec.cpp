#include "platform/text/TextCodec.h"

#include "platform/trace/Trace.h"

#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

const char* const kCodePage932 = "CP932";

// One conversion descriptor for one call, closed on every path.
class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
        if (!ok()) {
            qCDebug(veldorTrace, "iconv %s -> %s not available", from, to);
        }
    }
    ~Iconv() {
        if (ok()) {
            iconv_close(m_cd);
        }
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    size_t operator()(char** in, size_t* inLeft, char** out, size_t* outLeft) {
        return iconv(m_cd, in, inLeft, out, outLeft);
    }

private:
    iconv_t m_cd;
};

QString DecodeCodePage932(const QByteArray& bytes) {
    Iconv convert("UTF-8", kCodePage932);
    if (!convert.ok()) {
        return QString::fromUtf8(bytes);
    }
    // Every byte gives at most three bytes of UTF-8, U+FFFD included.
    QByteArray utf8(bytes.size() * 3 + 4, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char* out = utf8.data();
    size_t outLeft = size_t(utf8.size());
    // iconv gets the input a piece at a time: text of many bytes that start no character takes
    // one call per such byte, and a sanitizer checks all the input it is given on every call.
    constexpr size_t kPiece = 4096;
    while (inLeft > 0) {
        const size_t piece = std::min(inLeft, kPiece);
        size_t pieceLeft = piece;
        const size_t converted = convert(&in, &pieceLeft, &out, &outLeft);
        inLeft -= piece - pieceLeft;
        if (converted != size_t(-1)) {
            continue;
        }
        // A double-byte character cut by the end of the piece: the next piece starts with it.
        if (errno == EINVAL && pieceLeft < inLeft) {
            continue;
        }
        if (errno != EILSEQ && errno != EINVAL) {
            qCDebug(veldorTrace, "iconv from code page 932 failed: %s", std::strerror(errno));
            break;
        }
        // A byte that starts no character (or a double-byte character cut off at the end).
        if (outLeft < 3) {
            break;
        }
        *out++ = char(0xEF);
        *out++ = char(0xBF);
        *out++ = char(0xBD);
        outLeft -= 3;
        ++in;
        --inLeft;
    }
    utf8.truncate(out - utf8.constData());
    return QString::fromUtf8(utf8);
}

} // namespace

bool IsUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    const QString decoded = decoder.decode(bytes);
    return !decoder.hasError();
}

DecodedText DecodeText(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (!decoder.hasError()) {
        return {std::move(text), TextEncoding::Utf8};
    }
    return {DecodeCodePage932(bytes), TextEncoding::CodePage932};
}

std::optional<QByteArray> EncodeCodePage932(const QString& text) {
    Iconv convert(kCodePage932, "UTF-8");
    if (!convert.ok()) {
        return std::nullopt;
    }
    QByteArray utf8 = text.toUtf8();
    // Code page 932 never needs more bytes than UTF-8 for the same text.
    QByteArray encoded(utf8.size() + 4, Qt::Uninitialized);
    char* in = utf8.data();
    size_t inLeft = size_t(utf8.size());
    char* out = encoded.data();
    size_t outLeft = size_t(encoded.size());
    if (convert(&in, &inLeft, &out, &outLeft) == size_t(-1)) {
        return std::nullopt;
    }
    encoded.truncate(out - encoded.constData());
    return encoded;
}

QByteArray EncodeText(const QString& text, TextEncoding encoding) {
    if (encoding == TextEncoding::CodePage932) {
        // Code page 932 bytes that happen to be valid UTF-8 (half-width katakana after
        // certain others, "ﾂｱ" is C2 B1) would be read back as UTF-8, as other text.
        const std::optional<QByteArray> encoded = EncodeCodePage932(text);
        if (encoded && !IsUtf8(*encoded)) {
            return *encoded;
        }
    }
    return text.toUtf8();
}
