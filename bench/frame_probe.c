// LD_PRELOAD probe: timestamps every glfwSwapBuffers call (CLOCK_MONOTONIC) and writes them
// at exit to the file named by KIVO_FRAME_LOG; the program itself is not changed.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

typedef void (*swap_fn)(void*);

static swap_fn real_swap;
static const char* log_path;
static uint64_t start_ns;
static uint64_t first_frame_cpu_ns; // CPU time of all threads when the first frame is out
static uint64_t* stamps;
static size_t count;
static size_t capacity;

static uint64_t clock_ns(clockid_t clock) {
    struct timespec ts;
    clock_gettime(clock, &ts);
    return (uint64_t)ts.tv_sec * 1000000000u + (uint64_t)ts.tv_nsec;
}

static uint64_t now_ns(void) {
    return clock_ns(CLOCK_MONOTONIC);
}

// Runs before the program's main (after the dynamic loader has mapped all libraries).
__attribute__((constructor)) static void probe_start(void) {
    start_ns = now_ns();
    log_path = getenv("KIVO_FRAME_LOG");
    if (log_path == NULL || log_path[0] == '\0')
        return;
    // Room for about a minute at 2000 frames/s; pages are only touched as frames arrive.
    capacity = 1u << 17;
    stamps = malloc(capacity * sizeof *stamps);
    if (stamps == NULL)
        capacity = 0;
}

void glfwSwapBuffers(void* window) {
    if (real_swap == NULL) {
        void* symbol = dlsym(RTLD_NEXT, "glfwSwapBuffers");
        if (symbol == NULL) {
            fprintf(stderr, "frame_probe: glfwSwapBuffers not found: %s\n", dlerror());
            abort();
        }
        memcpy(&real_swap, &symbol, sizeof real_swap); // object to function pointer
    }
    real_swap(window);
    if (log_path == NULL)
        return;
    // The frame counts once the swap has returned; growth is rare (doubling).
    if (count == capacity) {
        size_t grown = capacity ? capacity * 2 : 1024;
        uint64_t* bigger = realloc(stamps, grown * sizeof *stamps);
        if (bigger == NULL)
            return;
        stamps = bigger;
        capacity = grown;
    }
    stamps[count++] = now_ns();
    if (count == 1)
        first_frame_cpu_ns = clock_ns(CLOCK_PROCESS_CPUTIME_ID);
}

// Only a process that presented frames writes: /usr/bin/time, preloaded too, must not
// overwrite its child's log.
__attribute__((destructor)) static void probe_finish(void) {
    if (log_path == NULL || count == 0)
        return;
    FILE* out = fopen(log_path, "w");
    if (out == NULL) {
        perror("frame_probe: cannot write the frame log");
        return;
    }
    fprintf(out, "pid %ld\nstart %llu\ncpu_first %llu\n", (long)getpid(),
            (unsigned long long)start_ns, (unsigned long long)first_frame_cpu_ns);
    for (size_t i = 0; i < count; ++i)
        fprintf(out, "%llu\n", (unsigned long long)stamps[i]);
    fclose(out);
    free(stamps);
    stamps = NULL;
}
