#pragma once

#include <cstddef>

// Bytes in the busy blocks of every heap of this process: what malloc, new, CoTaskMemAlloc and the
// system's own objects hold. Wine reports no private-byte counter, but its heaps can be walked.
size_t heapBytesInUse();
