#include "app/logo/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace corvane::app {
namespace {

// libjpeg's own error handler ends the process; this one jumps back to the
// decoder instead, keeping the message.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf return_point;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpBack(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->return_point, 1);
}

// Everything between setjmp and a possible longjmp lives here, with no
// object that has a destructor: jumping over one would be undefined.
// `pixels` is sized by the caller once the header is known.
bool RunDecoder(jpeg_decompress_struct& info, ErrorManager& errors, const std::uint8_t* data,
                std::size_t size, std::vector<std::uint8_t>& pixels, int& width, int& height) {
  if (setjmp(errors.return_point) != 0) return false;
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  if (info.image_width == 0 || info.image_height == 0 ||
      info.image_width > static_cast<JDIMENSION>(kMaxImageSide) ||
      info.image_height > static_cast<JDIMENSION>(kMaxImageSide)) {
    std::snprintf(errors.message, sizeof errors.message, "unsupported size %ux%u",
                  static_cast<unsigned>(info.image_width),
                  static_cast<unsigned>(info.image_height));
    return false;
  }
#ifdef JCS_EXTENSIONS
  info.out_color_space = JCS_EXT_BGRX;  // the DIB layout, straight from the decoder
#else
#error "libjpeg-turbo's colour space extensions are needed"
#endif
  jpeg_start_decompress(&info);
  width = static_cast<int>(info.output_width);
  height = static_cast<int>(info.output_height);
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  pixels.resize(stride * static_cast<std::size_t>(height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels.data() + stride * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, DecodedImage& image,
                std::string& error) {
  if (data == nullptr || size == 0) {
    error = "no data";
    return false;
  }
  // jpeg_mem_src takes an unsigned long, which is 32 bits on Windows.
  if (size > 0xFFFFFFFFu) {
    error = "too large";
    return false;
  }
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = &JumpBack;
  std::vector<std::uint8_t> pixels;
  int width = 0;
  int height = 0;
  jpeg_create_decompress(&info);
  // The pixel buffer may throw std::bad_alloc out of RunDecoder; the
  // decoder's memory must be released on that way out as well.
  bool decoded = false;
  try {
    decoded = RunDecoder(info, errors, data, size, pixels, width, height);
  } catch (...) {
    jpeg_destroy_decompress(&info);
    throw;
  }
  jpeg_destroy_decompress(&info);
  if (!decoded) {
    error = errors.message[0] != '\0' ? errors.message : "not a JPEG picture";
    return false;
  }
  image.width = width;
  image.height = height;
  image.bgrx = std::move(pixels);
  return true;
}

}  // namespace corvane::app
