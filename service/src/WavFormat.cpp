#include "WavFormat.h"

#include <cstring>

namespace cw::service {

namespace {

uint32_t le32(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }

bool fail(std::string *reason, const char *why)
{
    if (reason)
        *reason = why;
    return false;
}

bool checkFormatChunk(const uint8_t *chunk, uint32_t size, std::string *reason)
{
    if (size < 16)
        return fail(reason, "fmt chunk too short");
    uint16_t format = le16(chunk);
    const uint16_t channels = le16(chunk + 2);
    const uint32_t rate = le32(chunk + 4);
    const uint16_t bits = le16(chunk + 14);
    // WAVE_FORMAT_EXTENSIBLE carries the real format in its sub-format GUID.
    if (format == 0xFFFE && size >= 40)
        format = le16(chunk + 24);
    if (format != 1)
        return fail(reason, "not PCM");
    if (channels != 1)
        return fail(reason, "not mono");
    if (rate != 16000)
        return fail(reason, "not 16 kHz");
    if (bits != 16)
        return fail(reason, "not 16-bit");
    return true;
}

bool isPrintableId(const uint8_t *id)
{
    for (int i = 0; i < 4; ++i)
        if (id[i] < 0x20 || id[i] > 0x7E)
            return false;
    return true;
}

// Where the chunk after one ending at `end` starts. RIFF pads an odd size
// with a zero byte, but some writers leave it out: the padded place when a
// chunk header can start there, else the unpadded one when one can start
// there, else the padded one.
uint64_t nextChunkOffset(const uint8_t *head, size_t headSize, uint64_t end, uint64_t size)
{
    if (size % 2 == 0)
        return end;
    const uint64_t padded = end + 1;
    if (padded + 8 <= headSize && head[end] == 0 && isPrintableId(head + padded))
        return padded;
    if (end + 8 <= headSize && isPrintableId(head + end))
        return end;
    return padded;
}

}  // namespace

std::optional<WavLayout> parseWav(const uint8_t *head, size_t headSize, int64_t fileSize, std::string *reason,
                                  const std::atomic<bool> *stopping)
{
    if (headSize < 12 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) {
        fail(reason, "not a RIFF/WAVE file");
        return std::nullopt;
    }
    bool formatOk = false;
    // 64-bit on purpose: a chunk size near 4 GiB must carry the walk past the
    // end, not wrap it around onto the same chunk forever.
    uint64_t pos = 12;
    for (uint64_t chunks = 0; pos + 8 <= headSize; ++chunks) {
        // A file of empty chunks takes a while to walk; a stop waits for no one.
        if (stopping && chunks % 4096 == 0 && stopping->load()) {
            fail(reason, "service stopping");
            return std::nullopt;
        }
        const uint8_t *chunk = head + pos;
        const uint64_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (pos + 8 + size > headSize) {
                fail(reason, "fmt chunk runs past the header");
                return std::nullopt;
            }
            if (!checkFormatChunk(chunk + 8, uint32_t(size), reason))
                return std::nullopt;
            formatOk = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!formatOk) {
                fail(reason, "data before fmt");
                return std::nullopt;
            }
            WavLayout layout;
            layout.dataOffset = int64_t(pos) + 8;
            // Streaming writers leave the size at 0 or 0xFFFFFFFF; the file decides.
            const int64_t available = fileSize - layout.dataOffset;
            layout.dataBytes = (size == 0 || size == 0xFFFFFFFFu || int64_t(size) > available) ? available : int64_t(size);
            layout.dataBytes &= ~int64_t(1);
            if (layout.dataBytes <= 0) {
                fail(reason, "no samples");
                return std::nullopt;
            }
            return layout;
        }
        pos = nextChunkOffset(head, headSize, pos + 8 + size, size);
    }
    fail(reason, formatOk ? "no data chunk" : "no fmt chunk");
    return std::nullopt;
}

}  // namespace cw::service
