#include "platform/Memory.h"

#include <malloc.h>

namespace vexmora::platform {

void KeepFreedMemoryForReuse() {
    // Blocks up to 64 MiB come from the heap rather than from fresh mappings, and the heap is
    // not given back to the system until 256 MiB of it are free.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

} // namespace vexmora::platform
