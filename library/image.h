// The one header that includes the image library. Every source file of the
// project reaches CImg through here, so all of them see the same
// configuration macros (two files compiled with different settings would
// break the one-definition rule).
#pragma once

#ifndef cimg_display
#define cimg_display 1      // X11 windows, used by the 3-D view
#endif
#define cimg_use_png        // PNG through libpng
#define cimg_use_jpeg       // JPEG through libjpeg
#define cimg_use_tiff       // TIFF through libtiff
#define cimg_verbosity 0    // exceptions carry their message; no message window, nothing printed
// DICOM files are written through the external 'medcon' converter, which
// CImg finds on the PATH (cimg::medcon_path()); they are read with DCMTK
// (volume/dicom_series.cpp), not through CImg.

#include <CImg.h>

// The window system's headers define short macros (None, Bool, Status, ...)
// that clash with ordinary C++ names; CImg has used them already.
#undef None
#undef Bool
#undef Status
#undef Success
#undef True
#undef False
#undef Always
#undef Complex

using cimg_library::CImg;

#if defined(_WIN32)
#define ZEL_API __declspec(dllexport)
#else
#define ZEL_API __attribute__((visibility("default")))
#endif
