#include "ui/velmo/velmo_pictures.h"

#include "ui/velmo/ui_text.h"

namespace ql {

VelmoPictures VelmoPictures::load(const VelmoHome& home) {
  VelmoPictures set;
  for (Picture picture : kPictures) {
    const std::string path = home.findResource(pictureFileName(picture));
    if (path.empty()) continue;
    QPixmap pixmap;
    if (!pixmap.load(toQString(path), "PNG")) continue;
    pixmap.setDevicePixelRatio(kPixelRatio);
    set.pictures_[static_cast<std::size_t>(picture)] = pixmap;
  }
  return set;
}

}  // namespace ql
