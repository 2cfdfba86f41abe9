#include "shell/GuiResources.h"

#include <QtGlobal>

static void initResourcesOutsideNamespace()
{
    Q_INIT_RESOURCE(resources);
}

void initGuiResources()
{
    initResourcesOutsideNamespace();
}
