#pragma once

#include <cstddef>

namespace tavrin {

// Start-up runs much code the show never runs again (the renderer's shader compiler above all),
// and the kernel maps library pages in batches around each one touched: the show would keep tens
// of megabytes of code resident that it no longer uses. This lets go of the pages of every
// private, read-only file mapping (code and constant data of the program and its libraries)
// that holds only the file's own bytes; a page used again is mapped back from the page cache at
// its next touch, unchanged. Mappings with pages of their own (written when the libraries were
// loaded) are left as they are. Call it while no other thread loads a library or changes a
// mapping's protection: a mapping made writable and written between the reading and the release
// would lose what was written. Returns the bytes that were resident in the mappings let go; 0
// where the system offers no such control.
size_t ReleaseFileBackedPages();

}  // namespace tavrin
