#pragma once

// Counts the C++ allocations and frees made on threads that have opened a
// Scope. The replacement operators live in AllocationCounter.cpp, which is
// linked only into the executable that checks the audio thread.

#include <atomic>
#include <cstddef>

namespace AllocationCounter {

std::size_t count();
// Memory handed back (a non-null pointer deleted) inside a Scope.
std::size_t frees();
void reset();

// While alive, every operator new and delete on this thread is counted.
class Scope
{
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

} // namespace AllocationCounter
