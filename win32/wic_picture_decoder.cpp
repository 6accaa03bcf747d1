#include "wic_picture_decoder.h"

#include "logo_pictures.h"

std::optional<LogoPicture> WicPictureDecoder::Decode(const std::string& path,
                                                     const std::string& name,
                                                     LogoFailure& failure) {
    return DecodeLogoPicture({path, name}, failure);
}
