// The published version file, and the offer made from it.

#include "FuzzSupport.h"

#include "update/VersionFile.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const VersionFile file = parseVersionFile(bytes);
    FUZZ_CHECK(file.notes.size() <= 400);
    FUZZ_CHECK(!file.version.contains(QLatin1Char('\n')) && !file.url.contains(QLatin1Char('=')));
    for (const char *installed : {"3.0.0", "0", "999.999.999"}) {
        if (const auto offer = updateOffer(file, QString::fromLatin1(installed))) {
            // Only http(s) addresses with a host are ever handed to the updater.
            FUZZ_CHECK(isUpdateAddress(offer->url));
            const QUrl url(offer->url);
            FUZZ_CHECK(url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
            FUZZ_CHECK(!url.host().isEmpty());
            FUZZ_CHECK(offer->version == file.version);
        }
    }
    return 0;
}
