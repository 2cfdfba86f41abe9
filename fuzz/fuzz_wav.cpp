// The program's WAV checks: the pure locator on the raw image, and the probe
// and loader on the same bytes as a file.

#include "FuzzSupport.h"

#include "audio/WavFile.h"
#include "audio/WavProbe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    WavDataLocation location;
    const WavLoadError error = locateWavData(bytes, size, location);
    if (error == WavLoadError::None) {
        // The samples lie inside the image, after the header.
        FUZZ_CHECK(location.dataOffset >= 44);
        FUZZ_CHECK(quint64(location.dataOffset) + location.dataSize <= size);
    }

    const QString path = fuzzScratchFile(QStringLiteral("input.wav"), QByteArray(bytes, int(size)));
    if (path.isEmpty())
        return 0;
    const WavProbe probe = probeWav(path);
    FUZZ_CHECK(probe.error == error);
    WavFile file;
    FUZZ_CHECK(file.Load(path) == (error == WavLoadError::None));
    FUZZ_CHECK(file.error() == error);
    if (probe.ok()) {
        FUZZ_CHECK(probe.dataOffset == location.dataOffset && probe.dataSize == location.dataSize);
        FUZZ_CHECK(file.dataOffset() == location.dataOffset && file.dataSize() == location.dataSize);
        FUZZ_CHECK(file.head().channels == probe.head.channels && file.head().sampleRate == probe.head.sampleRate);
        FUZZ_CHECK(serviceWavSeconds(probe) >= 0);
        const int peak = scanWavPeak(path);
        FUZZ_CHECK(peak >= -1 && peak <= 32768);
    }
    return 0;
}
