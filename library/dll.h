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

// ---- Image basics: measurements -------------------------------------------
ZEL_API int EulerNumFun(const CImg<double>& in);
ZEL_API int WhitePixelCounterFun(const CImg<double>& in);

ZEL_API double AverageIntensityFun(const CImg<double>& in);
ZEL_API double EntropyCalcFun(const CImg<double>& in);
ZEL_API int HighestGreyFun(const CImg<double>& in);
ZEL_API double KurtosisCalcFun(const CImg<double>& in);
ZEL_API int LowestGreyFun(const CImg<double>& in);
ZEL_API double MSECalcFun(const CImg<double>& a, const CImg<double>& b);
ZEL_API double SkewCalcFun(const CImg<double>& in);
ZEL_API double STDCalcFun(const CImg<double>& in);
ZEL_API double VarianceCalcFun(const CImg<double>& in);
ZEL_API void CoOcMatGenFun(const CImg<double>& in, CImg<double>& out);
ZEL_API double CoHomogFun(const CImg<double>& in);
ZEL_API double CoEntropyFun(const CImg<double>& in);
ZEL_API double CoEnergyFun(const CImg<double>& in);
ZEL_API double CoContrastFun(const CImg<double>& in);

// ---- Image basics: point thresholds ---------------------------------------
ZEL_API int EntropicThresholdFun(const CImg<double>& in);
ZEL_API void ThresholdFun(const CImg<double>& in, CImg<double>& out, int threshold);
ZEL_API void MidThresholdFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void DoubleThresholdFun(const CImg<double>& in, CImg<double>& out, int low, int high);

// ---- Image basics: arithmetic and logic -----------------------------------
ZEL_API void AddImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void AndImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void DivideImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void MaximumImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void MinimumImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void MultiplyImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void OrImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void NotImgFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void SubtractImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void XorImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);

// ---- Image basics: geometry -----------------------------------------------
ZEL_API void DoubleImgSizeFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void HalveImgSizeFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void RotateImgFun(const CImg<double>& in, CImg<double>& out, double degrees);
ZEL_API void RotateMinus90ImgFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void RotatePlus90ImgFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void ScaleImgFun(const CImg<double>& in, CImg<double>& out, int newWidth, int newHeight);

// ---- Filtering and feature detection: smoothing and neighbourhood filters -
ZEL_API void AdaptiveSmoothFun(const CImg<double>& in, CImg<double>& out, int iterations,
                               double varianceThreshold, double scale);
ZEL_API void ConvolutionFun(const CImg<double>& in, CImg<double>& out, ConvArray kernel);
ZEL_API void DiffusionFun(const CImg<double>& in, CImg<double>& out, double scale, int iterations);
ZEL_API void GaussFun(const CImg<double>& in, CImg<double>& out, double sigma);
ZEL_API void LargestIntensityNeighbourFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void LowPassFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void MedianFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void MidpointFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void RectangularAverageFilterFun(const CImg<double>& in, CImg<double>& out, int r);
ZEL_API void SharpenFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void SmallestIntensityNeighbourFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void ZeroCrossingsDetectorFun(const CImg<double>& in, CImg<double>& out);

// ---- Filtering and feature detection: edges and features ------------------
ZEL_API void CannyFun(const CImg<double>& in, CImg<double>& edges, CImg<double>& directions, double sigma,
                      int low, int high);
ZEL_API void FreiChenFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void IntensityGradientDirectionFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void LaplacianFun(const CImg<double>& in, CImg<double>& out, int connectivity);
ZEL_API void NonMaximaFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void PrewittFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void RobertsFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void SobelFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void SusanDetectorFun(const CImg<double>& in, CImg<double>& out, int threshold, int unused);

// ---- Enhancement, thresholding and segmentation ---------------------------
ZEL_API void LocalEqualisation3x3Fun(const CImg<double>& in, CImg<double>& out);
ZEL_API void LocalEqualisation5x5Fun(const CImg<double>& in, CImg<double>& out);
ZEL_API void WatershedFun(const CImg<double>& in, CImg<double>& labels, CImg<double>& bounds);
ZEL_API void AdditiveNoiseFun(const CImg<double>& in, CImg<double>& out, int amplitude);
ZEL_API void GaussianNoiseFun(const CImg<double>& in, CImg<double>& out, double sigma);
ZEL_API void PoissonNoiseFun(const CImg<double>& in, CImg<double>& out, double mean);
ZEL_API void RayleighNoiseFun(const CImg<double>& in, CImg<double>& out, double scale);
ZEL_API void SaltPepperNoiseFun(const CImg<double>& in, CImg<double>& out, double probability);
ZEL_API void IntegrateColsFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void IntegrateRowsFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void L2RSumFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void B2TWashFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void T2BWashFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void L2RWashFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void R2LWashFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void HistEqualiserFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void IntensityRangeEnhancerFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void IntensityRangeStretcherFun(const CImg<double>& in, CImg<double>& out, int low, int high);
ZEL_API void ExponentialLutFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void InverseLutFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void LogarithmLutFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void PowerLutFun(const CImg<double>& in, CImg<double>& out, double gamma);
ZEL_API void SquareLutFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void GSCapThresholdFun(const CImg<double>& in, CImg<double>& out, int threshold);
ZEL_API void AdaptiveThreshold3x3Fun(const CImg<double>& in, CImg<double>& out, int offset);
ZEL_API void AdaptiveThreshold5x5Fun(const CImg<double>& in, CImg<double>& out, int offset);
ZEL_API void TripleThresholdFun(const CImg<double>& in, CImg<double>& out, int low, int high);
ZEL_API void BinGreyFun(const CImg<double>& in, CImg<double>& out, int grey);

// ---- Morphology and shape analysis: grey and binary morphology ------------
ZEL_API void DilationFun(const CImg<double>& in, CImg<double>& out, int conn);
ZEL_API void ErosionFun(const CImg<double>& in, CImg<double>& out, int conn);
ZEL_API void DilationNxNFun(const CImg<double>& in, CImg<double>& out, ConvArray se);
ZEL_API void ErosionNxNFun(const CImg<double>& in, CImg<double>& out, ConvArray se);
ZEL_API void BeucherGradientFun(const CImg<double>& in, CImg<double>& out, int conn);
ZEL_API void CloseFun(const CImg<double>& in, CImg<double>& out, int conn);
ZEL_API void CloseNxNFun(const CImg<double>& in, CImg<double>& out, ConvArray se);
ZEL_API void OpenFun(const CImg<double>& in, CImg<double>& out, int conn);
ZEL_API void OpenNxNFun(const CImg<double>& in, CImg<double>& out, ConvArray se);
ZEL_API void HitAndMissFun(const CImg<double>& in, CImg<double>& out, ConvArray hit, ConvArray miss);
ZEL_API void MorphTopHatFun(const CImg<double>& in, CImg<double>& out, int conn);
ZEL_API void MorphValleyFun(const CImg<double>& in, CImg<double>& out, int conn);
ZEL_API void ReconByDilationFun(const CImg<double>& mask, const CImg<double>& marker, CImg<double>& out,
                                CImg<double>& residue, int conn);
ZEL_API void DBLTFun(const CImg<double>& in, CImg<double>& out, CImg<double>& seed, CImg<double>& region,
                     int t1, int t2);
ZEL_API void RemIsoFun(const CImg<double>& in, CImg<double>& out);

// ---- Morphology and shape analysis: skeletons and distances ---------------
ZEL_API void MedialAxisFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void L2RDistTransformFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void R2LDistTransformFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void T2BDistTransformFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void B2TDistTransformFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void DistanceTransform3x3Fun(const CImg<double>& in, CImg<double>& out);
ZEL_API void DistanceTransform5x5Fun(const CImg<double>& in, CImg<double>& out);
ZEL_API void GFTransformFun(const CImg<double>& in, CImg<double>& out);

// ---- Morphology and shape analysis: labelling and blobs -------------------
ZEL_API void LabellerFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void CentroidFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void Centroid16Fun(const CImg<double>& in, CImg<double>& out);
ZEL_API int CountWhiteBlobsFun(const CImg<double>& in);
ZEL_API void BiggestBlobFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void SmallestBlobFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void LabelByAreaFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void BlobFillFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void IsolateHolesFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void IsolateBaysFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void BoundingBoxFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void FillBoundingBoxFun(const CImg<double>& in, CImg<double>& out);

// ---- Morphology and shape analysis: shape --------------------------------
ZEL_API void ConnectivityFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void ConvexHullFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void FilledConvexHullFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void CrackDetectorFun(const CImg<double>& in, CImg<double>& out);

// ---- Morphology and shape analysis: thinning and skeleton features --------
ZEL_API void DOLPSFun(CImg<double>& in, CImg<double>& out);
ZEL_API void BinaryBorderFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void CornerPointDetectorFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void ThinImgFun(const CImg<double>& in, CImg<double>& out, int iterations);
ZEL_API void FullThinFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void JunctionDetectorFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void LimbEndDetectorFun(const CImg<double>& in, CImg<double>& out);

// ---- Frequency-domain and Hough transforms --------------------------------
ZEL_API void HoughFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void InvHoughFun(const CImg<double>& in, CImg<double>& out, int lines);

// ---- Volumes and DICOM: file input and output -----------------------------
ZEL_API void DicomOpenFunSingle(CImg<double>& out, const char* path);
ZEL_API void DicomSaveFun(const CImg<double>& in, const char* path);
