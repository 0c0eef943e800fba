// The flare frame against the renderer's fill floor: the same number of full-screen layers of
// textures of the same size, linearly filtered and added with source alpha, drawn with bare
// OpenGL on a second headless device in the same run. The flare's own cost is what it adds over
// that floor; the goal is at most 1.15 times the floor. Run from build/bin, beside Tavrin.data.
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "archive/data_archive.h"
#include "archive/texture_loader.h"
#include "d3d/d3d8.h"
#include "effects/flare_effect.h"
#include "gfxutil/display_device.h"

namespace tavrin {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kLayers = 10;  // as the show constructs the flare
constexpr double kGoal = 1.15;

double Median(std::vector<double> times) {
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

// Clear, draw, present and wait for the picture: one whole frame.
template <typename Draw>
double TimeFrame(IDirect3DDevice8* device, std::vector<uint32_t>& pixels, Draw draw) {
    const auto start = std::chrono::steady_clock::now();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    device->BeginScene();
    draw();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    device->ReadBackBuffer(pixels.data(), kWidth * 4);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

GLuint CompileShader(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// Textured quads added over the frame, on whatever context is current.
class BareLayers {
public:
    BareLayers(UINT pictureWidth, UINT pictureHeight, UINT flareWidth, UINT flareHeight) {
        const GLuint vertex =
            CompileShader(GL_VERTEX_SHADER,
                          "#version 330 core\n"
                          "layout(location = 0) in vec2 position;\n"
                          "layout(location = 1) in vec2 uv;\n"
                          "out vec2 vUv;\n"
                          "void main() { vUv = uv; gl_Position = vec4(position, 0.0, 1.0); }\n");
        const GLuint fragment =
            CompileShader(GL_FRAGMENT_SHADER,
                          "#version 330 core\n"
                          "uniform sampler2D picture;\n"
                          "uniform vec4 tint;\n"
                          "in vec2 vUv;\n"
                          "out vec4 colour;\n"
                          "void main() { colour = texture(picture, vUv) * tint; }\n");
        program_ = glCreateProgram();
        glAttachShader(program_, vertex);
        glAttachShader(program_, fragment);
        glLinkProgram(program_);
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        tint_ = glGetUniformLocation(program_, "tint");
        picture_ = MakeTexture(pictureWidth, pictureHeight);
        flare_ = MakeTexture(flareWidth, flareHeight);
        // Layers cover the screen; the flare (a square of its height) three quarters of it.
        const float quads[2][6][4] = {{{-1, 1, 0, 0},
                                       {-1, -1, 0, 1},
                                       {1, -1, 1, 1},
                                       {-1, 1, 0, 0},
                                       {1, -1, 1, 1},
                                       {1, 1, 1, 0}},
                                      {{-0.75f, 1, 0, 0},
                                       {-0.75f, -1, 0, 1},
                                       {0.75f, -1, 1, 1},
                                       {-0.75f, 1, 0, 0},
                                       {0.75f, -1, 1, 1},
                                       {0.75f, 1, 1, 0}}};
        glGenVertexArrays(1, &vertexArray_);
        glBindVertexArray(vertexArray_);
        glGenBuffers(1, &buffer_);
        glBindBuffer(GL_ARRAY_BUFFER, buffer_);
        glBufferData(GL_ARRAY_BUFFER, sizeof quads, quads, GL_STATIC_DRAW);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 16, nullptr);
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 16, reinterpret_cast<const void*>(8));
        glEnableVertexAttribArray(0);
        glEnableVertexAttribArray(1);
    }

    void Draw() {
        glViewport(0, 0, kWidth, kHeight);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glUseProgram(program_);
        glBindVertexArray(vertexArray_);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, flare_);
        glUniform4f(tint_, 1.0f, 0.8f, 0.6f, 0.5f);
        glDrawArrays(GL_TRIANGLES, 6, 6);
        glBindTexture(GL_TEXTURE_2D, picture_);
        float alpha = 1.0f;
        for (int layer = 0; layer < kLayers; ++layer, alpha *= 0.8f) {
            glUniform4f(tint_, 1.0f, 1.0f, 1.0f, alpha);
            glDrawArrays(GL_TRIANGLES, 0, 6);
        }
    }

private:
    static GLuint MakeTexture(UINT width, UINT height) {
        std::vector<uint32_t> texels(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < texels.size(); ++i)
            texels[i] = static_cast<uint32_t>(i * 2654435761u) | 0x80000000u;
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width),
                     static_cast<GLsizei>(height), 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                     texels.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        return texture;
    }

    GLuint program_ = 0;
    GLint tint_ = -1;
    GLuint picture_ = 0;
    GLuint flare_ = 0;
    GLuint vertexArray_ = 0;
    GLuint buffer_ = 0;
};

int Run() {
    DataArchive archive("Tavrin.data");
    DisplayDevice flareDisplay(nullptr, kWidth, kHeight, true);
    DisplayDevice floorDisplay(nullptr, kWidth, kHeight, true);
    if (flareDisplay.device == nullptr || floorDisplay.device == nullptr) {
        std::printf("flare: no headless display\n");
        return 1;
    }
    IDirect3DTexture8* outline = LoadTexture(&archive, flareDisplay.device, "Outline_Bunt.tga");
    IDirect3DTexture8* flareTexture = LoadTexture(&archive, flareDisplay.device, "Flare.bmp");
    if (outline == nullptr || flareTexture == nullptr) {
        std::printf("flare: run from build/bin, beside Tavrin.data\n");
        return 1;
    }
    D3DSURFACE_DESC outlineDesc{};
    D3DSURFACE_DESC flareDesc{};
    outline->GetLevelDesc(0, &outlineDesc);
    flareTexture->GetLevelDesc(0, &flareDesc);
    std::vector<double> flareTimes;
    std::vector<double> floorTimes;
    {
        FlareEffect flare(&flareDisplay, kLayers, 2.0f, 0.8f, outline, flareTexture);
        flare.flareOn = true;
        std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight);
        IDirect3DDevice8* floorDevice = floorDisplay.device;
        floorDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);  // its context is current now
        BareLayers floor(outlineDesc.Width, outlineDesc.Height, flareDesc.Width, flareDesc.Height);
        // Alternating frames, so both see the same load on the machine.
        for (int frame = 0; frame < 41; ++frame) {
            flareTimes.push_back(
                TimeFrame(flareDisplay.device, pixels, [&] { flare.Render(1.0 / 60.0); }));
            floorTimes.push_back(TimeFrame(floorDevice, pixels, [&] { floor.Draw(); }));
        }
    }
    outline->Release();
    flareTexture->Release();
    const double flareMs = Median(flareTimes);
    const double floorMs = Median(floorTimes);
    std::printf(
        "Flare frame %.2f ms, bare-OpenGL floor (%d + 1 layers, %ux%u and %ux%u texels, linear, "
        "added) %.2f ms: %.2fx the floor, goal %.2fx: %s\n",
        flareMs, kLayers, outlineDesc.Width, outlineDesc.Height, flareDesc.Width, flareDesc.Height,
        floorMs, flareMs / floorMs, kGoal, flareMs / floorMs <= kGoal ? "met" : "NOT MET");
    return 0;
}

}  // namespace
}  // namespace tavrin

int main() {
    return tavrin::Run();
}
