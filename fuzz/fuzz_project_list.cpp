// The per-user project list: read, written and read back.

#include "FuzzSupport.h"

#include "project/ProjectList.h"
#include "project/XmlOperate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzzScratchFile(QStringLiteral("Prolist.xml"),
                                         QByteArray(reinterpret_cast<const char *>(data), int(size)));
    if (path.isEmpty())
        return 0;
    XmlOperate xml;
    ProjectItems items;
    if (!xml.ReadProjectList(path, items))
        return 0;

    const QString copy = fuzzScratchFolder() + QStringLiteral("/copy.xml");
    FUZZ_CHECK(xml.WriteProjectList(copy, items));
    ProjectItems reread;
    FUZZ_CHECK(xml.ReadProjectList(copy, reread));
    FUZZ_CHECK(reread.size() == items.size());
    for (int i = 0; i < items.size(); ++i)
        FUZZ_CHECK(reread[i].state == items[i].state);
    // Saved once, the list is a fixed point.
    const QString again = fuzzScratchFolder() + QStringLiteral("/again.xml");
    FUZZ_CHECK(xml.WriteProjectList(again, reread));
    ProjectItems third;
    FUZZ_CHECK(xml.ReadProjectList(again, third));
    FUZZ_CHECK(third == reread);

    // Recording a project already listed adds nothing.
    if (!reread.isEmpty()) {
        ProjectItems list = reread;
        FUZZ_CHECK(!addProjectIfMissing(list, QStringLiteral("name"), reread.first().path));
        FUZZ_CHECK(list == reread);
    }
    return 0;
}
