#pragma once

#include <cstddef>

// Private bytes committed by this process: a leak of whole buffers shows as growth.
size_t privateBytesInUse();
