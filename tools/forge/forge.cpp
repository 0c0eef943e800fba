#include "forge.h"

#include <functional>
#include <future>

#include "archive/zip_writer.h"
#include "lib/bmp_tga_writers.h"
#include "lib/jpeg_writer.h"
#include "lib/x_writer.h"
#include "models/football_mesh.h"
#include "models/stadium_mesh.h"
#include "models/trophy_mesh.h"
#include "pictures/flare.h"
#include "pictures/sky_box.h"
#include "pictures/sphere_maps.h"
#include "pictures/title_art.h"
#include "soundtrack/soundtrack.h"
#include "text/scroller_text.h"

namespace tavrin::forge {
namespace {

constexpr int kJpegQuality = 92;
constexpr int kSkyFaceSize = 512;

using Maker = std::function<std::vector<ForgedEntry>()>;

std::vector<ForgedEntry> Single(std::string name, std::vector<uint8_t> bytes) {
    std::vector<ForgedEntry> out;
    out.push_back({std::move(name), std::move(bytes)});
    return out;
}

std::vector<ForgedEntry> MeshEntries(const MeshAsset& asset) {
    std::vector<ForgedEntry> out = Single(asset.file, WriteXFile(asset.mesh));
    for (const MeshTexture& texture : asset.textures) {
        out.push_back({texture.file, texture.alpha ? EncodeTga(texture.image)
                                                   : EncodeJpeg(texture.image, kJpegQuality)});
    }
    return out;
}

std::vector<Maker> Makers() {
    std::vector<Maker> makers{
        [] { return Single("BlueEnv.bmp", EncodeBmp(MakeBlueEnv())); },
        [] { return Single("FussballEnv.tga", EncodeTga(MakeStadiumEnv())); },
        [] { return Single("Outline_Bunt.tga", EncodeTga(MakeTitleArt())); },
        [] { return Single("Flare.bmp", EncodeBmp(MakeFlare())); },
        [] { return Single("SphereBump.bmp", EncodeBmp(MakeSphereBump())); },
        [] { return MeshEntries(MakeStadium()); },
        [] { return MeshEntries(MakeFootball()); },
        [] { return MeshEntries(MakeTrophy()); },
        [] { return Single("Scrollertext.txt", ScrollerText()); },
        [] { return Single("KVB.xm", WriteXm(ComposeSoundtrack())); },
    };
    for (const SkyFace& face : kSkyFaces) {
        makers.push_back([&face] {
            return Single(face.file, EncodeJpeg(MakeSkyFace(face, kSkyFaceSize), kJpegQuality));
        });
    }
    return makers;
}

}  // namespace

std::vector<ForgedEntry> ForgeEntries() {
    // Entries are independent, so they are made in parallel and gathered in a fixed order.
    std::vector<std::future<std::vector<ForgedEntry>>> pending;
    for (Maker& maker : Makers()) pending.push_back(std::async(std::launch::async, maker));
    std::vector<ForgedEntry> entries;
    for (auto& future : pending) {
        for (ForgedEntry& entry : future.get()) entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<uint8_t> AssembleArchive(const std::vector<ForgedEntry>& entries) {
    ZipWriter writer;
    for (const ForgedEntry& entry : entries) {
        if (entry.bytes.empty() || !writer.Add(entry.name, entry.bytes, ZipMethod::kSmallest)) {
            return {};
        }
    }
    writer.SetComment("Tavrin data");
    return writer.Finish();
}

}  // namespace tavrin::forge
