// Resource ids of the plug-in: string table 2001-2288, dialogs 110-180 and their controls,
// icons 501-503, bitmaps 510-511.
#pragma once
