#include "gfxutil/image.h"

#include "gfxutil/image_codecs.h"

namespace tavrin {

const char* ImageFormatName(ImageFormat format) {
    switch (format) {
        case ImageFormat::Bmp:
            return "BMP";
        case ImageFormat::Tga:
            return "TGA";
        case ImageFormat::Jpeg:
            return "JPEG";
        case ImageFormat::Png:
            return "PNG";
        case ImageFormat::Dds:
            return "DDS";
    }
    return "?";
}

bool CheckImageSize(uint64_t width, uint64_t height, std::string& error) {
    if (width == 0 || height == 0) {
        error = "image has no pixels";
        return false;
    }
    if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels) {
        error = "image size " + std::to_string(width) + " x " + std::to_string(height) +
                " is beyond the supported limit";
        return false;
    }
    return true;
}

bool AllocateImage(Image& image, uint64_t width, uint64_t height, std::string& error,
                   uint32_t fill) {
    if (!CheckImageSize(width, height, error)) return false;
    image.width = static_cast<uint32_t>(width);
    image.height = static_cast<uint32_t>(height);
    image.pixels.assign(width * height, fill);
    return true;
}

bool DecodeImage(std::span<const uint8_t> bytes, Image& image, std::string& error) {
    image = Image{};
    if (bytes.empty()) {
        error = "empty image file";
        return false;
    }
    struct Codec {
        ImageFormat format;
        bool (*recognise)(std::span<const uint8_t>);
        bool (*decode)(std::span<const uint8_t>, Image&, std::string&);
    };
    static constexpr Codec kSigned[] = {
        {ImageFormat::Bmp, IsBmp, DecodeBmp},
        {ImageFormat::Jpeg, IsJpeg, DecodeJpeg},
        {ImageFormat::Png, IsPng, DecodePng},
        {ImageFormat::Dds, IsDds, DecodeDds},
    };
    for (const Codec& codec : kSigned) {
        if (codec.recognise(bytes)) {
            image.format = codec.format;
            return codec.decode(bytes, image, error);
        }
    }
    // TGA files carry no signature: whatever is left is tried as one, and its header checks decide.
    image.format = ImageFormat::Tga;
    return DecodeTga(bytes, image, error);
}

}  // namespace tavrin
