// LD_PRELOAD probe for the benchmark: times each return from glfwSwapBuffers without changing the
// program. KIVO_FRAME_LOG names its file of native 64-bit nanosecond values: the process CPU time
// (all threads) at the first frame, then the CLOCK_MONOTONIC time of every frame.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static FILE* out;

static uint64_t clock_ns(clockid_t clock) {
    struct timespec ts;
    clock_gettime(clock, &ts);
    return (uint64_t)ts.tv_sec * 1000000000u + (uint64_t)ts.tv_nsec;
}

// Fully buffered: one write every 8192 frames, the rest when the program exits.
__attribute__((constructor)) static void probe_start(void) {
    const char* path = getenv("KIVO_FRAME_LOG");
    if (path != NULL && (out = fopen(path, "wb")) != NULL)
        setvbuf(out, NULL, _IOFBF, 1 << 16);
}

void glfwSwapBuffers(void* window) {
    static void (*real_swap)(void*);
    static int frames;
    if (real_swap == NULL) {
        void* symbol = dlsym(RTLD_NEXT, "glfwSwapBuffers");
        if (symbol == NULL) {
            fprintf(stderr, "frame_probe: glfwSwapBuffers not found: %s\n", dlerror());
            abort();
        }
        memcpy(&real_swap, &symbol, sizeof real_swap); // object to function pointer
    }
    real_swap(window);
    if (out == NULL)
        return;
    uint64_t now = clock_ns(CLOCK_MONOTONIC);
    if (frames++ == 0) {
        uint64_t cpu = clock_ns(CLOCK_PROCESS_CPUTIME_ID);
        fwrite(&cpu, sizeof cpu, 1, out);
    }
    fwrite(&now, sizeof now, 1, out);
}
