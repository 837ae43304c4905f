#pragma once

// Counts the C++ allocations made on threads that have opened a Scope. The
// replacement operators live in AllocationCounter.cpp, which is linked only
// into the executable that checks the audio thread.

#include <atomic>
#include <cstddef>

namespace AllocationCounter {

std::size_t count();
void reset();

// While alive, every operator new on this thread is counted.
class Scope
{
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

} // namespace AllocationCounter
