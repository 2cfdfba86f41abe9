// Project files ("cwpro"): read, taken over by the open project and packed
// again, then written and read back.

#include "FuzzSupport.h"

#include "audio/WaveTimeScale.h"
#include "base/AppState.h"
#include "base/CurrentProject.h"
#include "base/PlaybackState.h"
#include "base/ProjectPacking.h"
#include "project/XmlOperate.h"
#include "subtitle/SubtitleList.h"

#include <cmath>

namespace {

// NaN is a value a file may hold; it equals itself here.
bool sameNumber(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool sameSetting(const _ProjectSetting &a, const _ProjectSetting &b)
{
    return sameNumber(a.CurrentPlayPos, b.CurrentPlayPos) && sameNumber(a.TotalTime, b.TotalTime)
           && sameNumber(a.TimeScaleValue, b.TimeScaleValue) && sameNumber(a.PlaySpeed, b.PlaySpeed)
           && sameNumber(a.Volume, b.Volume) && a.MultimediaFile == b.MultimediaFile
           && a.ExportSrtFilePath == b.ExportSrtFilePath && a.WavFilePath == b.WavFilePath
           && a.SrtListData == b.SrtListData;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzEnsureApplication();
    static AppState state; // the program's one state, which unpacking fills
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzzScratchFile(QStringLiteral("input.cwpro"),
                                         QByteArray(reinterpret_cast<const char *>(data), int(size)));
    if (path.isEmpty())
        return 0;
    XmlOperate xml;
    _ProjectSetting setting;
    if (!xml.ReadProjectSetting(path, setting))
        return 0;

    unpackIntoCurrentProject(setting);
    const double scale = timeScaleValue();
    FUZZ_CHECK(scale >= MinTimeScale && scale <= MaxTimeScale);
    FUZZ_CHECK(currentSubtitleList().size() == setting.SrtListData.size());
    const _ProjectSetting packed = packCurrentProject();
    FUZZ_CHECK(packed.SrtListData.size() == setting.SrtListData.size());
    FUZZ_CHECK(packed.MultimediaFile == setting.MultimediaFile && packed.WavFilePath == setting.WavFilePath);

    // Whatever was read is saved, and once saved it reads back as written.
    const QString first = fuzzScratchFolder() + QStringLiteral("/first.cwpro");
    const QString second = fuzzScratchFolder() + QStringLiteral("/second.cwpro");
    FUZZ_CHECK(xml.WriteProjectSetting(first, packed));
    _ProjectSetting reread;
    FUZZ_CHECK(xml.ReadProjectSetting(first, reread));
    FUZZ_CHECK(reread.SrtListData.size() == packed.SrtListData.size());
    FUZZ_CHECK(xml.WriteProjectSetting(second, reread));
    _ProjectSetting again;
    FUZZ_CHECK(xml.ReadProjectSetting(second, again));
    FUZZ_CHECK(sameSetting(reread, again));
    return 0;
}
