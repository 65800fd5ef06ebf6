#pragma once
// Internal to the event file readers: a C file closed when it goes out of
// scope. Not part of the public interface.
#include <cstdio>
#include <memory>

struct ecFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using ecFilePtr = std::unique_ptr<std::FILE, ecFileCloser>;
