// Loads a picture carried as a resource of the program's own module and hands
// it out as a 24-bit DIB section, its alpha blended away (image_decode.h).
#pragma once

#include <windows.h>

#include "updater/ui/image_decode.h"

namespace zefo::win32 {

struct LoadedBitmap {
  HBITMAP bitmap;  // null when nothing was loaded; the caller owns it
  int width;       // 0 when nothing was loaded
  int height;
};

class ImageLoader {
 public:
  // Type codes of Load and the resource type names they look up.
  static constexpr int kBitmap = 1;  // "BITMAP"
  static constexpr int kGif = 2;     // "GIF"
  static constexpr int kJpeg = 3;    // "JPG"
  static constexpr int kPng = 4;     // "PNG"

  virtual ~ImageLoader();

  // Finds picture `resourceId` of the type named by `typeCode` in the
  // program's module and decodes it. Only PNG has a decoder; anything that
  // is missing or does not decode leaves the loader empty.
  ImageLoader& Load(WORD resourceId, int typeCode);
  // The picture as a DIB section (then the loader is empty again); a null
  // bitmap and 0 x 0 when nothing is loaded.
  LoadedBitmap TakeBitmap();

 private:
  DecodedImage image_;
  bool ready_ = false;
};

}  // namespace zefo::win32
