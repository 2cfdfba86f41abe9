// The burn page's preset file: read, written and read back.

#include "FuzzSupport.h"

#include "project/BurnPresets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzzScratchFile(QStringLiteral("preset.xml"),
                                         QByteArray(reinterpret_cast<const char *>(data), int(size)));
    if (path.isEmpty())
        return 0;
    const Presets builtIns = builtInPresets();
    const Presets presets = loadPresets(path);
    FUZZ_CHECK(presets.size() >= builtIns.size());
    for (int i = 0; i < builtIns.size(); ++i)
        FUZZ_CHECK(presets[i] == builtIns[i]);
    for (int i = builtIns.size(); i < presets.size(); ++i)
        FUZZ_CHECK(presets[i].type != 0);

    // A save always reads back, and keeps every preset and all the file
    // can hold (characters XML cannot carry are left out on writing).
    const QString copy = fuzzScratchFolder() + QStringLiteral("/copy.xml");
    FUZZ_CHECK(writePresets(copy, presets));
    QString error;
    const Presets reread = loadPresets(copy, &error);
    FUZZ_CHECK(error.isEmpty());
    FUZZ_CHECK(reread.size() == presets.size());
    FUZZ_CHECK(presetFileBytes(reread) == presetFileBytes(presets));

    BurnSettings settings;
    for (const preset &p : presets)
        applyPreset(p, settings);
    if (!presets.isEmpty())
        FUZZ_CHECK(findPreset(presets, QStringLiteral("1")) == &presets.first());
    return 0;
}
