#!/usr/bin/env bash
# Regenerates logo_jpeg.cpp, the JPEG bytes of the window's logo.
set -euo pipefail
cd "$(dirname "$0")"
python3 make-logo.py
ffmpeg -hide_banner -loglevel error -y -i logo.ppm -q:v 2 -pix_fmt yuvj444p logo.jpg
{
  echo "// The window's logo as JPEG bytes, made by make-logo.sh; do not edit."
  echo "#include \"app/logo.h\""
  echo
  echo "namespace strandex {"
  echo
  echo "extern const unsigned char kLogoJpeg[] = {"
  xxd -i < logo.jpg
  echo "};"
  echo "extern const unsigned long kLogoJpegSize = sizeof kLogoJpeg;"
  echo
  echo "}  // namespace strandex"
} > ../logo_jpeg.cpp
rm -f logo.ppm
