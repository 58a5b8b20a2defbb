// The window's logo: JPEG bytes kept in the program, decoded with libjpeg.
#pragma once
#include <QImage>

namespace strandex {

extern const unsigned char kLogoJpeg[];
extern const unsigned long kLogoJpegSize;

// Decodes JPEG bytes into an RGB image; a null image when they are not a
// JPEG libjpeg can read.
QImage decodeJpeg(const unsigned char* data, unsigned long size);
QImage logoImage();

}  // namespace strandex
