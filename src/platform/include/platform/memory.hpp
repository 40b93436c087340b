#pragma once
// Memory mapped ahead of a short run: on a virtual machine a page's first touch can cost a good part of
// what a small run computes, while mapping many pages in one call costs little per page.

#include <cstddef>

namespace laifit::platform {

// Maps in the program's code and read-only data, the top of the stack and a heap of heap_bytes, each
// with one system call, so that the run touches them without a page fault each. Does nothing where the
// system has no such call; a refusal is ignored (the pages then fault in as they would have).
void prepare_memory(std::size_t heap_bytes);

}  // namespace laifit::platform
