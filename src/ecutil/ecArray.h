#pragma once

// Allocator of boolean vectors and matrices. Fresh storage is all false;
// Free accepts null and leaves the pointer null.
class ecArray {
public:
    static bool Alloc(bool*& p, int n);
    static bool Alloc(bool**& p, int rows, int cols);
    static void Free(bool*& p);
    static void Free(bool**& p);
};
