#pragma once
// Locating the PCM samples in an uploaded WAV and checking that they are the
// one format the engines take: PCM, 16 kHz, mono, 16-bit.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace cw::service {

struct WavLayout {
    int64_t dataOffset = 0;  // first sample byte
    int64_t dataBytes = 0;   // clamped to what the file holds, even count
    int64_t chargedSeconds() const { return (dataBytes + 31999) / 32000; }
};

// `head` is the start of the file (the first few KiB are enough for any
// sane header); `fileSize` is the whole file's size. Returns nothing and a
// reason when the file is not a usable WAV, or when `stopping` is set.
std::optional<WavLayout> parseWav(const uint8_t *head, size_t headSize, int64_t fileSize, std::string *reason,
                                  const std::atomic<bool> *stopping = nullptr);

}  // namespace cw::service
