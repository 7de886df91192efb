// The About window's picture as it is built into the program: the bytes of a JPEG file.
#pragma once

#include <cstddef>

extern const unsigned char kAboutPicture[];
extern const std::size_t kAboutPictureSize;
