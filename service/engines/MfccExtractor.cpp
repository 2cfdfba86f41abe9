#include "MfccExtractor.h"

#include <sphinxbase/cmd_ln.h>
#include <sphinxbase/err.h>
#include <sphinxbase/fe.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace cw::engines {

namespace {
void silenceSphinxLog() {
    static std::once_flag once;
    std::call_once(once, [] { err_set_logfp(nullptr); });
}
}  // namespace

MfccExtractor::MfccExtractor() {
    silenceSphinxLog();
    // No library dither: its random generator is shared by the whole
    // process (results would depend on earlier jobs, and threads would race
    // on it). compute() adds its own.
    cmd_ln_t *config = cmd_ln_init(nullptr, fe_get_args(), TRUE,
                                   "-samprate", "16000", "-frate", "100",
                                   "-remove_silence", "no", "-dither", "no",
                                   "-transform", "dct", "-lifter", "22", nullptr);
    if (!config)
        return;
    // Despite its documentation, this library's fe_init_auto_r takes a
    // reference of its own and fe_free drops only that one; ours would leak.
    frontEnd_ = fe_init_auto_r(config);
    cmd_ln_free_r(config);
}

MfccExtractor::~MfccExtractor() {
    if (frontEnd_)
        fe_free(frontEnd_);
}

FeatureMatrix MfccExtractor::compute(const int16_t *samples, size_t count) {
    FeatureMatrix out;
    if (!frontEnd_)
        return out;
    out.dims = fe_get_output_size(frontEnd_);
    out.values.reserve((count / 160 + 2) * size_t(out.dims));

    constexpr int32 kChunkFrames = 256;
    std::vector<mfcc_t> buffer(size_t(kChunkFrames) * size_t(out.dims));
    std::vector<mfcc_t *> rows(kChunkFrames);
    for (int i = 0; i < kChunkFrames; ++i)
        rows[i] = buffer.data() + size_t(i) * size_t(out.dims);

    // One LSB of dither, the same for every call: keeps digital silence
    // (the synthetic pauses, muted passages) out of log(0).
    uint32_t noise = 12345;
    constexpr size_t kChunkSamples = 160 * kChunkFrames;
    std::vector<int16> dithered;
    fe_start_utt(frontEnd_);
    for (size_t offset = 0; offset < count; offset += kChunkSamples) {
        const size_t n = std::min(kChunkSamples, count - offset);
        dithered.assign(samples + offset, samples + offset + n);
        for (int16 &s : dithered) {
            noise = noise * 1664525u + 1013904223u;
            const int step = int(noise >> 30) - 1;  // -1, 0, 1 or 2
            s = int16(std::clamp(int(s) + (step > 1 ? 0 : step), -32768, 32767));
        }
        const int16 *cursor = dithered.data();
        size_t remaining = n;
        while (remaining > 0) {
            int32 frames = kChunkFrames;
            int32 firstIndex = 0;
            const size_t before = remaining;
            if (fe_process_frames(frontEnd_, &cursor, &remaining, rows.data(), &frames, &firstIndex) < 0)
                break;
            out.values.insert(out.values.end(), buffer.begin(), buffer.begin() + size_t(frames) * size_t(out.dims));
            if (frames == 0 && remaining == before)
                break;
        }
    }
    int32 last = 0;
    fe_end_utt(frontEnd_, rows[0], &last);
    if (last > 0)
        out.values.insert(out.values.end(), buffer.begin(), buffer.begin() + out.dims);
    return out;
}

FeatureMatrix spectralShape(const FeatureMatrix &mfcc) {
    FeatureMatrix out;
    if (mfcc.dims < 2)
        return out;
    out.dims = mfcc.dims - 1;
    const size_t n = mfcc.frames();
    out.values.resize(n * size_t(out.dims));
    for (size_t i = 0; i < n; ++i)
        for (int d = 0; d < out.dims; ++d)
            out.row(i)[d] = mfcc.row(i)[d + 1];
    normalizeMeanAndVariance(out);
    return out;
}

}  // namespace cw::engines
