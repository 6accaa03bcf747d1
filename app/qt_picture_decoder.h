// Logo pictures decoded with Qt's image support, for the window's logic.
#pragma once

#include "window_view.h"

class QtPictureDecoder : public PictureDecoder {
  public:
    std::optional<LogoPicture> Decode(const std::string& path, const std::string& name,
                                      LogoFailure& failure) override;
};
