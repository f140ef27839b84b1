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
// Marks with 255 the pixels of exactly 255 from which three or more branches
// of exactly-255 neighbours leave (background-to-object transitions round the
// 3x3 ring, the crossing number of 8-connected skeletons); everything else
// 0. Every pixel of every slice and channel is examined, outside counting 0.
ZEL_API void Junction8DetectorFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void LimbEndDetectorFun(const CImg<double>& in, CImg<double>& out);

// ---- Frequency-domain and Hough transforms: cosine and Fourier ----
// A spectrum is a pair of one-slice images, real part then imaginary part, in
// the centred layout: the zero frequency at column w/2, row h/2. The Fourier
// transform accepts widths and heights that are each a power of two from 2
// to 2048. The two parts of a spectrum must match in width, height and
// channels (std::invalid_argument otherwise).

// Orthonormal 2-D discrete cosine transform (DCT-II) of every slice and
// channel; out has in's size. Computed with FFTW's REDFT10 in n log n.
ZEL_API void DCTFun(const CImg<double>& in, CImg<double>& out);
// Inverse of DCTFun (orthonormal DCT-III) from the first trunc(fraction N)
// coefficients along each axis of length N, the others taken as 0; a fraction
// outside 0..1 or NaN counts as 1. out has the coefficients' size.
ZEL_API void IDCTFun(const CImg<double>& coefficients, CImg<double>& out, double fraction);
// Display of DCT coefficients: log(1 + |c|), rescaled per channel from its
// smallest to its largest value onto 0..255. out has the coefficients' size.
ZEL_API void ViewDCTFun(const CImg<double>& coefficients, CImg<double>& out);
// Centred, unscaled 2-D discrete Fourier transform of the first slice, per
// channel: re and im become (w, h, 1, channels). For sizes the transform does
// not accept both outputs are left untouched. FFTW real-to-complex transform.
ZEL_API void FourierTransformFun(const CImg<double>& in, CImg<double>& re, CImg<double>& im);
// Real part of the inverse transform of a centred spectrum, scaled by 1/(w h):
// out is (w, h, 1, channels of re); all zeros for sizes the transform does not
// accept. FFTW complex-to-real transform of the spectrum's Hermitian part.
ZEL_API void InvFourierTransformFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out);
// Display of a spectrum: log(1 + |F|) scaled per channel so that the largest
// magnitude shows as 255, clamped to 0..255 (NaN shows as 0); out is
// (w, h, 1, channels of re).
ZEL_API void ViewFFTFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out);
// Ideal low pass: keeps the components nearer to the zero frequency than
// r h / 2 pixels, 0 elsewhere; outputs (w, h, 1, channels of re), any size.
ZEL_API void FourierLowPassFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                               CImg<double>& out_im, double r);
// Ideal high pass: keeps the components farther from the zero frequency than
// r h / 2 pixels, 0 elsewhere; outputs (w, h, 1, channels of re), any size.
ZEL_API void FourierHighPassFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                                CImg<double>& out_im, double r);
// Ideal band pass: keeps the open ring r1 h / 2 < d < r2 h / 2 around the zero
// frequency, 0 elsewhere; outputs (w, h, 1, channels of re), any size.
ZEL_API void FourierBandPassFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                                CImg<double>& out_im, double r1, double r2);
// Ideal band stop: zeroes the closed ring r1 h / 2 <= d <= r2 h / 2 around the
// zero frequency and copies the rest; outputs (w, h, 1, channels of re).
ZEL_API void FourierBandStopFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                                CImg<double>& out_im, double r1, double r2);
// Notch filter: zeroes the closed disc of radius r h / 2 centred at column
// w (u + 1) / 2, row h (1 - v) / 2 (u, v in -1..1, v upward) and copies the
// rest; outputs (w, h, 1, channels of re).
ZEL_API void FourierSelectivePassFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                                     CImg<double>& out_im, double r, double u, double v);
// Adaptive low pass: keeps the components whose magnitude exceeds r w h / 2,
// 0 elsewhere; outputs (w, h, 1, channels of re), any size.
ZEL_API void FourierAdaptiveLPFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                                  CImg<double>& out_im, double r);
// Complex product of two spectra, both zero-padded to the larger width, height
// and channel count of their real parts; outputs of that size (one slice), or
// left untouched when the transform does not accept it.
ZEL_API void FourierMultiplyFun(const CImg<double>& a_re, const CImg<double>& a_im, const CImg<double>& b_re,
                                const CImg<double>& b_im, CImg<double>& out_re, CImg<double>& out_im);
// Complex quotient a / b, sized as FourierMultiplyFun; the divisor is not
// guarded, so a zero divisor gives infinities or NaN.
ZEL_API void FourierDivideFun(const CImg<double>& a_re, const CImg<double>& a_im, const CImg<double>& b_re,
                              const CImg<double>& b_im, CImg<double>& out_re, CImg<double>& out_im);
// Synthetic spectrum (width, height, 1, 3): re = 255 exp(-d^2 / (2 sigma^2)),
// d the distance in pixels from (width/2, height/2); im = 0. A width or height
// below 1, a size too large to allocate, or a NaN sigma raise
// std::invalid_argument.
ZEL_API void FourierGaussianFun(CImg<double>& out_re, CImg<double>& out_im, int width, int height, double sigma);
// Symmetric notch filter: the notch of FourierSelectivePassFun, then every
// position whose filtered real part is 0 has its point mirror through the
// zero frequency (column 2 (w/2) - x, row 2 (h/2) - y; index 0 of an even
// side is its own partner) zeroed in both outputs.
ZEL_API void FourierSymSelectivePassFun(const CImg<double>& in_re, const CImg<double>& in_im, CImg<double>& out_re,
                                        CImg<double>& out_im, double r, double u, double v);

// ---- Frequency-domain and Hough transforms --------------------------------
ZEL_API void HoughFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void InvHoughFun(const CImg<double>& in, CImg<double>& out, int lines);

// ---- Volumes and DICOM: file input and output -----------------------------
ZEL_API void DicomOpenFunSingle(CImg<double>& out, const char* path);
ZEL_API void DicomSaveFun(const CImg<double>& in, const char* path);

// ---- Volumes and DICOM: per-slice statistics ------------------------------
// Each returns a table of depth rows and channel columns: element [z][v]
// measures the plane of slice z, channel v, exactly as the whole-image
// measure of the same name measures an image (an empty volume gives a 0 x 0
// table).

// Mean of the plane's width x height values (compensated sum).
ZEL_API ConvArray DicomAverageIntensityFun(const CImg<double>& in);
// Entropy -sum p ln p (natural logarithm) of a 256-bin histogram of the plane,
// taken after the whole volume is stretched from its smallest..largest finite
// value onto 0..255 and rounded; p = bin count / (width x height). A volume
// without spread gives 0 everywhere.
ZEL_API ConvArray DicomEntropyCalcFun(const CImg<double>& in);
// Largest value of the plane, the running maximum starting at 0 (NaN passed
// over); not truncated.
ZEL_API ConvArray DicomHighestGreyFun(const CImg<double>& in);
// Excess kurtosis M4 / (n s^4) - 3, s the population standard deviation; a
// constant plane gives NaN (one-pass pairwise moments, Pebay 2008).
ZEL_API ConvArray DicomKurtosisCalcFun(const CImg<double>& in);
// Smallest value of the plane, the running minimum starting at 255 (NaN
// passed over); not truncated.
ZEL_API ConvArray DicomLowestGreyFun(const CImg<double>& in);
// Mean of (a - b)^2 over a's plane, b read at the same positions; the table
// has a's depth and channel count. Throws std::invalid_argument when b is
// smaller than a in width, height, depth or channels.
ZEL_API ConvArray DicomMSECalcFun(const CImg<double>& a, const CImg<double>& b);
// Skew M3 / (n s^3), s the population standard deviation; a constant plane
// gives NaN.
ZEL_API ConvArray DicomSkewCalcFun(const CImg<double>& in);
// Population standard deviation sqrt(M2 / n); a constant plane gives 0.
ZEL_API ConvArray DicomSTDCalcFun(const CImg<double>& in);
// Population variance M2 / n (pairwise update, Chan et al. 1979); a constant
// plane gives exactly 0.
ZEL_API ConvArray DicomVarianceCalcFun(const CImg<double>& in);
// The four co-occurrence texture measures (Haralick 1973) of each plane read
// as a matrix P(i, j), i the column and j the row, cells taken as they are
// (not normalised): homogeneity sum P / (1 + |i - j|), entropy -sum P ln P
// over the positive cells, energy sum P^2, contrast sum (i - j)^2 P.
ZEL_API ConvArray DicomCoHomogFun(const CImg<double>& in);
ZEL_API ConvArray DicomCoEntropyFun(const CImg<double>& in);
ZEL_API ConvArray DicomCoEnergyFun(const CImg<double>& in);
ZEL_API ConvArray DicomCoContrastFun(const CImg<double>& in);

// ---- Volumes and DICOM: 3-D filters ---------------------------------------
// Channels are filtered on their own, the depth being the third axis. The
// 3x3x3 block filters start from a copy of the input: voxels on the one-pixel
// frame of each slice keep the input, every other voxel is computed from its
// block, the first and last slice repeated beyond the volume.

// Maximum of the 3x3x3 block (running maximum over rows, columns and slices).
ZEL_API void LargestIntensityNeighbour3DFun(const CImg<double>& in, CImg<double>& out);
// Minimum of the 3x3x3 block.
ZEL_API void SmallestIntensityNeighbour3DFun(const CImg<double>& in, CImg<double>& out);
// Mean (sum / 27) of the 3x3x3 block (running box sum).
ZEL_API void LowPass3DFun(const CImg<double>& in, CImg<double>& out);
// (maximum + minimum) / 2 of the 3x3x3 block, the maximum taken from 0 and
// the minimum from 100000000.
ZEL_API void Midpoint3DFun(const CImg<double>& in, CImg<double>& out);
// 28 x centre - the sum of the 27 values of the block, not clamped.
ZEL_API void Sharpen3DFun(const CImg<double>& in, CImg<double>& out);
// Gradient magnitudes sqrt(gx^2 + gy^2 + gz^2) of the 3x3x3 block, each
// derivative the difference of the two faces across its axis weighted by a
// cross-section mask (centre, edge, corner). Frei-Chen: weights sqrt(6),
// sqrt(3), sqrt(2), inversely as the distance; Prewitt: all 1; Sobel: 4, 2, 1,
// the magnitude divided by 27. None is clamped.
ZEL_API void FreiChen3DFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void Prewitt3DFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void Sobel3DFun(const CImg<double>& in, CImg<double>& out);
// Roberts cross in 3-D: sqrt of the summed squares of the four body-diagonal
// differences of the 2x2x2 block that starts at the voxel.
ZEL_API void Roberts3DFun(const CImg<double>& in, CImg<double>& out);
// Keeps a voxel where, along x, y or z, it is not below either neighbour and
// above at least one; sets it to 0 otherwise.
ZEL_API void NonMaxima3DFun(const CImg<double>& in, CImg<double>& out);
// (27 x centre - sum of the 3x3x3 block) x 0.5 + 127, clamped to 0..255, for
// every voxel; voxels outside the volume count as 0.
ZEL_API void Laplacian3DFun(const CImg<double>& in, CImg<double>& out);
// Difference of low-pass volumes: in is replaced by LowPass3DFun applied three
// times and out is that minus three further applications, clamped to 0..255.
ZEL_API void DOLPS3DFun(CImg<double>& in, CImg<double>& out);
// Separable Gaussian along x, y and z: offset u weighs the mean of
// exp(-t^2 / (2 sigma^2)) at t = u - 0.5, u, u + 0.5, over -r..r normalised
// to 1, r one less than the first u >= 2 with exp(-u^2 / (2 sigma^2)) <= 0.005
// and at most 19; edge voxels repeated beyond each face. sigma not above 0,
// NaN or infinite gives a copy.
ZEL_API void Gauss3DFun(const CImg<double>& in, CImg<double>& out, double sigma);
// Minimum / maximum of the (2r + 1) x (2r + 1) window of each slice, r = n / 2
// (truncated), the minimum taken from 1000000 and the maximum from 0 (van
// Herk / Gil-Werman running extremes: the cost does not grow with n). The
// r-wide frame of each slice is 0. Throws std::invalid_argument for n < -1.
ZEL_API void LocalMinimaFun(const CImg<double>& in, CImg<double>& out, int n);
ZEL_API void LocalMaximaFun(const CImg<double>& in, CImg<double>& out, int n);
// Correlation with three kernel planes for the slices below, at and above the
// voxel (kernel rows 0.., 3.., 6.., each rows / 3 tall and cols wide; the
// usual table is 9 x 3); first and last slice repeated; voxels whose window
// leaves the slice are 0. With s the first plane's sum: / s where s > 1,
// 255 - sum / s where s < 0, |sum| where s = 0. Throws std::invalid_argument
// unless rows >= rows / 3 + 6, rows >= cols and rows / 3 <= cols, and when the
// non-zero taps times the voxels computed pass 2^38 multiply-adds.
ZEL_API void Convolution3DFun(const CImg<double>& in, CImg<double>& out, ConvArray kernel);
// A copy of in with the first and last n slices, rows and columns set to 0
// (n limited to each axis; n <= 0 leaves the copy).
ZEL_API void Mask3DFun(const CImg<double>& in, CImg<double>& out, int n);

// ---- Volumes: 3-D morphology, projections, labelling and the median -------
// Grey dilation / erosion of a volume: the largest / smallest value of the
// voxel's 3x3x3 block when conn is 26, of the voxel and its 6 face
// neighbours for any other conn; voxels beyond the volume take no part (a
// NaN loses to a number). Same range as the input.
ZEL_API void Dilation3DFun(const CImg<double>& in, CImg<double>& out, int conn);
ZEL_API void Erosion3DFun(const CImg<double>& in, CImg<double>& out, int conn);
// Closing: Dilation3DFun, then Erosion3DFun of that, both with conn.
ZEL_API void Close3DFun(const CImg<double>& in, CImg<double>& out, int conn);
// The opening of every slice on its own with OpenFun: the whole 3x3 square
// when conn is 8, the cross of the 4 edge neighbours otherwise.
ZEL_API void Open3DFun(const CImg<double>& in, CImg<double>& out, int conn);
// Morphological (Beucher) gradient: Dilation3DFun minus Erosion3DFun, both
// with conn; never negative.
ZEL_API void BeucherGrad3DFun(const CImg<double>& in, CImg<double>& out, int conn);
// Average / maximum intensity projection along the slice axis: one slice,
// stretched linearly from the projection's own smallest..largest value to
// 0..255 (not rounded); a constant projection is 0.
ZEL_API void AIPFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void MIPFun(const CImg<double>& in, CImg<double>& out);
// Linear stretch from the volume's smallest..largest value (all channels) to
// 0..range, rounded half up; a constant volume gives 0 everywhere.
ZEL_API void Enhancer3DFun(const CImg<double>& in, CImg<double>& out, int range);
// A copy of in with every value above top set to 255.
ZEL_API void Window3DFun(const CImg<double>& in, CImg<double>& out, int top);
// Grey reconstruction by dilation (conn 26: the 3x3x3 block, otherwise the 6
// face neighbours; nothing beyond the volume) of the marker, first capped by
// the mask, computed to completion (Vincent's hybrid raster scans and FIFO
// queue, linear in practice); residue = mask - reconstruction. Throws
// std::invalid_argument when mask and marker differ in size.
ZEL_API void ReconByDil3DFun(const CImg<double>& mask, const CImg<double>& marker, CImg<double>& out,
                             CImg<double>& residue, int conn);
// Labels 1..N of the 26-connected components of the voxels whose every
// channel is at least 1, numbered in raster order (slice, row, column) of
// each component's first voxel and written into every channel; 0 elsewhere.
// Runs along x joined by union-find: linear in the voxels.
ZEL_API void Labeller3DFun(const CImg<double>& in, CImg<double>& out);
// The components of Labeller3DFun, each given its rank by voxel count (1 =
// largest; equal counts: the lower label first); 0 elsewhere.
ZEL_API void LabelByVolFun(const CImg<double>& in, CImg<double>& out);
// 255 over the largest / smallest component of Labeller3DFun (equal counts:
// the lower label), 0 elsewhere; all 0 when there is none.
ZEL_API void BigBlob3DFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void SmallBlob3DFun(const CImg<double>& in, CImg<double>& out);
// Median of each voxel's 3x3x3 block, voxels beyond the volume counting as 0:
// each 9-voxel column of the block sorted once per row, and the 14th value of
// the three columns found by merging them (no sort per voxel).
ZEL_API void Median3DFun(const CImg<double>& in, CImg<double>& out);

// ---- Volume measures ----
// k-means of all the finite values of in into k clusters (each distinct value
// its own when there are at most k), from centres spread evenly over the range;
// each voxel becomes its nearest centre truncated toward zero (the lower
// centre on a tie), non-finite values are kept. Throws for k < 1.
ZEL_API void Cluster3DFun(const CImg<double>& in, CImg<double>& out, int k);

// ---- Threshold-selecting segmentations ----
// Each plane (slice and channel) on its own: 255 where a sample's grey level
// (truncated, clamped to 0..255, NaN as 0) is above the plane's threshold
// level t, 0 elsewhere; a plane with fewer than two levels becomes 0.
// Kapur: Kapur, Sahoo and Wong's maximum entropy (as EntropicThresholdFun).
ZEL_API void KapurSegmentationFun(const CImg<double>& in, CImg<double>& out);
// Kittler and Illingworth's minimum error, each class variance widened by
// 1/12 (a level's truncation), so one-level classes compare too.
ZEL_API void KittlerSegmentationFun(const CImg<double>& in, CImg<double>& out);
// Lloyd's iterative threshold: from the mean, the minimum-error boundary of
// two Gaussian classes sharing the plane's variance, until a level repeats.
ZEL_API void LloydSegmentationFun(const CImg<double>& in, CImg<double>& out);
// Otsu's largest between-class variance (the lowest level on a tie).
ZEL_API void OtsuSegmentationFun(const CImg<double>& in, CImg<double>& out);
// Ridler and Calvard's isodata: from the mean, the midpoint of the two class
// means, until a level repeats.
ZEL_API void RiddlerSegmentationFun(const CImg<double>& in, CImg<double>& out);
// Tsai's moment-preserving threshold (the level whose cumulative fraction is
// nearest the dark fraction), then 26-connected blobs below 100 voxels of
// each channel's volume cleared.
ZEL_API void TsaiSegmentationFun(const CImg<double>& in, CImg<double>& out);
// Yanni and Horne's threshold, midway between the highest bins of the two
// halves of the histogram's span, on HistEqualiserFun of in: out is the
// thresholded equalised image.
ZEL_API void YanniSegmentationFun(const CImg<double>& in, CImg<double>& out);
// Local thresholds over the 9 x 9 window clipped to the plane, mean m and
// population deviation s, non-finite samples counting 0 there; NaN is 0.
// Sauvola and Pietikainen: 255 where the sample is above m (1 + 0.5 (s / 128
// - 1)), then blobs below 80 voxels cleared as for Tsai.
ZEL_API void SauvolaSegmentationFun(const CImg<double>& in, CImg<double>& out);
// Khurshid et al.'s modified Niblack ("NICK"): 255 where the sample is below
// m - 0.1 sqrt((sum of squares - m^2) / NP), NP the window's pixel count.
ZEL_API void ModifiedNiblackSegmentationFun(const CImg<double>& in, CImg<double>& out);
// Palumbo, Swaminathan and Srihari: 255 (print) where the sample is at most
// 20, or where 0.85 times the mean of the 3 x 3 blocks centred 3 pixels off
// along both diagonals exceeds its own 3 x 3 block mean; then blobs below 100
// voxels cleared as for Tsai.
ZEL_API void PalumboSegmentationFun(const CImg<double>& in, CImg<double>& out);
