#include "PngPicture.h"

#include "writer/FrameEncoder.h"
#include "writer/MovieLayout.h"

#ifdef QUILLO_WITH_PNG

#include <png.h>

#include <cstdio>
#include <cstring>

namespace NQuillo {

namespace {

// Everything libpng's callbacks touch. libpng reports errors by a long jump, so nothing with
// a destructor may live between its calls and the jump's target.
struct TPngInput {
  const uint8_t* Data;
  size_t Size;
  size_t At;
  char Error[256];
};

void ReadInput(png_structp png, png_bytep out, png_size_t size) {
  TPngInput& in = *static_cast<TPngInput*>(png_get_io_ptr(png));
  if (size > in.Size - in.At) png_error(png, "the file ends early");
  std::memcpy(out, in.Data + in.At, size);
  in.At += size;
}

void OnError(png_structp png, png_const_charp message) {
  TPngInput& in = *static_cast<TPngInput*>(png_get_error_ptr(png));
  std::snprintf(in.Error, sizeof in.Error, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Frees libpng's state however the read ends; the jump lands in the frame that owns it.
struct TPngReadState {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  TPngReadState(const TPngReadState&) = delete;
  TPngReadState& operator=(const TPngReadState&) = delete;
  explicit TPngReadState(TPngInput& in)
      : Png(png_create_read_struct(PNG_LIBPNG_VER_STRING, &in, OnError, OnWarning)),
        Info(Png ? png_create_info_struct(Png) : nullptr) {}
  ~TPngReadState() { png_destroy_read_struct(&Png, &Info, nullptr); }
};

TPngSamples::ELayout LayoutOf(int colourType) {
  switch (colourType) {
  case PNG_COLOR_TYPE_GRAY:
    return TPngSamples::ELayout::Grey;
  case PNG_COLOR_TYPE_GRAY_ALPHA:
    return TPngSamples::ELayout::GreyAlpha;
  case PNG_COLOR_TYPE_PALETTE:
    return TPngSamples::ELayout::Indexed;
  case PNG_COLOR_TYPE_RGB_ALPHA:
    return TPngSamples::ELayout::Rgba;
  default:
    return TPngSamples::ELayout::Rgb;
  }
}

// The samples as stored: no transformation is asked for but the undoing of interlacing.
// False with in.Error filled when libpng fails.
bool DecodeSamples(TPngInput& in, TPngSamples& out, std::vector<png_bytep>& rows) {
  TPngReadState state(in);
  if (!state.Info) {
    std::snprintf(in.Error, sizeof in.Error, "out of memory");
    return false;
  }
  if (setjmp(png_jmpbuf(state.Png))) return false;
  png_set_read_fn(state.Png, &in, ReadInput);
  png_set_user_limits(state.Png, 65535, 65535);
  png_read_info(state.Png, state.Info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colourType = 0, interlace = 0;
  png_get_IHDR(state.Png, state.Info, &width, &height, &depth, &colourType, &interlace, nullptr,
               nullptr);
  if (uint64_t{width} * height > TFrameEncoder::MaxPixels) {
    std::snprintf(in.Error, sizeof in.Error, "unsupported picture size %u x %u", width, height);
    return false;
  }
  if (interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(state.Png);
  png_read_update_info(state.Png, state.Info);
  out.Layout = LayoutOf(colourType);
  out.BitDepth = static_cast<unsigned>(depth);
  out.Width = static_cast<int32_t>(width);
  out.Height = static_cast<int32_t>(height);
  out.Stride = png_get_rowbytes(state.Png, state.Info);
  out.Rows.resize(out.Stride * height);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y)
    rows[y] = out.Rows.data() + out.Stride * y;
  png_colorp palette = nullptr;
  int entries = 0;
  if (colourType == PNG_COLOR_TYPE_PALETTE &&
      png_get_PLTE(state.Png, state.Info, &palette, &entries) == PNG_INFO_PLTE)
    for (int i = 0; i < entries; ++i)
      out.Palette.push_back(uint32_t{palette[i].red} << 16 | uint32_t{palette[i].green} << 8 |
                            palette[i].blue);
  png_read_image(state.Png, rows.data());
  return true;
}

} // namespace

bool PngSupported() {
  return true;
}

TImage ReadPng(const std::vector<uint8_t>& bytes, const std::string& name) {
  TPngInput in{bytes.data(), bytes.size(), 0, {}};
  TPngSamples samples;
  std::vector<png_bytep> rows;
  if (!DecodeSamples(in, samples, rows)) throw TMovieError(name + ": cannot read PNG: " + in.Error);
  return PngImage(samples, name);
}

} // namespace NQuillo

#else

namespace NQuillo {

bool PngSupported() {
  return false;
}

TImage ReadPng(const std::vector<uint8_t>&, const std::string& name) {
  throw TMovieError(name + ": this build of tqpack reads BMP pictures only");
}

} // namespace NQuillo

#endif
