#include "platform/PngWriter.h"

#include "platform/Files.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace platform {

bool WritePng(const std::string& nativePath, const uint32_t* argb, int width, int height, int pitchInPixels,
              std::string* error) {
    auto fail = [&](const char* reason) {
        if (error) *error = reason;
        return false;
    };
    if (!argb || width <= 0 || height <= 0 || pitchInPixels < width) return fail("no frame to write");
    // Opened at the file-system boundary: a pipe or a device at the path is
    // refused instead of waited on. A file there is replaced by a new one,
    // never written through a link (symbolic or hard) to another file.
    RemoveForReplacing(nativePath);
    const int fd = OpenRegularFile(nativePath, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW);
    std::FILE* file = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (!file) {
        if (fd >= 0) close(fd);
        return fail("cannot create the file");
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(file);
        return fail("out of memory");
    }
    // Built before the jump point so that no destructor is skipped by longjmp.
    std::vector<png_byte> row(size_t(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return fail("libpng failed to write the image");
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = argb + size_t(y) * size_t(pitchInPixels);
        for (int x = 0; x < width; ++x) {
            row[size_t(x) * 3 + 0] = png_byte(src[x] >> 16);
            row[size_t(x) * 3 + 1] = png_byte(src[x] >> 8);
            row[size_t(x) * 3 + 2] = png_byte(src[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    bool closed = std::fclose(file) == 0;
    return closed ? true : fail("cannot finish writing the file");
}

} // namespace platform
