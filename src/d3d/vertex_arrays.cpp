#include "d3d/vertex_arrays.h"

#include <functional>

namespace tavrin::d3d {

size_t VertexArrays::SourceHash::operator()(const Source& source) const {
    size_t hash = std::hash<GLuint>{}(source.buffer);
    for (const size_t part : {size_t{source.fvf}, size_t{source.stride}, source.firstByte}) {
        hash = hash * 31 + std::hash<size_t>{}(part);
    }
    return hash;
}

bool VertexArrays::Bind(GlStateCache& cache, const Source& source) {
    if (bound_ != nullptr && bound_->first == source &&
        cache.vertexArray() == bound_->second.name) {
        return false;
    }
    if (arrays_.size() >= kMostArrays && arrays_.find(source) == arrays_.end()) Clear(cache);
    auto [entry, made] = arrays_.try_emplace(source);
    if (made) glGenVertexArrays(1, &entry->second.name);
    bound_ = &*entry;
    cache.BindVertexArray(bound_->second.name);
    return made;
}

void VertexArrays::BindIndices(GLuint buffer) {
    if (bound_ == nullptr || bound_->second.indices == buffer) return;
    bound_->second.indices = buffer;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
}

void VertexArrays::ForgetBuffer(GlStateCache& cache, GLuint buffer) {
    if (buffer == 0) return;  // no buffer; arrays without indices hold 0 there
    for (auto entry = arrays_.begin(); entry != arrays_.end();) {
        Array& array = entry->second;
        if (entry->first.buffer != buffer && array.indices != buffer) {
            ++entry;
            continue;
        }
        if (&*entry == bound_) bound_ = nullptr;
        cache.ForgetVertexArray(array.name);
        glDeleteVertexArrays(1, &array.name);
        entry = arrays_.erase(entry);
    }
}

void VertexArrays::Clear(GlStateCache& cache) {
    for (auto& [source, array] : arrays_) {
        cache.ForgetVertexArray(array.name);
        glDeleteVertexArrays(1, &array.name);
    }
    arrays_.clear();
    bound_ = nullptr;
}

}  // namespace tavrin::d3d
