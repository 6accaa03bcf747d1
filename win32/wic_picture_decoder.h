// Logo pictures through the Windows Imaging Component: BMP, PNG, GIF and
// JPEG, with the same limits and messages as the Qt decoder.
#pragma once

#include "window_view.h"

class WicPictureDecoder : public PictureDecoder {
  public:
    // The thread must have COM initialised.
    std::optional<LogoPicture> Decode(const std::string& path, const std::string& name,
                                      LogoFailure& failure) override;
};
