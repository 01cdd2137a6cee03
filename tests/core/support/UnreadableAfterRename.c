// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into a program under test: once a file named $TARVOK_TEST_UNREADABLE has been
// renamed into place, reading it fails with EIO, as on a failing disk.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int g_bArmed;

static int IsTheFile(const char* path)
{
    const char* name = getenv("TARVOK_TEST_UNREADABLE");
    const char* slash = strrchr(path, '/');
    return name != NULL && slash != NULL && strcmp(slash + 1, name) == 0;
}

int rename(const char* from, const char* to)
{
    int (*real)(const char*, const char*) =
        (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
    const int result = real(from, to);
    g_bArmed |= result == 0 && IsTheFile(to);
    return result;
}

ssize_t read(int fd, void* buf, size_t count)
{
    char link[64], path[4096] = "";
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    if (g_bArmed && readlink(link, path, sizeof path - 1) > 0 && IsTheFile(path))
        return errno = EIO, -1;
    ssize_t (*real)(int, void*, size_t) = (ssize_t(*)(int, void*, size_t))dlsym(RTLD_NEXT, "read");
    return real(fd, buf, count);
}

// Where the library checks the buffer's size first.
ssize_t __read_chk(int fd, void* buf, size_t count, size_t size)
{
    (void)size;
    return read(fd, buf, count);
}
