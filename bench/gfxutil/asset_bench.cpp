// X-file parse throughput (text, binary, compressed) and decode time per image format, each
// against copying the same bytes with memcpy, measured in the same run.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gfxutil/image.h"
#include "gfxutil/mesh_optimize.h"
#include "gfxutil/xfile_reader.h"
#include "gfxutil_assets/byte_writer.h"
#include "gfxutil_assets/xfile_writer.h"

namespace {

using tavrin::testing::ByteWriter;
using tavrin::testing::XWriter;

// Mean seconds per call, over at least a quarter of a second of calls.
double SecondsPerCall(const std::function<void()>& call) {
    using Clock = std::chrono::steady_clock;
    call();  // warm caches and allocators
    size_t calls = 0;
    const auto start = Clock::now();
    std::chrono::duration<double> elapsed{};
    do {
        call();
        ++calls;
        elapsed = Clock::now() - start;
    } while (elapsed.count() < 0.25);
    return elapsed.count() / static_cast<double>(calls);
}

double CopySeconds(size_t bytes) {
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    return SecondsPerCall([&] {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    });
}

// A grid of side x side quads with normals, texture coordinates and two materials.
XWriter Grid(uint32_t side) {
    XWriter x;
    const uint32_t row = side + 1;
    x.Object("Mesh", "Grid").Ints({row * row});
    for (uint32_t i = 0; i < row * row; ++i) {
        x.Floats({(i % row) * 0.1, std::sin(i * 0.01) * 0.5, (i / row) * 0.1});
    }
    x.Ints({side * side});
    for (uint32_t q = 0; q < side * side; ++q) {
        const uint32_t c = q / side * row + q % side;
        x.Ints({4, c, c + row, c + row + 1, c + 1});
    }
    x.Object("MeshNormals").Ints({row * row});
    for (uint32_t i = 0; i < row * row; ++i) x.Floats({0.0, 1.0, 0.0});
    x.Ints({side * side});
    for (uint32_t q = 0; q < side * side; ++q) {
        const uint32_t c = q / side * row + q % side;
        x.Ints({4, c, c + row, c + row + 1, c + 1});
    }
    x.Close();
    x.Object("MeshTextureCoords").Ints({row * row});
    for (uint32_t i = 0; i < row * row; ++i)
        x.Floats({(i % row) / double(side), (i / row) / double(side)});
    x.Close();
    std::vector<uint32_t> materials(side * side);
    for (uint32_t q = 0; q < side * side; ++q) materials[q] = (q / side) % 2;
    x.Object("MeshMaterialList").Ints({2}).Ints({side * side}).Ints(materials);
    for (int m = 0; m < 2; ++m) {
        x.Object("Material")
            .Floats({1, 0.5, 0.25, 1})
            .Floats({4})
            .Floats({1, 1, 1})
            .Floats({0, 0, 0});
        x.Close();
    }
    x.Close().Close();
    return x;
}

void ReportX(const char* label, const std::vector<uint8_t>& file, double copy) {
    const double seconds = SecondsPerCall([&] {
        tavrin::XFileContents contents;
        std::string error;
        if (!tavrin::ReadXFile(file, contents, error)) std::abort();
        benchmark::DoNotOptimize(contents.mesh.vertices.data());
    });
    std::printf("  %-22s %8.1f KiB  %8.1f MB/s  %7.1f x the time of memcpy\n", label,
                file.size() / 1024.0, file.size() / seconds / 1e6, seconds / copy);
}

// ---- Images, 512 x 512 ------------------------------------------------------------------------

constexpr uint32_t kSide = 512;

uint32_t Texel(uint32_t x, uint32_t y) {
    return 0xFF000000u | ((x * 255 / kSide) << 16) | ((y * 255 / kSide) << 8) | ((x ^ y) & 0xFF);
}

std::vector<uint8_t> Bmp24() {
    ByteWriter w;
    w.Text("BM").U32(54 + kSide * kSide * 3).U32(0).U32(54);
    w.U32(40).U32(kSide).U32(kSide).U16(1).U16(24).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) {
            const uint32_t t = Texel(x, y);
            w.U8(t).U8(t >> 8).U8(t >> 16);
        }
    }
    return w.Bytes();
}

std::vector<uint8_t> TgaRle32() {
    ByteWriter w;
    w.U8(0).U8(0).U8(10).Zeros(9).U16(kSide).U16(kSide).U8(32).U8(0x28);
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; x += 4) {  // runs of four equal pixels
            w.U8(0x83).U32(Texel(x, y));
        }
    }
    return w.Bytes();
}

std::vector<uint8_t> Png() {
    std::vector<uint32_t> pixels;
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) pixels.push_back(Texel(x, y));
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = image.height = kSide;
    image.format = PNG_FORMAT_BGRA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr);
    out.resize(size);
    return out;
}

std::vector<uint8_t> Jpeg(bool progressive) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = info.image_height = kSide;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(kSide * 3);
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) {
            const uint32_t t = Texel(x, y);
            row[3 * x] = uint8_t(t >> 16), row[3 * x + 1] = uint8_t(t >> 8),
                    row[3 * x + 2] = uint8_t(t);
        }
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

std::vector<uint8_t> DdsDxt5() {
    ByteWriter w;
    w.Text("DDS ").U32(124).U32(0x81007).U32(kSide).U32(kSide).U32(kSide * kSide).U32(0).U32(1);
    w.Zeros(44).U32(32).U32(4).Text("DXT5").Zeros(20).U32(0x1000).Zeros(16);
    for (uint32_t block = 0; block < kSide * kSide / 16; ++block) {
        w.U8(255).U8(block & 0xFF).U32(block * 2654435761u).U16(block);
        w.U16(0xF81F ^ block).U16(block).U32(block * 40503u);
    }
    return w.Bytes();
}

}  // namespace

int main() {
    std::printf("X-file parsing: 160 x 160 quads with normals, texture coordinates, materials\n");
    const XWriter grid = Grid(160);
    const std::vector<uint8_t> text = grid.Text(), binary = grid.Binary();
    const struct {
        const char* label;
        std::vector<uint8_t> file;
    } xFiles[] = {
        {"text", text},
        {"binary (32-bit floats)", binary},
        {"binary (64-bit floats)", grid.Binary(true)},
        {"text, MSZIP", XWriter::Compress(text)},
        {"binary, MSZIP", XWriter::Compress(binary)},
    };
    for (const auto& x : xFiles) ReportX(x.label, x.file, CopySeconds(x.file.size()));

    tavrin::XFileContents contents;
    std::string error;
    tavrin::ReadXFile(binary, contents, error);
    const double optimise = SecondsPerCall([&] {
        tavrin::MeshData mesh = contents.mesh;
        tavrin::OptimizeMesh(
            mesh, tavrin::kMeshOptCompact | tavrin::kMeshOptAttrSort | tavrin::kMeshOptVertexCache);
        benchmark::DoNotOptimize(mesh.indices.data());
    });
    std::printf("  optimising the grid (%zu faces): %.2f ms\n", contents.mesh.FaceCount(),
                optimise * 1e3);

    std::printf("\nImage decoding, %u x %u, into A8R8G8B8\n", kSide, kSide);
    const double copy = CopySeconds(size_t{kSide} * kSide * 4);
    const struct {
        const char* label;
        std::vector<uint8_t> file;
    } images[] = {
        {"BMP 24-bit", Bmp24()},        {"TGA 32-bit RLE", TgaRle32()},   {"PNG RGBA", Png()},
        {"JPEG baseline", Jpeg(false)}, {"JPEG progressive", Jpeg(true)}, {"DDS DXT5", DdsDxt5()},
    };
    for (const auto& image : images) {
        const double seconds = SecondsPerCall([&] {
            tavrin::Image decoded;
            std::string reason;
            if (!tavrin::DecodeImage(image.file, decoded, reason)) std::abort();
            benchmark::DoNotOptimize(decoded.pixels.data());
        });
        std::printf("  %-18s %8.1f KiB  %7.3f ms  %7.1f x the time of copying the pixels\n",
                    image.label, image.file.size() / 1024.0, seconds * 1e3, seconds / copy);
    }
    return 0;
}
