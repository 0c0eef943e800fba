#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "lib/jpeg_writer.h"

namespace tavrin::forge {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const Canvas& image, int quality) {
    // Everything libjpeg touches after setjmp lives outside this frame's locals that could be
    // clobbered by longjmp: the state is in 'job', the rows are rebuilt per scanline.
    jpeg_compress_struct job{};
    ErrorManager errors{};
    job.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnJpegError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<JSAMPLE> row(size_t(image.width) * 3);
    if (setjmp(errors.escape) != 0) {
        jpeg_destroy_compress(&job);
        std::free(buffer);
        return {};
    }
    jpeg_create_compress(&job);
    jpeg_mem_dest(&job, &buffer, &size);
    job.image_width = static_cast<JDIMENSION>(image.width);
    job.image_height = static_cast<JDIMENSION>(image.height);
    job.input_components = 3;
    job.in_color_space = JCS_RGB;
    jpeg_set_defaults(&job);
    jpeg_set_quality(&job, quality, TRUE);
    job.dct_method = JDCT_ISLOW;  // exact integer transform: identical bytes on every machine
    for (int c = 0; c < job.num_components; ++c) {
        job.comp_info[c].h_samp_factor = 1;
        job.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&job, TRUE);
    while (job.next_scanline < job.image_height) {
        const int y = static_cast<int>(job.next_scanline);
        for (int x = 0; x < image.width; ++x) {
            const Rgba& p = image.At(x, y);
            row[size_t(x) * 3 + 0] = ToByte(p.r);
            row[size_t(x) * 3 + 1] = ToByte(p.g);
            row[size_t(x) * 3 + 2] = ToByte(p.b);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&job, rows, 1);
    }
    jpeg_finish_compress(&job);
    jpeg_destroy_compress(&job);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

}  // namespace tavrin::forge
