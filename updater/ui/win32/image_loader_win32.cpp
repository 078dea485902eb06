#include "updater/ui/win32/image_loader_win32.h"

#include <cstring>

#include "updater/ui/win32/gdi_objects_win32.h"

namespace zefo::win32 {

namespace {

const wchar_t* ResourceTypeName(int typeCode) {
  switch (typeCode) {
    case ImageLoader::kBitmap: return L"BITMAP";
    case ImageLoader::kGif: return L"GIF";
    case ImageLoader::kJpeg: return L"JPG";
    case ImageLoader::kPng: return L"PNG";
    default: return nullptr;
  }
}

}  // namespace

ImageLoader::~ImageLoader() = default;

ImageLoader& ImageLoader::Load(WORD resourceId, int typeCode) {
  image_ = DecodedImage{};
  ready_ = false;
  const wchar_t* typeName = ResourceTypeName(typeCode);
  if (typeName == nullptr) return *this;
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(resourceId), typeName);
  if (resource == nullptr) return *this;
  const DWORD size = SizeofResource(nullptr, resource);
  HGLOBAL loaded = LoadResource(nullptr, resource);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return *this;
  // The program carries PNG pictures only; the other types have no decoder here.
  if (typeCode != kPng) return *this;
  ready_ = DecodePng(bytes, size, Rgb{}, image_);
  return *this;
}

LoadedBitmap ImageLoader::TakeBitmap() {
  LoadedBitmap result{nullptr, 0, 0};
  if (!ready_) return result;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image_.width;
  info.bmiHeader.biHeight = image_.height;  // bottom-up, as GDI prefers
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  MemoryDc screen(nullptr);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr && bits != nullptr) {
    const std::size_t rowBytes = static_cast<std::size_t>(image_.width) * 3;
    const std::size_t stride = (rowBytes + 3) & ~std::size_t{3};
    auto* target = static_cast<std::uint8_t*>(bits);
    for (int y = 0; y < image_.height; ++y) {
      std::memcpy(target + stride * static_cast<std::size_t>(image_.height - 1 - y),
                  &image_.bgr[rowBytes * static_cast<std::size_t>(y)], rowBytes);
    }
    result = {bitmap, image_.width, image_.height};
  }
  image_ = DecodedImage{};
  ready_ = false;
  return result;
}

}  // namespace zefo::win32
