// The resource number of the manifest that asks for the system's visual styles (common controls
// version 6). The DLL's resource script carries it; the host activates it when the program asks
// for visual styles. (Numbers 1 and 2 are read by the loader itself; this one only by us.)
#pragma once

#define TOCKLY_VISUAL_STYLES_MANIFEST 3
