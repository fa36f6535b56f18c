#pragma once

namespace vexmora::platform {

// Every refresh builds pictures of several megabytes. Keeping freed memory in the process for
// the next one avoids faulting fresh pages in each time, which costs more than the pixel work.
// Called once at start, before any picture is made.
void KeepFreedMemoryForReuse();

} // namespace vexmora::platform
