// GIF through giflib: the first frame, through its colour map, with the
// transparent index as white. Read record by record, never slurped, so that
// no frame is allocated before its size has been checked.
#include <gif_lib.h>

#include <cstring>
#include <memory>

#include "image/bitmap_encoder.h"
#include "common/grey_levels.h"
#include "image/image_input.h"

namespace {

int read_from_file(GifFileType* gif, GifByteType* buf, int n) {
  return static_cast<int>(fread(buf, 1, static_cast<size_t>(n), static_cast<FILE*>(gif->UserData)));
}

struct gif_closer {
  void operator()(GifFileType* gif) const {
    int error;
    DGifCloseFile(gif, &error);
  }
};

int refuse(std::string* why, const std::string& text) {
  *why = "unreadable GIF (" + text + ")";
  return kBitmapBadImage;
}

int gif_failure(GifFileType* gif, std::string* why) {
  const char* text = GifErrorString(gif->Error);
  return refuse(why, text ? text : "giflib error");
}

// The rows of a frame in the order they are stored: interlaced frames in
// four passes.
unsigned stored_row(unsigned i, unsigned height, bool interlaced) {
  if (!interlaced) return i;
  static const unsigned start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    unsigned in_pass =
        start[pass] < height ? (height - start[pass] + step[pass] - 1) / step[pass] : 0;
    if (i < in_pass) return start[pass] + i * step[pass];
    i -= in_pass;
  }
  return 0;
}

}  // namespace

int read_gif(FILE* f, const fit_check& fits, grey_image* image, std::string* why) {
  int error = 0;
  std::unique_ptr<GifFileType, gif_closer> gif(DGifOpen(f, read_from_file, &error));
  if (!gif) {
    const char* text = GifErrorString(error);
    return refuse(why, text ? text : "giflib error");
  }
  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return gif_failure(gif.get(), why);
    if (type == TERMINATE_RECORD_TYPE) return refuse(why, "no image in the file");
    if (type == EXTENSION_RECORD_TYPE) {
      int code;
      GifByteType* block;
      if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
        return gif_failure(gif.get(), why);
      // The last graphics control block before the frame says its transparent index.
      GraphicsControlBlock gcb;
      if (code == GRAPHICS_EXT_FUNC_CODE && block &&
          DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
        transparent = gcb.TransparentColor;
      while (block)
        if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
          return gif_failure(gif.get(), why);
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return gif_failure(gif.get(), why);
    break;
  }

  const GifImageDesc& desc = gif->Image;
  if (desc.Width < 0 || desc.Height < 0 || desc.Left < 0 || desc.Top < 0)
    return refuse(why, "negative frame size or place");
  // As giftopnm: a frame must lie inside the screen it is shown on.
  if (long{desc.Left} + desc.Width > gif->SWidth || long{desc.Top} + desc.Height > gif->SHeight)
    return refuse(why, "the first frame lies outside its screen");
  const unsigned width = static_cast<unsigned>(desc.Width);
  const unsigned height = static_cast<unsigned>(desc.Height);
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  if (!map || !map->Colors || map->ColorCount <= 0) return refuse(why, "no colour map");
  int r = fits(width, height, 0, why);
  if (r < 0) return r;

  // Grey of every index: the colour map's luma; indices past the map and
  // the transparent one as netpbm shows them over white.
  unsigned char grey_of_index[256], rgb_of_index[256][3];
  for (int i = 0; i < 256; ++i) {
    unsigned char* rgb = rgb_of_index[i];
    if (i == transparent) {
      grey_of_index[i] = rgb[0] = rgb[1] = rgb[2] = 255;
    } else if (i < map->ColorCount) {
      const GifColorType& c = map->Colors[i];
      grey_of_index[i] = static_cast<unsigned char>(luma(c.Red, c.Green, c.Blue, 255));
      rgb[0] = c.Red, rgb[1] = c.Green, rgb[2] = c.Blue;
    } else {
      grey_of_index[i] = rgb[0] = rgb[1] = rgb[2] = 0;
    }
  }
  begin_rows(image, width, height);
  std::vector<GifPixelType> line(width ? width : 1);
  std::vector<unsigned char> grey(width), rgb(image->want_rgb ? size_t{width} * 3 : 0);
  for (unsigned i = 0; i < height; ++i) {
    if (width && DGifGetLine(gif.get(), line.data(), static_cast<int>(width)) == GIF_ERROR)
      return gif_failure(gif.get(), why);
    for (unsigned x = 0; x < width; ++x) grey[x] = grey_of_index[line[x]];
    for (unsigned x = 0; x < width && image->want_rgb; ++x)
      memcpy(&rgb[size_t{x} * 3], rgb_of_index[line[x]], 3);
    put_row(image, stored_row(i, height, desc.Interlace), grey.data(), rgb.data());
  }
  end_rows(image);
  return 0;
}
