// CPU cost of the device layer per draw call and per state change, on the headless context,
// against the same draws issued as raw GL in the same run. Time is the calling thread's CPU
// time: llvmpipe rasterises on its own threads, so this is the cost of the calls themselves.

#include <epoxy/gl.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "d3d/d3d8.h"
#include "platform/gl_context.h"

namespace {

constexpr int kDraws = 20000;
constexpr int kRounds = 5;
constexpr int kFinishEvery = 500;  // keeps the driver's queue bounded the same way for both

struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR color;
};
const Vertex kTriangle[3] = {{1, 1, 0.5f, 1, 0xFFFF0000}, {3, 1, 0.5f, 1, 0xFFFF0000}, {1, 3, 0.5f, 1, 0xFFFF0000}};

double ThreadNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// Thread CPU nanoseconds per iteration of `body` (the caller repeats and keeps the best).
double TimePerCall(const std::function<void(int)>& body) {
    for (int i = 0; i < kFinishEvery; ++i) body(i);  // warm the driver's caches first
    glFinish();
    const double start = ThreadNanoseconds();
    for (int i = 0; i < kDraws; ++i) {
        body(i);
        if (i % kFinishEvery == kFinishEvery - 1) glFinish();
    }
    glFinish();
    return (ThreadNanoseconds() - start) / kDraws;
}

GLuint Compile(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

struct Timings {
    double draw, stateChange, unchangedState;
};

// The same triangle with a hand-written program: the least GL can do for these draws.
Timings RawGl() {
    auto context = tavrin::CreateHeadlessGlContext();
    if (context == nullptr) return {0, 0, 0};
    GLuint framebuffer, color, vertexArray, buffer;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &color);
    glBindRenderbuffer(GL_RENDERBUFFER, color);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 64, 64);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    glViewport(0, 0, 64, 64);
    const GLuint program = glCreateProgram();
    glAttachShader(program, Compile(GL_VERTEX_SHADER,
                                    "#version 330 core\nlayout(location = 0) in vec4 p;\n"
                                    "layout(location = 2) in vec4 c;\nout vec4 v;\n"
                                    "void main() { gl_Position = vec4(p.xy / 32.0 - 1.0, 0.0, 1.0); v = c; }\n"));
    glAttachShader(program, Compile(GL_FRAGMENT_SHADER,
                                    "#version 330 core\nin vec4 v;\nout vec4 o;\nvoid main() { o = v; }\n"));
    glLinkProgram(program);
    glUseProgram(program);
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof(kTriangle), kTriangle, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), reinterpret_cast<void*>(16));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(2);

    Timings timings{};
    timings.draw = TimePerCall([](int) { glDrawArrays(GL_TRIANGLES, 0, 3); });
    timings.stateChange = TimePerCall([](int i) {
        if (i % 2 == 0) {
            glEnable(GL_CULL_FACE);
        } else {
            glDisable(GL_CULL_FACE);
        }
        glDrawArrays(GL_TRIANGLES, 0, 3);
    });
    timings.unchangedState = TimePerCall([](int) {
        glDisable(GL_CULL_FACE);  // already off: GL sees a redundant call
        glDrawArrays(GL_TRIANGLES, 0, 3);
    });
    glDeleteBuffers(1, &buffer);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteProgram(program);
    glDeleteRenderbuffers(1, &color);
    glDeleteFramebuffers(1, &framebuffer);
    return timings;
}

Timings Layer() {
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = 64;
    parameters.BackBufferHeight = 64;
    parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
    IDirect3DDevice8* device = nullptr;
    if (d3d == nullptr || FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                                   &parameters, &device))) {
        if (d3d != nullptr) d3d->Release();
        return {0, 0, 0};
    }
    IDirect3DVertexBuffer8* buffer = nullptr;
    device->CreateVertexBuffer(sizeof(kTriangle), 0, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, D3DPOOL_MANAGED, &buffer);
    BYTE* data = nullptr;
    buffer->Lock(0, 0, &data, 0);
    std::memcpy(data, kTriangle, sizeof(kTriangle));
    buffer->Unlock();
    device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    device->SetStreamSource(0, buffer, sizeof(Vertex));
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);  // builds the program outside the timing

    Timings timings{};
    timings.draw = TimePerCall([&](int) { device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1); });
    timings.stateChange = TimePerCall([&](int i) {
        device->SetRenderState(D3DRS_CULLMODE, i % 2 == 0 ? D3DCULL_CCW : D3DCULL_NONE);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    });
    timings.unchangedState = TimePerCall([&](int) {
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);  // already so: no GL call
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    });
    device->SetStreamSource(0, nullptr, 0);
    buffer->Release();
    device->Release();
    d3d->Release();
    return timings;
}

}  // namespace

int main() {
    Timings raw{1e30, 1e30, 1e30};
    Timings layer{1e30, 1e30, 1e30};
    for (int round = 0; round < kRounds; ++round) {
        const Timings r = RawGl();
        const Timings l = Layer();
        if (r.draw == 0 || l.draw == 0) {
            std::fprintf(stderr, "no headless OpenGL 3.3 context\n");
            return 1;
        }
        raw = {std::min(raw.draw, r.draw), std::min(raw.stateChange, r.stateChange),
               std::min(raw.unchangedState, r.unchangedState)};
        layer = {std::min(layer.draw, l.draw), std::min(layer.stateChange, l.stateChange),
                 std::min(layer.unchangedState, l.unchangedState)};
    }
    std::printf("%-34s %10s %10s %8s\n", "thread CPU ns per call (best of 5)", "raw GL", "layer", "ratio");
    std::printf("%-34s %10.0f %10.0f %8.2f\n", "draw", raw.draw, layer.draw, layer.draw / raw.draw);
    std::printf("%-34s %10.0f %10.0f %8.2f\n", "cull toggle + draw", raw.stateChange, layer.stateChange,
                layer.stateChange / raw.stateChange);
    std::printf("%-34s %10.0f %10.0f %8.2f\n", "state change alone (difference)", raw.stateChange - raw.draw,
                layer.stateChange - layer.draw, (layer.stateChange - layer.draw) / (raw.stateChange - raw.draw));
    std::printf("%-34s %10.0f %10.0f %8.2f\n", "unchanged state + draw", raw.unchangedState,
                layer.unchangedState, layer.unchangedState / raw.unchangedState);
    return 0;
}
