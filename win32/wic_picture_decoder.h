// Logo pictures for the window's logic, decoded as printer-cli.exe decodes
// them: the Windows Imaging Component behind DecodeLogoPicture
// (printerdata/logo_pictures_wic.cpp).
#pragma once

#include "window_view.h"

class WicPictureDecoder : public PictureDecoder {
  public:
    std::optional<LogoPicture> Decode(const std::string& path, const std::string& name,
                                      LogoFailure& failure) override;
};
