// The page's files, embedded in the binary at build time from tools/monitor/web.
#pragma once

#include <cstddef>

struct WebFile {
    const char *path; // as requested: "/index.html"
    const char *type; // Content-Type
    const unsigned char *data;
    size_t size;
};

extern const WebFile kWebFiles[];
extern const size_t kWebFileCount;
