// The operations of zel_dll, by subsystem. Images are CImg<double> (pixels x
// fastest, then y, slice, channel); inputs are constant references, results
// are references that the operation sizes and fills itself. Value classes
// cross by value. An input that an operation cannot serve safely raises
// std::invalid_argument; nothing reads or writes outside a buffer.
#pragma once

#include "datatypes.h"
#include "image.h"

// ---- Image basics: information and pixels --------------------------------
ZEL_API int GetWidthFun(const CImg<double>& in);
ZEL_API int GetHeightFun(const CImg<double>& in);
ZEL_API int GetChannelsFun(const CImg<double>& in);
ZEL_API RGBTriplet GetPixelFun(const CImg<double>& in, CoOrdinate p);
ZEL_API CoOrdinate FirstWhitePixelFun(const CImg<double>& in);
ZEL_API double GrayscalePixelSumFun(const CImg<double>& in);

// ---- Image basics: pixel editing and drawing ------------------------------
ZEL_API void RemovePixelFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p);
ZEL_API void SetPixelFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p, RGBTriplet colour);
ZEL_API void DrawBoxFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p1, CoOrdinate p2,
                        RGBTriplet colour, int thickness);
ZEL_API void DrawCircleFun(const CImg<double>& in, CImg<double>& out, CoOrdinate centre, int radius,
                           RGBTriplet colour, int thickness);
ZEL_API void DrawLineFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p1, CoOrdinate p2,
                         RGBTriplet colour, int thickness);
ZEL_API void FillBoxFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p1, CoOrdinate p2,
                        RGBTriplet colour);
ZEL_API void FillCircleFun(const CImg<double>& in, CImg<double>& out, CoOrdinate centre, int radius,
                           RGBTriplet colour);
ZEL_API void MaskImgFun(const CImg<double>& in, CImg<double>& out, int n);
ZEL_API void Point2CrossFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void Point2SquareFun(const CImg<double>& in, CImg<double>& out);

// ---- Image basics: geometry -----------------------------------------------
ZEL_API void DoubleImgSizeFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void HalveImgSizeFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void RotateImgFun(const CImg<double>& in, CImg<double>& out, double degrees);
ZEL_API void RotateMinus90ImgFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void RotatePlus90ImgFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void ScaleImgFun(const CImg<double>& in, CImg<double>& out, int newWidth, int newHeight);

// ---- Morphology and shape analysis: labelling and blobs -------------------
ZEL_API void LabellerFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void CentroidFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void Centroid16Fun(const CImg<double>& in, CImg<double>& out);

// ---- Volumes and DICOM: file input and output -----------------------------
ZEL_API void DicomOpenFunSingle(CImg<double>& out, const char* path);
ZEL_API void DicomSaveFun(const CImg<double>& in, const char* path);
