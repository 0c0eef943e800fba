#include "d3d/program_cache.h"

#include <string>

#include "d3d/diagnostics.h"
#include "d3d/fixed_function_shader.h"

namespace tavrin::d3d {

namespace {

GLuint Compile(GLenum type, const std::string& source) {
    const GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) return shader;
    char log[1024] = {};
    glGetShaderInfoLog(shader, sizeof(log), nullptr, log);
    Report("shader-compile", std::string("a generated shader did not compile: ") + log + "\n" + source);
    glDeleteShader(shader);
    return 0;
}

GLuint Link(const FixedFunctionKey& key) {
    const GLuint vertex = Compile(GL_VERTEX_SHADER, VertexShaderSource(key));
    const GLuint fragment = Compile(GL_FRAGMENT_SHADER, FragmentShaderSource(key));
    GLuint program = 0;
    if (vertex != 0 && fragment != 0) {
        program = glCreateProgram();
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        GLint ok = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (ok != GL_TRUE) {
            char log[1024] = {};
            glGetProgramInfoLog(program, sizeof(log), nullptr, log);
            Report("shader-link", std::string("a generated program did not link: ") + log);
            glDeleteProgram(program);
            program = 0;
        }
    }
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    return program;
}

}  // namespace

ProgramCache::~ProgramCache() {
    for (auto& entry : programs_) {
        if (entry.second == nullptr) continue;
        cache_.ForgetProgram(entry.second->id);
        glDeleteProgram(entry.second->id);
    }
}

Program* ProgramCache::Find(const FixedFunctionKey& key) {
    auto [entry, added] = programs_.try_emplace(key);
    if (!added) return entry->second.get();

    const GLuint id = Link(key);
    if (id == 0) return nullptr;
    auto program = std::make_unique<Program>();
    program->id = id;
    program->worldView = glGetUniformLocation(id, "uWorldView");
    program->projection = glGetUniformLocation(id, "uProjection");
    program->normalMatrix = glGetUniformLocation(id, "uNormalMatrix");
    program->viewport = glGetUniformLocation(id, "uViewport");
    program->textureMatrix[0] = glGetUniformLocation(id, "uTextureMatrix0");
    program->textureMatrix[1] = glGetUniformLocation(id, "uTextureMatrix1");
    program->materialDiffuse = glGetUniformLocation(id, "uMaterialDiffuse");
    program->materialAmbient = glGetUniformLocation(id, "uMaterialAmbient");
    program->materialEmissive = glGetUniformLocation(id, "uMaterialEmissive");
    program->ambientLight = glGetUniformLocation(id, "uAmbientLight");
    program->lightDirection = glGetUniformLocation(id, "uLightDirection");
    program->lightDiffuse = glGetUniformLocation(id, "uLightDiffuse");
    program->textureFactor = glGetUniformLocation(id, "uTextureFactor");
    program->alphaReference = glGetUniformLocation(id, "uAlphaReference");
    // Stage s always samples from texture unit s.
    cache_.UseProgram(id);
    for (int s = 0; s < kDrawnStageCount; ++s) {
        const GLint sampler = glGetUniformLocation(id, ("uTexture" + std::to_string(s)).c_str());
        if (sampler >= 0) glUniform1i(sampler, s);
    }
    entry->second = std::move(program);
    return entry->second.get();
}

}  // namespace tavrin::d3d
