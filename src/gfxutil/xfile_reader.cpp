#include "gfxutil/xfile_reader.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>

#include "gfxutil/matrix.h"
#include "gfxutil/xfile_mszip.h"
#include "gfxutil/xfile_tokens.h"

namespace tavrin {
namespace {

constexpr size_t kHeaderSize = 16;
constexpr int kMaxNesting = 64;  // deeper frame nesting is taken for damage

bool SameName(const std::string& a, const char* b) {
    return a.size() == std::strlen(b) && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// One Mesh object as stored: indexed positions, polygons, and the optional per-corner normals,
// per-position texture coordinates and per-polygon materials.
struct RawMesh {
    std::vector<D3DVECTOR> positions;
    std::vector<uint32_t> polygonSizes;
    std::vector<uint32_t> polygonIndices;
    std::vector<D3DVECTOR> normals;
    std::vector<uint32_t> normalPolygonSizes;
    std::vector<uint32_t> normalIndices;
    std::vector<float> texCoords;  // u, v per position
    std::vector<uint32_t> polygonMaterials;
    std::vector<MeshMaterial> materials;
    bool hasMaterialList = false;
};

class XFileParser {
public:
    XFileParser(XTokenizer& tokens, XFileContents& out) : tokens_(tokens), out_(out) {}

    bool ParseFile();
    const std::string& Error() const { return error_; }

private:
    bool Fail(const std::string& message);
    bool Expect(XToken kind, const char* what);
    bool SkipSeparators();
    bool ReadUnsigned(uint32_t& value, const char* what);
    bool ReadFloat(float& value, const char* what);
    bool ReadVector(D3DVECTOR& v);
    bool ReadCount(uint32_t& count, size_t minBytesEach, const char* what);
    bool ReadPolygons(std::vector<uint32_t>& sizes, std::vector<uint32_t>& indices,
                      uint32_t indexLimit, const char* what);

    // Reads "Type [name] {" up to and including the brace and an optional GUID.
    bool OpenObject(std::string& type, std::string& name);
    bool SkipRestOfObject();
    bool SkipTemplate();
    // Inside an object after its data: child objects and references up to the closing brace.
    // `child` handles an object (type, name); `reference` a { name } reference.
    template <typename OnChild, typename OnReference>
    bool ParseChildren(OnChild child, OnReference reference);

    bool ParseTopLevelObject(const std::string& type, const std::string& name, int depth);
    bool ParseFrame(int depth);
    bool ParseMatrix(D3DMATRIX& m);
    bool ParseMesh();
    bool ParseNormals(RawMesh& mesh);
    bool ParseTexCoords(RawMesh& mesh);
    bool ParseMaterialList(RawMesh& mesh);
    bool ParseMaterial(const std::string& name, MeshMaterial& material);
    bool ParseTextureFilename(MeshMaterial& material);
    void AppendMesh(const RawMesh& mesh);
    // For meshes stored without normals: each vertex gets the mean of its faces' normals.
    void SmoothNormalsSince(size_t firstVertex, size_t firstFace);
    void TransformSince(size_t firstVertex, const D3DMATRIX& m);

    XTokenizer& tokens_;
    XFileContents& out_;
    std::map<std::string, MeshMaterial> namedMaterials_;
    std::string error_;
};

bool XFileParser::Fail(const std::string& message) {
    if (error_.empty()) error_ = message;
    return false;
}

bool XFileParser::Expect(XToken kind, const char* what) {
    const XToken got = tokens_.Next();
    if (got == kind) return true;
    if (got == XToken::Error) return Fail(tokens_.ErrorMessage());
    return Fail(std::string("expected ") + what);
}

bool XFileParser::SkipSeparators() {
    while (tokens_.Peek() == XToken::Separator) tokens_.Next();
    if (tokens_.Peek() == XToken::Error) return Fail(tokens_.ErrorMessage());
    return true;
}

bool XFileParser::ReadUnsigned(uint32_t& value, const char* what) {
    if (!SkipSeparators() || !Expect(XToken::Integer, what)) return false;
    value = tokens_.Unsigned();
    return true;
}

bool XFileParser::ReadFloat(float& value, const char* what) {
    if (!SkipSeparators()) return false;
    const XToken got = tokens_.Next();
    if (got != XToken::Float && got != XToken::Integer) {
        return got == XToken::Error ? Fail(tokens_.ErrorMessage())
                                    : Fail(std::string("expected ") + what);
    }
    const double number = tokens_.Number();
    // Finite values beyond float's range have no float to become.
    if (std::isfinite(number) && std::fabs(number) > FLT_MAX) return Fail("number out of range");
    value = static_cast<float>(number);
    return true;
}

bool XFileParser::ReadVector(D3DVECTOR& v) {
    return ReadFloat(v.x, "a vector") && ReadFloat(v.y, "a vector") && ReadFloat(v.z, "a vector");
}

// Counts come from the file: one that could not fit in what is left of it is damage, and no
// memory is set aside for it.
bool XFileParser::ReadCount(uint32_t& count, size_t minBytesEach, const char* what) {
    if (!ReadUnsigned(count, what)) return false;
    if (count > tokens_.Remaining() / minBytesEach) {
        return Fail(std::string(what) + " exceeds the data left in the file");
    }
    return true;
}

bool XFileParser::ReadPolygons(std::vector<uint32_t>& sizes, std::vector<uint32_t>& indices,
                               uint32_t indexLimit, const char* what) {
    uint32_t count = 0;
    if (!ReadCount(count, 2, what)) return false;
    // A repeated block replaces the earlier one whole: no stale index may outlive its data.
    indices.clear();
    sizes.resize(count);
    for (uint32_t& size : sizes) {
        if (!ReadCount(size, 2, "polygon corner count")) return false;
        if (size < 3) return Fail(std::string(what) + " has a polygon with fewer than 3 corners");
        for (uint32_t i = 0; i < size; ++i) {
            uint32_t index = 0;
            if (!ReadUnsigned(index, "an index")) return false;
            if (index >= indexLimit) return Fail(std::string(what) + " index out of range");
            indices.push_back(index);
        }
    }
    return true;
}

bool XFileParser::OpenObject(std::string& type, std::string& name) {
    type = tokens_.Text();  // the caller has just read the type name
    name.clear();
    if (tokens_.Peek() == XToken::Name) {
        tokens_.Next();
        name = tokens_.Text();
    }
    if (!Expect(XToken::OpenBrace, "'{' to open an object")) return false;
    if (tokens_.Peek() == XToken::Guid) tokens_.Next();
    return true;
}

bool XFileParser::SkipRestOfObject() {
    for (int depth = 1; depth > 0;) {
        switch (tokens_.Next()) {
            case XToken::OpenBrace:
                ++depth;
                break;
            case XToken::CloseBrace:
                --depth;
                break;
            case XToken::End:
                return Fail("file ends inside an object");
            case XToken::Error:
                return Fail(tokens_.ErrorMessage());
            default:
                break;
        }
    }
    return true;
}

bool XFileParser::SkipTemplate() {
    return Expect(XToken::Name, "a template name") &&
           Expect(XToken::OpenBrace, "'{' to open a template") && SkipRestOfObject();
}

template <typename OnChild, typename OnReference>
bool XFileParser::ParseChildren(OnChild child, OnReference reference) {
    for (;;) {
        switch (tokens_.Next()) {
            case XToken::CloseBrace:
                return true;
            case XToken::Separator:
                break;
            case XToken::OpenBrace: {
                if (!Expect(XToken::Name, "a name in a reference")) return false;
                const std::string target = tokens_.Text();
                if (tokens_.Peek() == XToken::Guid) tokens_.Next();
                if (!Expect(XToken::CloseBrace, "'}' to close a reference") || !reference(target))
                    return false;
                break;
            }
            case XToken::Name: {
                std::string type, name;
                if (!OpenObject(type, name) || !child(type, name)) return false;
                break;
            }
            case XToken::End:
                return Fail("file ends inside an object");
            case XToken::Error:
                return Fail(tokens_.ErrorMessage());
            default:
                return Fail("unexpected data in an object");
        }
    }
}

bool XFileParser::ParseFile() {
    for (;;) {
        switch (tokens_.Next()) {
            case XToken::End:
                return true;
            case XToken::Error:
                return Fail(tokens_.ErrorMessage());
            case XToken::OpenBrace:  // a reference names an object elsewhere and adds nothing
                if (!SkipRestOfObject()) return false;
                break;
            case XToken::Punctuation:
                if (tokens_.Text() != "template") return Fail("unexpected token at top level");
                if (!SkipTemplate()) return false;
                break;
            case XToken::Name: {
                if (tokens_.Text() == "template") {
                    if (!SkipTemplate()) return false;
                    break;
                }
                std::string type, name;
                if (!OpenObject(type, name) || !ParseTopLevelObject(type, name, 0)) return false;
                break;
            }
            default:
                return Fail("unexpected token at top level");
        }
    }
}

bool XFileParser::ParseTopLevelObject(const std::string& type, const std::string& name, int depth) {
    if (SameName(type, "Frame")) return ParseFrame(depth + 1);
    if (SameName(type, "Mesh")) return ParseMesh();
    if (SameName(type, "Material")) {
        MeshMaterial material;
        return ParseMaterial(name, material);
    }
    return SkipRestOfObject();
}

bool XFileParser::ParseFrame(int depth) {
    if (depth > kMaxNesting) return Fail("frames are nested too deeply");
    const size_t firstVertex = out_.mesh.vertices.size();
    D3DMATRIX local = MatrixIdentity();
    const bool ok = ParseChildren(
        [&](const std::string& type, const std::string& name) {
            if (SameName(type, "FrameTransformMatrix")) return ParseMatrix(local);
            return ParseTopLevelObject(type, name, depth);
        },
        [](const std::string&) { return true; });  // frames may name other frames; no geometry
    // Children were placed in this frame's space; this frame's matrix takes them to the parent's.
    if (ok) TransformSince(firstVertex, local);
    return ok;
}

bool XFileParser::ParseMatrix(D3DMATRIX& m) {
    for (auto& row : m.m) {
        for (float& value : row) {
            if (!ReadFloat(value, "a matrix element")) return false;
        }
    }
    return SkipRestOfObject();
}

bool XFileParser::ParseMesh() {
    RawMesh mesh;
    uint32_t count = 0;
    if (!ReadCount(count, 3, "vertex count")) return false;
    mesh.positions.resize(count);
    for (D3DVECTOR& p : mesh.positions) {
        if (!ReadVector(p)) return false;
    }
    if (!ReadPolygons(mesh.polygonSizes, mesh.polygonIndices, count, "mesh faces")) return false;
    const bool ok = ParseChildren(
        [&](const std::string& type, const std::string&) {
            if (SameName(type, "MeshNormals")) return ParseNormals(mesh);
            if (SameName(type, "MeshTextureCoords")) return ParseTexCoords(mesh);
            if (SameName(type, "MeshMaterialList")) return ParseMaterialList(mesh);
            return SkipRestOfObject();  // vertex colours, skin weights, ...: not part of our vertex
        },
        [](const std::string&) { return true; });
    if (!ok) return false;
    AppendMesh(mesh);
    return true;
}

bool XFileParser::ParseNormals(RawMesh& mesh) {
    uint32_t count = 0;
    if (!ReadCount(count, 3, "normal count")) return false;
    mesh.normals.resize(count);
    for (D3DVECTOR& n : mesh.normals) {
        if (!ReadVector(n)) return false;
    }
    if (!ReadPolygons(mesh.normalPolygonSizes, mesh.normalIndices, count, "normal faces"))
        return false;
    if (mesh.normalPolygonSizes != mesh.polygonSizes) {
        return Fail("normal faces do not match the mesh faces");
    }
    return SkipRestOfObject();
}

bool XFileParser::ParseTexCoords(RawMesh& mesh) {
    uint32_t count = 0;
    if (!ReadCount(count, 2, "texture coordinate count")) return false;
    if (count < mesh.positions.size()) {
        return Fail("fewer texture coordinates than vertices");
    }
    mesh.texCoords.resize(size_t{count} * 2);
    for (float& value : mesh.texCoords) {
        if (!ReadFloat(value, "a texture coordinate")) return false;
    }
    return SkipRestOfObject();
}

bool XFileParser::ParseMaterialList(RawMesh& mesh) {
    uint32_t materialCount = 0, faceCount = 0;
    if (!ReadCount(materialCount, 1, "material count") ||
        !ReadCount(faceCount, 1, "material face count")) {
        return false;
    }
    mesh.polygonMaterials.resize(faceCount);
    for (uint32_t& index : mesh.polygonMaterials) {
        if (!ReadUnsigned(index, "a material index")) return false;
        if (index >= materialCount) return Fail("material index out of range");
    }
    mesh.hasMaterialList = true;
    mesh.materials.clear();
    const bool ok = ParseChildren(
        [&](const std::string& type, const std::string& name) {
            if (!SameName(type, "Material")) return SkipRestOfObject();
            mesh.materials.emplace_back();
            return ParseMaterial(name, mesh.materials.back());
        },
        [&](const std::string& target) {
            const auto found = namedMaterials_.find(target);
            if (found == namedMaterials_.end()) return Fail("unknown material '" + target + "'");
            mesh.materials.push_back(found->second);
            return true;
        });
    if (!ok) return false;
    if (mesh.materials.size() < materialCount) return Fail("material list lacks materials");
    mesh.materials.resize(materialCount);
    return true;
}

bool XFileParser::ParseMaterial(const std::string& name, MeshMaterial& material) {
    for (float& value : material.diffuse) {
        if (!ReadFloat(value, "a material colour")) return false;
    }
    if (!ReadFloat(material.power, "a material power")) return false;
    for (float& value : material.specular) {
        if (!ReadFloat(value, "a material colour")) return false;
    }
    for (float& value : material.emissive) {
        if (!ReadFloat(value, "a material colour")) return false;
    }
    const bool ok = ParseChildren(
        [&](const std::string& type, const std::string&) {
            if (SameName(type, "TextureFilename")) return ParseTextureFilename(material);
            return SkipRestOfObject();
        },
        [](const std::string&) { return true; });
    if (ok && !name.empty()) namedMaterials_[name] = material;
    return ok;
}

bool XFileParser::ParseTextureFilename(MeshMaterial& material) {
    if (!SkipSeparators() || !Expect(XToken::String, "a texture file name")) return false;
    material.textureFile = tokens_.Text();
    return SkipRestOfObject();
}

void XFileParser::AppendMesh(const RawMesh& raw) {
    const bool hasNormals = !raw.normals.empty();
    const bool hasTexCoords = !raw.texCoords.empty();
    const uint32_t firstMaterial = static_cast<uint32_t>(out_.materials.size());
    const size_t firstVertex = out_.mesh.vertices.size();
    const size_t firstFace = out_.mesh.FaceCount();
    if (!raw.materials.empty()) {
        out_.materials.insert(out_.materials.end(), raw.materials.begin(), raw.materials.end());
    } else {
        out_.materials.emplace_back();  // one plain white material for the whole mesh
    }
    // A vertex is one position with one normal; positions used with several normals are split.
    std::unordered_map<uint64_t, uint32_t> vertexOf;
    auto vertexFor = [&](uint32_t position, uint32_t normal) {
        const uint64_t key = uint64_t{position} << 32 | normal;
        const auto [it, added] =
            vertexOf.try_emplace(key, static_cast<uint32_t>(out_.mesh.vertices.size()));
        if (added) {
            const D3DVECTOR& p = raw.positions[position];
            const D3DVECTOR n = hasNormals ? raw.normals[normal] : D3DVECTOR{0, 0, 0};
            const float u = hasTexCoords ? raw.texCoords[2 * position] : 0;
            const float v = hasTexCoords ? raw.texCoords[2 * position + 1] : 0;
            out_.mesh.vertices.push_back({p.x, p.y, p.z, n.x, n.y, n.z, u, v});
        }
        return it->second;
    };
    size_t corner = 0;
    for (size_t polygon = 0; polygon < raw.polygonSizes.size(); ++polygon) {
        const uint32_t size = raw.polygonSizes[polygon];
        // Faces beyond the material list's take its last entry.
        uint32_t material = 0;
        if (!raw.polygonMaterials.empty()) {
            material = raw.polygonMaterials[std::min(polygon, raw.polygonMaterials.size() - 1)];
        }
        uint32_t corners[3];
        for (uint32_t k = 0; k < size; ++k) {
            const uint32_t vertex = vertexFor(raw.polygonIndices[corner + k],
                                              hasNormals ? raw.normalIndices[corner + k] : 0);
            if (k < 2) {
                corners[k] = vertex;
                continue;
            }
            corners[2] = vertex;
            out_.mesh.indices.insert(out_.mesh.indices.end(), corners, corners + 3);
            out_.mesh.attributes.push_back(firstMaterial + material);
            corners[1] = vertex;  // fan around the polygon's first corner
        }
        corner += size;
    }
    if (!hasNormals) SmoothNormalsSince(firstVertex, firstFace);
}

void XFileParser::SmoothNormalsSince(size_t firstVertex, size_t firstFace) {
    std::vector<MeshVertex>& vertices = out_.mesh.vertices;
    for (size_t f = firstFace; f < out_.mesh.FaceCount(); ++f) {
        MeshVertex* corner[3];
        for (int k = 0; k < 3; ++k) corner[k] = &vertices[out_.mesh.indices[3 * f + k]];
        const float e1[3] = {corner[1]->x - corner[0]->x, corner[1]->y - corner[0]->y,
                             corner[1]->z - corner[0]->z};
        const float e2[3] = {corner[2]->x - corner[0]->x, corner[2]->y - corner[0]->y,
                             corner[2]->z - corner[0]->z};
        // Area-weighted face normal, facing the side from which the corners run clockwise.
        const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                            e1[0] * e2[1] - e1[1] * e2[0]};
        for (MeshVertex* v : corner) v->nx += n[0], v->ny += n[1], v->nz += n[2];
    }
    for (size_t i = firstVertex; i < vertices.size(); ++i) {
        MeshVertex& v = vertices[i];
        const float length = std::sqrt(v.nx * v.nx + v.ny * v.ny + v.nz * v.nz);
        const float scale = length > 0 ? 1 / length : 0;
        v.nx *= scale, v.ny *= scale, v.nz *= scale;
    }
}

void XFileParser::TransformSince(size_t firstVertex, const D3DMATRIX& m) {
    // Normals go through the inverse transpose of the upper 3 x 3, i.e. its cofactor matrix over
    // the determinant; its sign is all that matters before renormalising.
    const auto& a = m.m;
    const float cof[3][3] = {
        {a[1][1] * a[2][2] - a[1][2] * a[2][1], a[1][2] * a[2][0] - a[1][0] * a[2][2],
         a[1][0] * a[2][1] - a[1][1] * a[2][0]},
        {a[0][2] * a[2][1] - a[0][1] * a[2][2], a[0][0] * a[2][2] - a[0][2] * a[2][0],
         a[0][1] * a[2][0] - a[0][0] * a[2][1]},
        {a[0][1] * a[1][2] - a[0][2] * a[1][1], a[0][2] * a[1][0] - a[0][0] * a[1][2],
         a[0][0] * a[1][1] - a[0][1] * a[1][0]},
    };
    const float det = a[0][0] * cof[0][0] + a[0][1] * cof[0][1] + a[0][2] * cof[0][2];
    const float sign = det < 0 ? -1.0f : 1.0f;
    for (size_t i = firstVertex; i < out_.mesh.vertices.size(); ++i) {
        MeshVertex& v = out_.mesh.vertices[i];
        const D3DVECTOR p = TransformCoord({v.x, v.y, v.z}, m);
        v.x = p.x, v.y = p.y, v.z = p.z;
        float n[3];
        for (int c = 0; c < 3; ++c) {
            n[c] = sign * (v.nx * cof[0][c] + v.ny * cof[1][c] + v.nz * cof[2][c]);
        }
        const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        const float scale = length > 0 ? 1 / length : 0;
        v.nx = n[0] * scale, v.ny = n[1] * scale, v.nz = n[2] * scale;
    }
}

bool ParseHeader(std::span<const uint8_t> bytes, bool& binary, bool& compressed, bool& doubles,
                 std::string& error) {
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), "xof ", 4) != 0) {
        error = "not an X file";
        return false;
    }
    const auto field = [&](size_t at, const char* text) {
        return std::memcmp(bytes.data() + at, text, 4) == 0;
    };
    if (!field(4, "0302") && !field(4, "0303")) {
        error = "unsupported X file version";
        return false;
    }
    binary = field(8, "bin ") || field(8, "bzip");
    compressed = field(8, "tzip") || field(8, "bzip");
    if (!binary && !compressed && !field(8, "txt ")) {
        error = "unknown X file format";
        return false;
    }
    doubles = field(12, "0064");
    if (!doubles && !field(12, "0032")) {
        error = "unsupported X file float size";
        return false;
    }
    return true;
}

}  // namespace

bool ReadXFile(std::span<const uint8_t> bytes, XFileContents& contents, std::string& error) {
    contents = XFileContents{};
    bool binary = false, compressed = false, doubles = false;
    if (!ParseHeader(bytes, binary, compressed, doubles, error)) return false;
    std::vector<uint8_t> inflated;
    std::span<const uint8_t> body = bytes.subspan(kHeaderSize);
    if (compressed) {
        if (!InflateMsZip(body, inflated, error)) return false;
        body = inflated;
    }
    XTokenizer tokens(body, binary, doubles);
    XFileParser parser(tokens, contents);
    if (!parser.ParseFile()) {
        error = "X file: " + parser.Error();
        contents = XFileContents{};
        return false;
    }
    // Faces with a repeated corner draw nothing and are dropped when the mesh is optimised; a
    // mesh made only of them would end up with no buffers at all.
    const std::vector<uint32_t>& indices = contents.mesh.indices;
    bool drawable = false;
    for (size_t i = 0; i + 2 < indices.size() && !drawable; i += 3) {
        drawable = indices[i] != indices[i + 1] && indices[i + 1] != indices[i + 2] &&
                   indices[i] != indices[i + 2];
    }
    if (!drawable) {
        error = contents.mesh.FaceCount() == 0 ? "X file holds no mesh faces"
                                               : "X file holds only degenerate faces";
        contents = XFileContents{};
        return false;
    }
    return true;
}

}  // namespace tavrin
