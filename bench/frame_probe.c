// LD_PRELOAD probe for the benchmark: times each return from glfwSwapBuffers without changing the
// program. KIVO_FRAME_LOG names its file of native 64-bit nanosecond values: the process CPU time
// (all threads) at the first frame, then the CLOCK_MONOTONIC time of every frame.
// For the picture measures it can also, each asked for by its own variable:
//   KIVO_FIXED_CLOCK=start,step   glfwGetTime returns start + step x (frames presented so far);
//   KIVO_READBACK=path,frames,size  the centred size x size RGBA square of the first `frames`
//                                 frames, read before each swap, appended to `path`;
//   KIVO_VIEW_FROM=body,distance  "view" and "viewPos" replaced by a camera `distance` units on +z
//                                 of the body's centre (earth, sun or moon), looking along -z;
//   KIVO_TRILINEAR=1              a GL_LINEAR minification filter asked for is made trilinear.
// The GL entry points come wrapped through glfwGetProcAddress, the program's loader.
#define _GNU_SOURCE
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "probe_view.h"

static FILE* out;
static double clock_start, clock_step = -1; // step < 0: GLFW's own clock
static FILE* readback;
static int readback_frames, readback_size;
static int view_body = -1; // in the order of BODY_NAMES
static float view_distance;
static int trilinear;
static const char* const BODY_NAMES[] = {"earth", "sun", "moon"}; // the program's draw order
static long frames;

static uint64_t clock_ns(clockid_t clock) {
    struct timespec ts;
    clock_gettime(clock, &ts);
    return (uint64_t)ts.tv_sec * 1000000000u + (uint64_t)ts.tv_nsec;
}

static void fail(const char* what, const char* detail) {
    fprintf(stderr, "frame_probe: %s: %s\n", what, detail);
    abort();
}

// The next definition of a symbol the probe wraps, from the libraries behind it.
static void* next_symbol(const char* name) {
    void* symbol = dlsym(RTLD_NEXT, name);
    if (symbol == NULL)
        fail(name, "not found");
    return symbol;
}

// Fully buffered: one write every 8192 frames, the rest when the program exits.
__attribute__((constructor)) static void probe_start(void) {
    const char* path = getenv("KIVO_FRAME_LOG");
    if (path != NULL && (out = fopen(path, "wb")) != NULL)
        setvbuf(out, NULL, _IOFBF, 1 << 16);
    const char* v = getenv("KIVO_FIXED_CLOCK");
    if (v != NULL && (sscanf(v, "%lf,%lf", &clock_start, &clock_step) != 2 || clock_step < 0))
        fail("KIVO_FIXED_CLOCK is not start,step", v);
    if ((v = getenv("KIVO_READBACK")) != NULL) {
        char file[4096];
        if (sscanf(v, "%4095[^,],%d,%d", file, &readback_frames, &readback_size) != 3 ||
            readback_frames < 1 || readback_size < 1 || readback_size > 4096)
            fail("KIVO_READBACK is not path,frames,size", v);
        if ((readback = fopen(file, "wb")) == NULL)
            fail("cannot write", file);
    }
    if ((v = getenv("KIVO_VIEW_FROM")) != NULL) {
        char body[8] = "";
        int parsed = sscanf(v, "%7[a-z],%f", body, &view_distance) == 2;
        for (int k = 0; k < 3; ++k)
            if (strcmp(body, BODY_NAMES[k]) == 0)
                view_body = k;
        if (!parsed || view_body < 0)
            fail("KIVO_VIEW_FROM is not earth|sun|moon,distance", v);
    }
    trilinear = getenv("KIVO_TRILINEAR") != NULL;
}

double glfwGetTime(void) {
    static double (*real_time)(void);
    if (clock_step >= 0)
        return clock_start + clock_step * (double)frames;
    if (real_time == NULL)
        *(void**)&real_time = next_symbol("glfwGetTime");
    return real_time();
}

// Wrapped GL entry points: the real ones, and the locations of the uniforms that are replaced.
typedef void (*TexParameteri)(GLenum, GLenum, GLint);
typedef GLint (*GetUniformLocation)(GLuint, const GLchar*);
typedef void (*UniformMatrix4fv)(GLint, GLsizei, GLboolean, const GLfloat*);
typedef void (*Uniform3fv)(GLint, GLsizei, const GLfloat*);
typedef void (*ReadPixels)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);
static TexParameteri real_tex_parameteri;
static GetUniformLocation real_get_uniform_location;
static UniformMatrix4fv real_uniform_matrix4fv;
static Uniform3fv real_uniform3fv;
static GLint view_location = -1, view_pos_location = -1;

static void tex_parameteri(GLenum target, GLenum pname, GLint param) {
    if (pname == GL_TEXTURE_MIN_FILTER && param == GL_LINEAR)
        param = GL_LINEAR_MIPMAP_LINEAR;
    real_tex_parameteri(target, pname, param);
}

static GLint get_uniform_location(GLuint program, const GLchar* name) {
    GLint location = real_get_uniform_location(program, name);
    if (strcmp(name, "view") == 0)
        view_location = location;
    else if (strcmp(name, "viewPos") == 0)
        view_pos_location = location;
    return location;
}

static void uniform_matrix4fv(GLint location, GLsizei count, GLboolean transpose,
                              const GLfloat* value) {
    float view[16], eye[3];
    if (location == view_location && location != -1) {
        probe_view_from(view_body, view_distance, glfwGetTime(), view, eye);
        real_uniform_matrix4fv(location, 1, GL_FALSE, view);
    } else
        real_uniform_matrix4fv(location, count, transpose, value);
}

static void uniform3fv(GLint location, GLsizei count, const GLfloat* value) {
    float view[16], eye[3];
    if (location == view_pos_location && location != -1) {
        probe_view_from(view_body, view_distance, glfwGetTime(), view, eye);
        real_uniform3fv(location, 1, eye);
    } else
        real_uniform3fv(location, count, value);
}

GLFWglproc glfwGetProcAddress(const char* name) {
    static GLFWglproc (*real_get_proc)(const char*);
    if (real_get_proc == NULL)
        *(void**)&real_get_proc = next_symbol("glfwGetProcAddress");
    GLFWglproc proc = real_get_proc(name);
    if (proc == NULL)
        return NULL;
    if (trilinear && strcmp(name, "glTexParameteri") == 0) {
        real_tex_parameteri = (TexParameteri)proc;
        return (GLFWglproc)tex_parameteri;
    }
    if (view_body >= 0 && strcmp(name, "glGetUniformLocation") == 0) {
        real_get_uniform_location = (GetUniformLocation)proc;
        return (GLFWglproc)get_uniform_location;
    }
    if (view_body >= 0 && strcmp(name, "glUniformMatrix4fv") == 0) {
        real_uniform_matrix4fv = (UniformMatrix4fv)proc;
        return (GLFWglproc)uniform_matrix4fv;
    }
    if (view_body >= 0 && strcmp(name, "glUniform3fv") == 0) {
        real_uniform3fv = (Uniform3fv)proc;
        return (GLFWglproc)uniform3fv;
    }
    return proc;
}

// The centred square of the frame about to be presented, from the back buffer.
static void read_back(GLFWwindow* window) {
    static ReadPixels read_pixels;
    static unsigned char* pixels;
    if (read_pixels == NULL) {
        read_pixels = (ReadPixels)glfwGetProcAddress("glReadPixels");
        pixels = malloc((size_t)readback_size * readback_size * 4);
        if (read_pixels == NULL || pixels == NULL)
            fail("readback", "no glReadPixels or no memory");
    }
    int width, height;
    glfwGetFramebufferSize(window, &width, &height);
    read_pixels((width - readback_size) / 2, (height - readback_size) / 2, readback_size,
                readback_size, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    fwrite(pixels, 4, (size_t)readback_size * readback_size, readback);
    if (frames + 1 == readback_frames) {
        fclose(readback);
        readback = NULL;
        free(pixels);
    }
}

void glfwSwapBuffers(GLFWwindow* window) {
    static void (*real_swap)(GLFWwindow*);
    if (real_swap == NULL)
        *(void**)&real_swap = next_symbol("glfwSwapBuffers");
    if (readback != NULL)
        read_back(window);
    real_swap(window);
    frames++;
    if (out == NULL)
        return;
    uint64_t now = clock_ns(CLOCK_MONOTONIC);
    if (frames == 1) {
        uint64_t cpu = clock_ns(CLOCK_PROCESS_CPUTIME_ID);
        fwrite(&cpu, sizeof cpu, 1, out);
    }
    fwrite(&now, sizeof now, 1, out);
}
