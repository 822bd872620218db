// Every failure leaves the program through here, so none reaches the terminal unescaped.
#include "fail.h"

#include "printable.h"

#include <cstdio>

namespace common {

int endWith(const char *program, const Failure &failure, const std::string &usage) {
    std::fprintf(stderr, "%s: %s\n%s", program, printable(failure.text).c_str(), usage.c_str());
    return static_cast<int>(failure.exit);
}

} // namespace common
