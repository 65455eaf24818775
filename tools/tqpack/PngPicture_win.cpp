#include "PngPicture.h"

#include "writer/FrameEncoder.h"
#include "writer/MovieLayout.h"

#include <windows.h>
// The codecs' header needs the platform's first.
#include <wincodec.h>

#include <cstdio>

namespace NQuillo {

namespace {

// Owns one reference to a COM object.
template <class T> class TComPtr {
public:
  TComPtr() = default;
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  ~TComPtr() {
    if (Object) Object->Release();
  }
  T* operator->() const { return Object; }
  T* Get() const { return Object; }
  T** Out() { return &Object; }

private:
  T* Object = nullptr;
};

// COM for the calling thread while it lives, unless the thread already has it.
class TComScope {
public:
  TComScope() : Result(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;
  ~TComScope() {
    if (SUCCEEDED(Result)) CoUninitialize();
  }

private:
  const HRESULT Result;
};

void Check(HRESULT result, const std::string& name, const char* step) {
  if (FAILED(result)) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    throw TMovieError(name + ": cannot read PNG: " + step + " failed with " + code);
  }
}

struct TFormat {
  const GUID* Guid;
  TPngSamples::ELayout Layout;
  unsigned BitDepth;
  unsigned BitsPerPixel;
};

// The formats in which the PNG decoder hands out what a file stores.
const TFormat* FindFormat(const GUID& guid) {
  using E = TPngSamples::ELayout;
  static const TFormat formats[] = {
      {&GUID_WICPixelFormatBlackWhite, E::Grey, 1, 1},
      {&GUID_WICPixelFormat2bppGray, E::Grey, 2, 2},
      {&GUID_WICPixelFormat4bppGray, E::Grey, 4, 4},
      {&GUID_WICPixelFormat8bppGray, E::Grey, 8, 8},
      {&GUID_WICPixelFormat16bppGray, E::Grey, 16, 16},
      {&GUID_WICPixelFormat1bppIndexed, E::Indexed, 1, 1},
      {&GUID_WICPixelFormat2bppIndexed, E::Indexed, 2, 2},
      {&GUID_WICPixelFormat4bppIndexed, E::Indexed, 4, 4},
      {&GUID_WICPixelFormat8bppIndexed, E::Indexed, 8, 8},
      {&GUID_WICPixelFormat24bppBGR, E::Bgr, 8, 24},
      {&GUID_WICPixelFormat24bppRGB, E::Rgb, 8, 24},
      {&GUID_WICPixelFormat32bppBGR, E::Bgra, 8, 32},
      {&GUID_WICPixelFormat32bppBGRA, E::Bgra, 8, 32},
      {&GUID_WICPixelFormat32bppRGBA, E::Rgba, 8, 32},
      {&GUID_WICPixelFormat48bppRGB, E::Rgb, 16, 48},
      {&GUID_WICPixelFormat48bppBGR, E::Bgr, 16, 48},
      {&GUID_WICPixelFormat64bppRGBA, E::Rgba, 16, 64},
      {&GUID_WICPixelFormat64bppBGRA, E::Bgra, 16, 64},
  };
  for (const TFormat& format : formats)
    if (IsEqualGUID(*format.Guid, guid)) return &format;
  return nullptr;
}

TPngSamples GreyFromIndexed(const TPngSamples& indexed) {
  TPngSamples grey;
  grey.Layout = TPngSamples::ELayout::Grey;
  grey.Width = indexed.Width;
  grey.Height = indexed.Height;
  grey.Stride = static_cast<size_t>(indexed.Width);
  grey.Rows.resize(grey.Stride * static_cast<size_t>(indexed.Height));
  const TImage indices = PngImage(indexed, std::string());
  for (size_t i = 0; i < grey.Rows.size(); ++i)
    grey.Rows[i] = static_cast<uint8_t>(indices.Palette[indices.Pixels[i]]);
  return grey;
}

} // namespace

bool PngSupported() {
  return true;
}

TImage ReadPng(const std::vector<uint8_t>& bytes, const std::string& name) {
  if (bytes.size() > MAXDWORD) throw TMovieError(name + ": file too large");
  TComScope com;
  TComPtr<IWICImagingFactory> factory;
  Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out())),
        name, "creating the imaging factory");
  TComPtr<IWICStream> stream;
  Check(factory->CreateStream(stream.Out()), name, "creating a stream");
  // The stream only reads the bytes; it takes them without const.
  Check(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                     static_cast<DWORD>(bytes.size())),
        name, "opening the bytes");
  TComPtr<IWICBitmapDecoder> decoder;
  Check(factory->CreateDecoderFromStream(stream.Get(), &GUID_ContainerFormatPng,
                                         WICDecodeMetadataCacheOnDemand, decoder.Out()),
        name, "decoding");
  TComPtr<IWICBitmapFrameDecode> frame;
  Check(decoder->GetFrame(0, frame.Out()), name, "reading the picture");
  UINT width = 0, height = 0;
  Check(frame->GetSize(&width, &height), name, "reading the size");
  if (width == 0 || height == 0 || width > 65535 || height > 65535 ||
      uint64_t{width} * height > TFrameEncoder::MaxPixels)
    throw TMovieError(name + ": unsupported picture size " + std::to_string(width) + " x " +
                      std::to_string(height));
  WICPixelFormatGUID guid;
  Check(frame->GetPixelFormat(&guid), name, "reading the pixel format");
  const TFormat* format = FindFormat(guid);
  if (!format) throw TMovieError(name + ": cannot read PNG: a pixel format WIC gives unknown");

  TPngSamples samples;
  samples.Layout = format->Layout;
  samples.BitDepth = format->BitDepth;
  samples.LittleEndian16 = true;
  samples.Width = static_cast<int32_t>(width);
  samples.Height = static_cast<int32_t>(height);
  samples.Stride = (static_cast<size_t>(width) * format->BitsPerPixel + 7) / 8;
  samples.Rows.resize(samples.Stride * height);
  // The stored format, no conversion: the samples exactly as libpng gives them natively.
  Check(frame->CopyPixels(nullptr, static_cast<UINT>(samples.Stride),
                          static_cast<UINT>(samples.Rows.size()), samples.Rows.data()),
        name, "copying the pixels");
  if (format->Layout == TPngSamples::ELayout::Indexed) {
    TComPtr<IWICPalette> palette;
    Check(factory->CreatePalette(palette.Out()), name, "creating a palette");
    Check(frame->CopyPalette(palette.Get()), name, "reading the palette");
    UINT count = 0;
    Check(palette->GetColorCount(&count), name, "reading the palette");
    std::vector<WICColor> colours(count);
    UINT got = 0;
    if (count > 0)
      Check(palette->GetColors(count, colours.data(), &got), name, "reading the palette");
    for (UINT i = 0; i < got && i < count; ++i)
      samples.Palette.push_back(colours[i] & 0xFFFFFF);
  }
  // The decoder hands out grey with a transparent shade as an indexed picture of greys; the
  // file holds grey samples, and so does the picture.
  constexpr size_t ColourTypeAt = 8 + 8 + 9; // signature, IHDR length and type, 9 bytes in
  if (format->Layout == TPngSamples::ELayout::Indexed && bytes.size() > ColourTypeAt &&
      bytes[ColourTypeAt] == 0)
    samples = GreyFromIndexed(samples);
  return PngImage(samples, name);
}

} // namespace NQuillo
