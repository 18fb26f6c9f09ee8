#pragma once
// The eleven delivered pictures, loaded once for every window. They are PNG images whatever
// their extension, drawn at twice their designed size, so they stay sharp on high-density
// screens.

#include <QPixmap>
#include <array>

#include "shell/picture_files.h"
#include "shell/velmo_home.h"

namespace ql {

class VelmoPictures {
 public:
  // Each picture from the first resource directory that has it; a picture that is missing or
  // unreadable stays null (the start-up check ends the program before anyone sees it).
  static VelmoPictures load(const VelmoHome& home);

  const QPixmap& operator[](Picture picture) const { return pictures_[static_cast<std::size_t>(picture)]; }

  // The delivered pictures are drawn at this multiple of their designed size.
  static constexpr double kPixelRatio = 2.0;

 private:
  std::array<QPixmap, kPictures.size()> pictures_;
};

}  // namespace ql
