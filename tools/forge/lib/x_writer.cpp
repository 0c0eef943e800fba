#include "lib/x_writer.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace tavrin::forge {
namespace {

class Text {
public:
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char buffer[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
        text_ += buffer;
        text_ += '\n';
    }
    void Blank() { text_ += '\n'; }
    std::vector<uint8_t> Bytes() const { return {text_.begin(), text_.end()}; }

private:
    std::string text_;
};

// X lists end their last element with ';' where the others have ','.
const char* Separator(size_t i, size_t count) { return i + 1 == count ? ";" : ","; }

// Fixed decimals, with -0 written as 0 so that nothing depends on the sign of a zero.
double Tidy(double v) { return (v > -5e-7 && v < 5e-7) ? 0.0 : v; }

// A counted list of 3-vectors: the mesh's positions and its normals.
void WriteVectors(Text& out, const std::vector<V3>& vectors) {
    out.Line("  %zu;", vectors.size());
    for (size_t i = 0; i < vectors.size(); ++i) {
        const V3& v = vectors[i];
        out.Line("  %.6f;%.6f;%.6f;%s", Tidy(v.x), Tidy(v.y), Tidy(v.z),
                 Separator(i, vectors.size()));
    }
}

void WriteFaces(Text& out, const TriangleMesh& mesh) {
    out.Line("  %zu;", mesh.faces.size());
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
        const Face& f = mesh.faces[i];
        out.Line("  3;%u,%u,%u;%s", f.a, f.b, f.c, Separator(i, mesh.faces.size()));
    }
}

void WriteMaterial(Text& out, const Material& m) {
    out.Line("   Material %s {", m.name.c_str());
    out.Line("    %.6f;%.6f;%.6f;%.6f;;", m.diffuse.r, m.diffuse.g, m.diffuse.b, m.diffuse.a);
    out.Line("    %.6f;", m.power);
    out.Line("    %.6f;%.6f;%.6f;;", m.specular.x, m.specular.y, m.specular.z);
    out.Line("    %.6f;%.6f;%.6f;;", m.emissive.x, m.emissive.y, m.emissive.z);
    if (!m.texture.empty()) {
        out.Line("    TextureFilename {");
        out.Line("     \"%s\";", m.texture.c_str());
        out.Line("    }");
    }
    out.Line("   }");
}

}  // namespace

std::vector<uint8_t> WriteXFile(const TriangleMesh& mesh) {
    Text out;
    out.Line("xof 0303txt 0032");
    out.Blank();
    out.Line("Mesh %s {", mesh.name.c_str());
    WriteVectors(out, mesh.positions);
    WriteFaces(out, mesh);
    out.Blank();
    out.Line(" MeshMaterialList {");
    out.Line("  %zu;", mesh.materials.size());
    out.Line("  %zu;", mesh.faces.size());
    for (size_t i = 0; i < mesh.faces.size(); ++i) {
        out.Line("  %u%s", mesh.faces[i].material, Separator(i, mesh.faces.size()));
    }
    for (const Material& m : mesh.materials) WriteMaterial(out, m);
    out.Line(" }");
    out.Blank();
    out.Line(" MeshNormals {");
    WriteVectors(out, mesh.normals);
    WriteFaces(out, mesh);
    out.Line(" }");
    out.Blank();
    out.Line(" MeshTextureCoords {");
    const size_t vertices = mesh.uvs.size();
    out.Line("  %zu;", vertices);
    for (size_t i = 0; i < vertices; ++i) {
        const V2& t = mesh.uvs[i];
        out.Line("  %.6f;%.6f;%s", Tidy(t.x), Tidy(t.y), Separator(i, vertices));
    }
    out.Line(" }");
    out.Line("}");
    return out.Bytes();
}

}  // namespace tavrin::forge
