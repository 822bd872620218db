// The page's files, embedded in the binary at build time from tools/monitor/web/page.
#pragma once

#include <cstddef>

namespace monitor {

struct WebFile {
    const char *path; // as requested: "/index.html"
    const char *type; // Content-Type
    const unsigned char *data;
    size_t size;
};

extern const WebFile kWebFiles[];
extern const size_t kWebFileCount;

} // namespace monitor
