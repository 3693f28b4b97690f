/* Preloaded ahead of apitrace's glxtrace.so in the end-to-end runs: GLFW 3.4 opens libGLX.so.0
   itself, which the tracer does not intercept, so that name is opened as libGL.so.1 instead. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <string.h>

void* dlopen(const char* file, int mode) {
    static void* (*next)(const char*, int);
    if (!next)
        next = (void* (*)(const char*, int))dlsym(RTLD_NEXT, "dlopen");
    if (file && strcmp(file, "libGLX.so.0") == 0)
        file = "libGL.so.1";
    return next(file, mode);
}
