#pragma once
// A counting malloc for the native benchmarks: every allocation of the process (the C++ library's
// and libxml2's included) goes through glibc's allocator and adds one to the count.

// Allocations made so far by the whole process.
long AllocationCount();
