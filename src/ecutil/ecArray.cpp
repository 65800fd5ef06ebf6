#include "ecutil/ecArray.h"

#include <new>

bool ecArray::Alloc(bool*& p, int n)
{
    if (n < 0)
        return false;
    p = new (std::nothrow) bool[static_cast<std::size_t>(n) + 1]();
    return p != nullptr;
}

bool ecArray::Alloc(bool**& p, int rows, int cols)
{
    if (rows < 0 || cols < 0)
        return false;
    // One block of row pointers followed by one block of values, so a single
    // delete releases the matrix.
    p = new (std::nothrow) bool*[static_cast<std::size_t>(rows) + 1]();
    if (!p)
        return false;
    bool* values = new (std::nothrow) bool[static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols) + 1]();
    if (!values) {
        delete[] p;
        p = nullptr;
        return false;
    }
    for (int r = 0; r < rows; ++r)
        p[r] = values + static_cast<std::size_t>(r) * static_cast<std::size_t>(cols);
    p[rows] = values;
    return true;
}

void ecArray::Free(bool*& p)
{
    delete[] p;
    p = nullptr;
}

void ecArray::Free(bool**& p)
{
    if (!p)
        return;
    // The first row pointer always holds the value block (also when there
    // are no rows: Alloc parks it in the slot after the last row).
    delete[] p[0];
    delete[] p;
    p = nullptr;
}
