/* Preloaded into a program in the testbed ahead of umockdev: opening a node named in
 * UMOCK_DENY_OPEN (':'-separated) fails with EACCES, as a hidraw node without the udev rule
 * does for a normal user (the tests may run as root, whom permissions do not stop). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

static int denied(const char *path)
{
    const char *list = getenv("UMOCK_DENY_OPEN");
    if (!path || !list || !*list)
        return 0;
    const size_t n = strlen(path);
    for (const char *p = list; *p;) {
        const char *end = strchr(p, ':');
        const size_t len = end ? (size_t)(end - p) : strlen(p);
        if (len == n && strncmp(p, path, n) == 0)
            return 1;
        if (!end)
            break;
        p = end + 1;
    }
    return 0;
}

typedef int (*open_fn)(const char *, int, ...);

static int forward(const char *name, const char *path, int flags, mode_t mode)
{
    open_fn next = (open_fn)dlsym(RTLD_NEXT, name);
    if (!next) {
        errno = ENOSYS;
        return -1;
    }
    return next(path, flags, mode);
}

#define DENY_OPEN(name)                                         \
    int name(const char *path, int flags, ...)                  \
    {                                                           \
        mode_t mode = 0;                                        \
        if (flags & (O_CREAT | O_TMPFILE)) {                    \
            va_list ap;                                         \
            va_start(ap, flags);                                \
            mode = (mode_t)va_arg(ap, int);                     \
            va_end(ap);                                         \
        }                                                       \
        if (denied(path)) {                                     \
            errno = EACCES;                                     \
            return -1;                                          \
        }                                                       \
        return forward(#name, path, flags, mode);               \
    }

DENY_OPEN(open)
DENY_OPEN(open64)
