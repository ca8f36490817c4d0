#pragma once

#include <cstddef>

// Bytes in the busy blocks of every heap of this process: what malloc, new, CoTaskMemAlloc and the
// system's own objects hold.
// wineOnly: GetProcessMemoryInfo's PrivateUsage stays 0, whatever is allocated, but the heaps can be
// walked; Windows counts private bytes.
size_t heapBytesInUse();
