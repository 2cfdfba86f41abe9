#pragma once

// Registers the style sheet and images compiled into cw_gui. A static
// library's resources are only linked in when something calls this.
void initGuiResources();
