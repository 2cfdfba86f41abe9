#include "subtitle/Utf8Conversion.h"

#include "subtitle/AtomicFile.h"
#include "subtitle/LocalCodec.h"

#include <QTextCodec>

namespace {
bool isContinuation(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0xBF;
}

bool startsWithMark(const char *data, qint64 length)
{
    return length >= 3 && static_cast<unsigned char>(data[0]) == 0xEF
           && static_cast<unsigned char>(data[1]) == 0xBB
           && static_cast<unsigned char>(data[2]) == 0xBF;
}

// Second byte of a four-byte sequence: F0 excludes overlong forms, F4 stops at U+10FFFF.
bool validFourByteSecond(unsigned char lead, unsigned char second)
{
    if (lead == 0xF0)
        return second >= 0x90 && second <= 0xBF;
    if (lead == 0xF4)
        return second >= 0x80 && second <= 0x8F;
    return isContinuation(second);
}
} // namespace

Utf8TestResult testUtf8(const char *data, qint64 length)
{
    if (startsWithMark(data, length))
        return Utf8WithMark;
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    qint64 i = 0;
    while (i < length) {
        const unsigned char lead = bytes[i];
        int trailing = 0;
        if (lead < 0x80)
            trailing = 0;
        else if (lead <= 0xBF)
            return NotUtf8;
        else if (lead <= 0xDF)
            trailing = 1;
        else if (lead <= 0xEF)
            trailing = 2;
        else if (lead <= 0xF4)
            trailing = 3;
        else
            return NotUtf8;
        if (i + trailing >= length && trailing > 0)
            return PlainUtf8; // sequence cut off by the end
        for (int k = 1; k <= trailing; ++k) {
            const unsigned char next = bytes[i + k];
            const bool ok = (trailing == 3 && k == 1) ? validFourByteSecond(lead, next)
                                                      : isContinuation(next);
            if (!ok)
                return NotUtf8;
        }
        i += 1 + trailing;
    }
    return PlainUtf8;
}

Utf8TestResult testUtf8(const QByteArray &bytes)
{
    return testUtf8(bytes.constData(), bytes.size());
}

QByteArray utf8ToLocal8(const QByteArray &utf8)
{
    const int skip = startsWithMark(utf8.constData(), utf8.size()) ? 3 : 0;
    static QTextCodec *const utf8Codec = QTextCodec::codecForName("UTF-8");
    const QString text = utf8Codec->toUnicode(utf8.constData() + skip, utf8.size() - skip);
    return toLocal8(text);
}

Utf8ConversionResult convertUtf8FileToLocal(const QString &sourcePath, const QString &targetPath)
{
    QByteArray source;
    if (!readWholeFile(sourcePath, &source))
        return ConversionFailed;
    if (testUtf8(source) == NotUtf8)
        return SourceNotUtf8;
    if (!writeFileAtomically(targetPath, utf8ToLocal8(source)))
        return ConversionFailed;
    return ConvertedFromUtf8;
}
