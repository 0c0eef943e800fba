#pragma once

namespace tavrin {

// The show keeps a few large stores for its whole run (textures, vertex buffers) while the
// renderer allocates and frees smaller blocks every frame. Allocations of a megabyte or more get
// pages of their own, so freeing one gives its memory back instead of leaving a hole in the heap,
// and the heap is trimmed only when a few megabytes lie free at its top, so the per-frame blocks
// do not make it shrink and grow again every frame. Call early; calling again changes nothing.
void UseLongRunHeapPolicy();

// Gives the heap pages that loading freed (decoded pictures, parsed meshes) back to the system.
void ReturnFreedHeapPages();

}  // namespace tavrin
