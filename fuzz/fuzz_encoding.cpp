// Encoding detection and conversion: the UTF-8 test, the conversion to the
// local form, the local codec itself and the count of characters an export
// encoding would lose.

#include "FuzzSupport.h"

#include "subtitle/EncodingLoss.h"
#include "subtitle/LocalCodec.h"
#include "subtitle/Utf8Conversion.h"

#include <QTextCodec>

namespace {

bool isStrictUtf8(const QByteArray &bytes)
{
    QTextCodec::ConverterState state;
    QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const Utf8TestResult kind = testUtf8(bytes);
    FUZZ_CHECK((kind == Utf8WithMark) == bytes.startsWith("\xEF\xBB\xBF"));
    // The test is lenient (a cut-off last sequence passes), never stricter
    // than the standard.
    if (isStrictUtf8(bytes)) {
        FUZZ_CHECK(kind != NotUtf8);
        // The local form holds every character, so nothing read from UTF-8 is lost.
        QString text = QString::fromUtf8(bytes.constData(), bytes.size()); // NUL bytes included
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        FUZZ_CHECK(fromLocal8(utf8ToLocal8(bytes)) == text);
        FUZZ_CHECK(fromLocal8(toLocal8(text)) == text);

        SubtitleEntries entries(1);
        entries[0].text = toLocal8(text);
        FUZZ_CHECK(countUnencodableCharacters(entries, QStringLiteral("UTF-8")) == 0);
        FUZZ_CHECK(countUnencodableCharacters(entries, QStringLiteral("GB18030")) == 0);
    }

    // Arbitrary local bytes, as an SRT file in a foreign encoding leaves them.
    SubtitleEntries entries(1);
    entries[0].text = bytes;
    const int characters = fromLocal8(bytes).size();
    for (const char *name : {"GBK", "Big5", "Shift-JIS", "ISO-8859-1"}) {
        const int lost = countUnencodableCharacters(entries, QString::fromLatin1(name));
        FUZZ_CHECK(lost >= 0 && lost <= characters);
    }
    FUZZ_CHECK(countUnencodableCharacters(entries, QStringLiteral("no-such-codec")) == -1);
    FUZZ_CHECK(codecOrLocal(QString::fromLatin1(bytes.left(32))) != nullptr);
    return 0;
}
