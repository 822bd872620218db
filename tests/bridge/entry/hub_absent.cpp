// hidapi for the port-range variants of the program: the hub is never there, and each call says on
// standard error that the program went looking for it.
#include <cstdio>
#include <hidapi.h>

extern "C" {
hid_device *hid_open(unsigned short, unsigned short, const wchar_t *) {
    std::fputs("hid_open\n", stderr);
    return nullptr;
}
int hid_set_nonblocking(hid_device *, int) { return -1; }
int hid_read(hid_device *, unsigned char *, size_t) { return -1; }
void hid_close(hid_device *) {}
}
