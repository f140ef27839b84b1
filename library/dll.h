// The operations of zel_dll, by subsystem. Images are CImg<double> (pixels x
// fastest, then y, slice, channel); inputs are constant references, results
// are references that the operation sizes and fills itself. Value classes
// cross by value. An input that an operation cannot serve safely raises
// std::invalid_argument; nothing reads or writes outside a buffer.
#pragma once

#include "datatypes.h"
#include "image.h"

// ---- Image basics: information and pixels --------------------------------
// Width (columns), height (rows) and channel count (not the slice count).
ZEL_API int GetWidthFun(const CImg<double>& in);
ZEL_API int GetHeightFun(const CImg<double>& in);
ZEL_API int GetChannelsFun(const CImg<double>& in);
// Channels 0, 1, 2 of pixel p of slice 0 as R, G, B (0 for a channel the
// image lacks); (-1, -1, -1) when p lies outside the image.
ZEL_API RGBTriplet GetPixelFun(const CImg<double>& in, CoOrdinate p);
// First pixel of slice 0 in raster order (rows from the top, each from the
// left) that is white: channel 0 at least 255, or channels 0..2 when there are
// three or more; (-1, -1) when there is none.
ZEL_API CoOrdinate FirstWhitePixelFun(const CImg<double>& in);
// Sum of every value of every slice and channel; 0 for an empty image.
ZEL_API double GrayscalePixelSumFun(const CImg<double>& in);

// ---- Image basics: pixel editing and drawing ------------------------------
// The drawing operations start from a copy of in and write every slice; a
// colour goes to channels 0, 1, 2 as R, G, B (as far as the image has them);
// whatever falls outside the image is skipped.

// Pixel p set to 0 in every channel / to the colour; p outside: a plain copy.
ZEL_API void RemovePixelFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p);
ZEL_API void SetPixelFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p, RGBTriplet colour);
// Box outline: for k = 0..thickness - 1, rows p1.y + k and p2.y - k across the
// box's columns and columns p1.x + k and p2.x - k across its rows; a thickness
// below 1 draws nothing.
ZEL_API void DrawBoxFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p1, CoOrdinate p2,
                        RGBTriplet colour, int thickness);
// Ring of the pixels whose distance from the centre lies within
// radius +- thickness / 2 (a real half); a negative thickness draws nothing.
ZEL_API void DrawCircleFun(const CImg<double>& in, CImg<double>& out, CoOrdinate centre, int radius,
                           RGBTriplet colour, int thickness);
// Straight line p1..p2 of t = thickness parallel one-pixel lines (offsets
// -t/2 .. t - 1 - t/2 along the minor axis, positions rounded half up; t below
// 1 draws 1); a vertical line is the box from p1.x - t/2 to p2.x + t/2.
ZEL_API void DrawLineFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p1, CoOrdinate p2,
                         RGBTriplet colour, int thickness);
// Filled box with corners p1 and p2 (both included, in either order) / filled
// disc of the pixels at most radius from the centre.
ZEL_API void FillBoxFun(const CImg<double>& in, CImg<double>& out, CoOrdinate p1, CoOrdinate p2,
                        RGBTriplet colour);
ZEL_API void FillCircleFun(const CImg<double>& in, CImg<double>& out, CoOrdinate centre, int radius,
                           RGBTriplet colour);
// A copy of in with a frame n pixels wide set to 0 along the four sides of
// every slice and channel (n limited to the width and height; n <= 0: a copy).
ZEL_API void MaskImgFun(const CImg<double>& in, CImg<double>& out, int n);
// 0 but for a mark of 255 around every value of at least 255: the cross of
// the pixels -2..+2 along its row and its column / the outline of the 5x5
// square centred on it; marks are clipped to the image.
ZEL_API void Point2CrossFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void Point2SquareFun(const CImg<double>& in, CImg<double>& out);

// ---- Image basics: measurements -------------------------------------------
// Euler number (blobs minus holes, 8-connected objects) of the white pixels
// (every channel at least 255) of slice 0 by Gray's bit-quad counts,
// (Q1 - Q3 - 2 QD) / 4 truncated; outside the image counts as 0.
ZEL_API int EulerNumFun(const CImg<double>& in);
// One channel: the values of at least 255 over every slice; three channels:
// the pixels with R + G + B >= 765; other channel counts 0. Saturates at INT_MAX.
ZEL_API int WhitePixelCounterFun(const CImg<double>& in);

// Whole-image statistics over the n values of every slice and channel, s the
// population standard deviation. Mean: NaN when empty.
ZEL_API double AverageIntensityFun(const CImg<double>& in);
// Entropy -sum p ln p of the 256-bin histogram of slice 0 over all channels,
// bin = value truncated (clamped into 0..255, NaN into bin 0), p = count /
// (width x height x channels), bins with p <= 1e-32 skipped; 0 when empty.
ZEL_API double EntropyCalcFun(const CImg<double>& in);
// Largest value, starting from 0 / smallest, starting from 255 (NaN passed
// over), truncated toward zero and saturated to int.
ZEL_API int HighestGreyFun(const CImg<double>& in);
ZEL_API int LowestGreyFun(const CImg<double>& in);
// Excess kurtosis M4 / (n s^4) - 3 / skew M3 / (n s^3); NaN for a constant or
// empty image.
ZEL_API double KurtosisCalcFun(const CImg<double>& in);
ZEL_API double SkewCalcFun(const CImg<double>& in);
// Mean of (a - b)^2 over the larger extent of a and b on each axis, a sample
// outside an image counting as 0 (no padded copies are made).
ZEL_API double MSECalcFun(const CImg<double>& a, const CImg<double>& b);
// Population standard deviation sqrt(M2 / n) and variance M2 / n (pairwise
// moments): exactly 0 for a constant image, NaN for an empty one.
ZEL_API double STDCalcFun(const CImg<double>& in);
ZEL_API double VarianceCalcFun(const CImg<double>& in);
// Grey-level co-occurrence matrix of horizontally adjacent pixels: 256 x 256
// per slice and channel, pair (a, b) of truncated levels adding 1 to cell
// (column a, row b) and 1 to (b, a); pairs with a level outside 0..255 skipped.
ZEL_API void CoOcMatGenFun(const CImg<double>& in, CImg<double>& out);
// Texture measures of a co-occurrence matrix P (column i, row j; counts taken
// as they are, not normalised). Homogeneity: sum trunc(P) / (1 + |i - j|) over
// every slice and channel, / (slices x channels). The others over slice 0 of
// each channel, / channels: entropy -sum P ln P over P > 0, energy sum P^2,
// contrast sum (i - j)^2 P (Haralick 1973). 0 for an empty image.
ZEL_API double CoHomogFun(const CImg<double>& in);
ZEL_API double CoEntropyFun(const CImg<double>& in);
ZEL_API double CoEnergyFun(const CImg<double>& in);
ZEL_API double CoContrastFun(const CImg<double>& in);

// ---- Image basics: point thresholds ---------------------------------------
// Maximum-entropy threshold (Kapur-Sahoo-Wong) of the 256-bin histogram of
// slice 0, channel 0: the last level 0..255 of the dark class; the lowest
// wins a tie; without two non-empty classes the lowest level present (0 if none).
ZEL_API int EntropicThresholdFun(const CImg<double>& in);
// 255 where value >= threshold, 0 elsewhere (NaN: 0), every slice and channel.
ZEL_API void ThresholdFun(const CImg<double>& in, CImg<double>& out, int threshold);
// ThresholdFun at 0.5 when every non-zero value is exactly 1, else at 127.
ZEL_API void MidThresholdFun(const CImg<double>& in, CImg<double>& out);
// 255 where low <= value <= high (bounds exchanged when low > high), else 0.
ZEL_API void DoubleThresholdFun(const CImg<double>& in, CImg<double>& out, int low, int high);

// ---- Image basics: arithmetic and logic -----------------------------------
// Sample by sample; out takes the larger of a's and b's width, height, depth
// and channels, a sample outside an input counting as 0. Add: (a + b) / 2;
// Subtract: a - b clamped to 0..255; Multiply: a b / 255, not clamped; Divide:
// 255 a / b, 255 where b = 0; Maximum / Minimum (a NaN yields b). And, Or, Xor:
// bitwise on each sample truncated and saturated to int, as a double.
ZEL_API void AddImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void AndImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void DivideImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void MaximumImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void MinimumImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void MultiplyImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void OrImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void SubtractImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
ZEL_API void XorImgFun(const CImg<double>& a, const CImg<double>& b, CImg<double>& out);
// 255 minus every value; out has in's size.
ZEL_API void NotImgFun(const CImg<double>& in, CImg<double>& out);

// ---- Image basics: geometry -----------------------------------------------
// Every plane on its own; slices and channels kept.

// Twice the width and height: in(x, y) at (2x, 2y), the pixels between the
// means of the two or four source pixels around them, the edge pixel repeated
// beyond the last column and row.
ZEL_API void DoubleImgSizeFun(const CImg<double>& in, CImg<double>& out);
// Half the width and height (truncated; an odd last row or column dropped),
// each pixel the mean of the 2x2 block it covers.
ZEL_API void HalveImgSizeFun(const CImg<double>& in, CImg<double>& out);
// Rotation by degrees (positive: clockwise as displayed) about (w/2, h/2),
// integer halves, with bilinear interpolation; pixels whose source falls
// outside the image are 0; quarter turns are exact; a non-finite angle gives 0s.
ZEL_API void RotateImgFun(const CImg<double>& in, CImg<double>& out, double degrees);
// Quarter turns into a height x width image: Minus90 out(y, w - 1 - x) =
// in(x, y); Plus90 out(h - 1 - y, x) = in(x, y).
ZEL_API void RotateMinus90ImgFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void RotatePlus90ImgFun(const CImg<double>& in, CImg<double>& out);
// Bilinear resampling to newWidth x newHeight, pixel centres aligned and edge
// pixels repeated; a size not above 0 gives a copy.
ZEL_API void ScaleImgFun(const CImg<double>& in, CImg<double>& out, int newWidth, int newHeight);

// ---- Filtering and feature detection: smoothing and neighbourhood filters -
// Every slice and channel is filtered on its own and out has in's size. The
// 3x3 filters leave the one-pixel border of each plane at 0 unless stated.

// Iterated 3x3 smoothing, iterations passes (none for 0 or less; stops once a
// pass changes nothing), the border keeping the input. AdaptiveSmooth: where
// the window's population variance is at most varianceThreshold, the mean
// weighted by exp(-((v - centre) / scale)^2), else the pixel kept. Diffusion:
// Perona-Malik, four neighbours, conduction exp(-(d / scale)^2), time step
// 0.25. A scale of 0 or NaN gives a copy.
ZEL_API void AdaptiveSmoothFun(const CImg<double>& in, CImg<double>& out, int iterations,
                               double varianceThreshold, double scale);
ZEL_API void DiffusionFun(const CImg<double>& in, CImg<double>& out, double scale, int iterations);
// Correlation with kernel (rows along y, anchor ((cols - 1) / 2, (rows - 1) / 2),
// outside pixels 0); with s the kernel's sum: |acc| if s = 0, acc / s if s > 1,
// 255 - acc / s if s < 0, else acc; clamped to 0..255. An empty kernel throws
// std::invalid_argument.
ZEL_API void ConvolutionFun(const CImg<double>& in, CImg<double>& out, ConvArray kernel);
// Separable Gaussian (kernel radius ceil(3 sigma), edge pixels repeated), then
// each plane mapped v -> (v - min) 255 / max by its own min and max (a plane
// whose max is 0 becomes 0). sigma <= 0 or NaN: only the mapping.
ZEL_API void GaussFun(const CImg<double>& in, CImg<double>& out, double sigma);
// 3x3 maximum; outside pixels count as 0, so the border is computed too.
ZEL_API void LargestIntensityNeighbourFun(const CImg<double>& in, CImg<double>& out);
// 3x3 mean / median (19-exchange sorting network) / (min + max) / 2.
ZEL_API void LowPassFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void MedianFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void MidpointFun(const CImg<double>& in, CImg<double>& out);
// Mean over the (2r + 1) x (2r + 1) window clipped to the plane: samples
// truncated to int, summed exactly, divided (integer division) by the number
// of window pixels inside the plane; r <= 0 truncates each sample. Running
// sums: the cost does not grow with r.
ZEL_API void RectangularAverageFilterFun(const CImg<double>& in, CImg<double>& out, int r);
// 9 x centre - the eight neighbours, clamped to 0..255.
ZEL_API void SharpenFun(const CImg<double>& in, CImg<double>& out);
// 3x3 minimum of the interior pixels.
ZEL_API void SmallestIntensityNeighbourFun(const CImg<double>& in, CImg<double>& out);
// 255 where the horizontal or vertical triple through the pixel has a value
// below the level and one at or above it, 0 elsewhere; level 0.5 when every
// value of the image is 0 or 1, else 127.
ZEL_API void ZeroCrossingsDetectorFun(const CImg<double>& in, CImg<double>& out);

// ---- Filtering and feature detection: edges and features ------------------
// Canny: Gaussian of sigma (none for sigma <= 0 or NaN), Sobel gradient,
// non-maximum suppression in four sectors, hysteresis seeded at magnitude
// >= high and grown through 8 neighbours at >= low (bounds exchanged when
// low > high). edges 255 / 0; directions the sector code 1..4 (0, 45, 90, 135
// degrees) where suppression keeps the pixel, else 0; border 0 in both.
ZEL_API void CannyFun(const CImg<double>& in, CImg<double>& edges, CImg<double>& directions, double sigma,
                      int low, int high);
// 3x3 gradient magnitudes sqrt(gx^2 + gy^2), clamped to 0..255, border 0.
// Frei-Chen: centre weight sqrt(2), not normalised (on Sobel's scale), then
// truncated; Prewitt: weight 1, truncated; Sobel: weight 2, not truncated.
// Roberts: sqrt((I(x,y) - I(x+1,y+1))^2 + (I(x+1,y) - I(x,y+1))^2) at the 2x2
// block's top-left pixel.
ZEL_API void FreiChenFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void PrewittFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void RobertsFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void SobelFun(const CImg<double>& in, CImg<double>& out);
// Code of the largest of the eight neighbours, counter-clockwise from the east
// with y up: 1 E, 2 NE, 3 N, 4 NW, 5 W, 6 SW, 7 S, 8 SE; the lowest code wins
// a tie, NaN never wins; border 0.
ZEL_API void IntensityGradientDirectionFun(const CImg<double>& in, CImg<double>& out);
// Centre minus neighbours: conn 8 gives (8 I - the 8 neighbours) / 2 + 127,
// any other conn 4 I - the 4 edge neighbours; clamped to 0..255; border 0.
ZEL_API void LaplacianFun(const CImg<double>& in, CImg<double>& out, int conn);
// Keeps a pixel not below its left and right, or its upper and lower,
// neighbours (plateaus kept); 0 elsewhere and on the border.
ZEL_API void NonMaximaFun(const CImg<double>& in, CImg<double>& out);
// SUSAN corners (Smith-Brady): USAN of the 37-pixel circular mask with a hard
// brightness threshold (negative counts as 0); 255 where the area is below
// half the mask, the centre-of-gravity and contiguity tests pass and the area
// is a 3x3 local minimum; 0 elsewhere and within 3 of the border.
ZEL_API void SusanDetectorFun(const CImg<double>& in, CImg<double>& out, int threshold, int unused);

// ---- Enhancement, thresholding and segmentation ---------------------------
// Every slice and channel on its own, out sized like in, unless stated.

// Rank equalisation: 255 / 8 (3x3) or 255 / 24 (5x5) times the number of the
// window's other pixels strictly below the centre; outside pixels count as 0,
// a NaN is never below and has nothing below it.
ZEL_API void LocalEqualisation3x3Fun(const CImg<double>& in, CImg<double>& out);
ZEL_API void LocalEqualisation5x5Fun(const CImg<double>& in, CImg<double>& out);
// Watershed by flooding (Meyer's hierarchical queue, 8 neighbours): each plane
// is 3x3 low-passed twice and rounded to grey levels; its regional minima,
// numbered 1, 2, ... in raster order, grow level by level from 256 FIFOs, a
// pixel joining the largest label beside it. labels: clamped to 255; bounds:
// 255 where a neighbour has a smaller label, else 0. Linear in the pixels.
ZEL_API void WatershedFun(const CImg<double>& in, CImg<double>& labels, CImg<double>& bounds);
// Noise generators: a disturbance added to every sample, clamped to 0..255
// (NaN stays NaN). A three-channel image whose slice-0 pixels are all grey
// gets one draw per pixel, shared by its channels. Draws come from one process-wide 64-bit Mersenne
// twister, seeded at start-up with a fixed seed; Gaussian and salt-and-pepper
// noise reseed it from the clock (whole seconds) at each call.
// Additive: uniform u in {0, 0.001, ..., 0.999}, u amplitude - amplitude / 2.
ZEL_API void AdditiveNoiseFun(const CImg<double>& in, CImg<double>& out, int amplitude);
// Gaussian (Box-Muller): |sigma| sqrt(-2 ln(1 - u1)) cos(2 pi u2) + 0.5;
// a non-finite sigma throws std::invalid_argument.
ZEL_API void GaussianNoiseFun(const CImg<double>& in, CImg<double>& out, double sigma);
// Exponential: -k ln(1 - u), k = |mean| truncated (two draws, one used); a NaN
// mean throws std::invalid_argument.
ZEL_API void PoissonNoiseFun(const CImg<double>& in, CImg<double>& out, double mean);
// Rayleigh: |scale| sqrt(-4.6598 ln(1 - u)) + 0.5; a non-finite scale throws.
ZEL_API void RayleighNoiseFun(const CImg<double>& in, CImg<double>& out, double scale);
// With probability `probability` a sample becomes 0 or 255 (even odds), else
// keeps its value; a NaN probability throws std::invalid_argument.
ZEL_API void SaltPepperNoiseFun(const CImg<double>& in, CImg<double>& out, double probability);
// Running sums: out(x, y) = sum over j <= y of in(x, j) / height (Cols) or over
// i <= x of in(i, y) / width (Rows).
ZEL_API void IntegrateColsFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void IntegrateRowsFun(const CImg<double>& in, CImg<double>& out);
// Each row's total in its last pixel, 0 elsewhere.
ZEL_API void L2RSumFun(const CImg<double>& in, CImg<double>& out);
// Washes: along each column (B2T, T2B) or row (L2R, R2L) from the named side,
// 0 until the first value of at least 255, 255 from it to the far side.
ZEL_API void B2TWashFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void T2BWashFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void L2RWashFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void R2LWashFun(const CImg<double>& in, CImg<double>& out);
// Look-up tables of 256 entries indexed by the grey level (value truncated and
// clamped to 0..255, NaN 0). HistEqualiser: per plane, cumulative count x 255
// / plane size, integer division.
ZEL_API void HistEqualiserFun(const CImg<double>& in, CImg<double>& out);
// Linear stretch of each plane's finite min..max onto 0..255 (infinities
// clamped, NaN kept); a plane without spread becomes 0.
ZEL_API void IntensityRangeEnhancerFun(const CImg<double>& in, CImg<double>& out);
// Table: 0 below low, 255 from high up, (i - low) 255 / (high - low) between
// (not truncated); bounds exchanged when low > high.
ZEL_API void IntensityRangeStretcherFun(const CImg<double>& in, CImg<double>& out, int low, int high);
// Tables 255 (e^(i/255) - 1) / (e - 1); 255 - i; 255 ln(1 + (e - 1) i / 255);
// (i / 255)^gamma scaled so the largest finite entry is 255 (infinite entries
// 255; a NaN gamma throws std::invalid_argument); i i / 255 (integer division).
ZEL_API void ExponentialLutFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void InverseLutFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void LogarithmLutFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void PowerLutFun(const CImg<double>& in, CImg<double>& out, double gamma);
ZEL_API void SquareLutFun(const CImg<double>& in, CImg<double>& out);
// Keeps each value of at least threshold, 0 elsewhere (NaN: 0).
ZEL_API void GSCapThresholdFun(const CImg<double>& in, CImg<double>& out, int threshold);
// 255 where value >= mean of its 3x3 / 5x5 window - offset, 0 elsewhere (NaN:
// 0); the window sum counts outside pixels as 0 and is divided by 9 / 25.
ZEL_API void AdaptiveThreshold3x3Fun(const CImg<double>& in, CImg<double>& out, int offset);
ZEL_API void AdaptiveThreshold5x5Fun(const CImg<double>& in, CImg<double>& out, int offset);
// Bands: 0 below low, 127 from low, 255 from high (bounds exchanged when
// low > high).
ZEL_API void TripleThresholdFun(const CImg<double>& in, CImg<double>& out, int low, int high);
// grey (not clamped) where a value of slice 0 is at least 255, 0 elsewhere;
// later slices 0.
ZEL_API void BinGreyFun(const CImg<double>& in, CImg<double>& out, int grey);

// ---- Morphology and shape analysis: grey and binary morphology ------------
// Every slice and channel on its own, out sized like in. 3x3 element: the
// full square when conn is 8, the cross of the pixel and its 4 edge
// neighbours for any other conn. Dilation: the window's maximum, outside
// pixels counting as 0 (border computed); erosion: the minimum, border 0.
ZEL_API void DilationFun(const CImg<double>& in, CImg<double>& out, int conn);
ZEL_API void ErosionFun(const CImg<double>& in, CImg<double>& out, int conn);
// Grey dilation / erosion by the structuring element se (rows along y, centre
// ((cols - 1) / 2, (rows - 1) / 2), cells of 0 not part of it): the max / min
// of cell + pixel under it, clamped to 0..255 (erosion then truncated); with
// no non-zero cell 0 / 255. Only pixels whose window lies inside are
// computed; the frame the centre leaves is 0. Flat elements use running
// extremes (van Herk / Gil-Werman).
ZEL_API void DilationNxNFun(const CImg<double>& in, CImg<double>& out, ConvArray se);
ZEL_API void ErosionNxNFun(const CImg<double>& in, CImg<double>& out, ConvArray se);
// Morphological gradient (Beucher): DilationFun - ErosionFun, clamped 0..255.
ZEL_API void BeucherGradientFun(const CImg<double>& in, CImg<double>& out, int conn);
// Closing: dilation then erosion; opening: erosion then dilation (same element).
ZEL_API void CloseFun(const CImg<double>& in, CImg<double>& out, int conn);
ZEL_API void CloseNxNFun(const CImg<double>& in, CImg<double>& out, ConvArray se);
ZEL_API void OpenFun(const CImg<double>& in, CImg<double>& out, int conn);
ZEL_API void OpenNxNFun(const CImg<double>& in, CImg<double>& out, ConvArray se);
// Hit-and-miss: ErosionNxNFun(in, hit) AND (bitwise, on ints)
// ErosionNxNFun(255 - in, miss).
ZEL_API void HitAndMissFun(const CImg<double>& in, CImg<double>& out, ConvArray hit, ConvArray miss);
// Top hat: in - OpenFun(in); valley (black top hat): CloseFun(in) - in; both
// clamped to 0..255.
ZEL_API void MorphTopHatFun(const CImg<double>& in, CImg<double>& out, int conn);
ZEL_API void MorphValleyFun(const CImg<double>& in, CImg<double>& out, int conn);
// Grey reconstruction by dilation of marker under mask (conn 8: the 3x3
// square, else the cross; nothing beyond the image), computed to completion
// by Vincent's hybrid raster scans and FIFO queue; the marker is first capped
// by the mask (sizes as MinimumImgFun). residue = mask - reconstruction,
// clamped to 0..255.
ZEL_API void ReconByDilationFun(const CImg<double>& mask, const CImg<double>& marker, CImg<double>& out,
                                CImg<double>& residue, int conn);
// Hysteresis (double) threshold: seed = ThresholdFun(in, seedThreshold),
// region = ThresholdFun(in, regionThreshold), out = the reconstruction of seed
// under region with conn 8: the regions that hold a seed.
ZEL_API void DBLTFun(const CImg<double>& in, CImg<double>& out, CImg<double>& seed, CImg<double>& region,
                     int seedThreshold, int regionThreshold);
// Removes isolated white pixels: 255 where the value is at least 255 and its
// 8 neighbours (outside 0) sum above 0, 0 elsewhere.
ZEL_API void RemIsoFun(const CImg<double>& in, CImg<double>& out);

// ---- Morphology and shape analysis: skeletons and distances ---------------
// Object pixels are those of at least 255; every slice and channel on its own.

// Morphological skeleton with the cross element (Lantuejoul): 255 where no
// 4-neighbour is farther from the background (outside counts as background),
// 0 elsewhere; one distance map, linear time.
ZEL_API void MedialAxisFun(const CImg<double>& in, CImg<double>& out);
// Run lengths 1, 2, 3, ... of the values that truncate to 255, along each row
// (L2R, R2L) or column (T2B, B2T) in the named direction; 0 elsewhere. B2T
// works on slice 0 only, later slices 0.
ZEL_API void L2RDistTransformFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void R2LDistTransformFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void T2BDistTransformFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void B2TDistTransformFun(const CImg<double>& in, CImg<double>& out);
// Chamfer distance (Borgefors) from each object pixel to the nearest
// background pixel inside the plane: 3-4 weights, unscaled / 5-7-11 weights,
// scaled by 255 / largest when the largest exceeds 255. Two raster passes,
// linear; a plane without background is 0.
ZEL_API void DistanceTransform3x3Fun(const CImg<double>& in, CImg<double>& out);
ZEL_API void DistanceTransform5x5Fun(const CImg<double>& in, CImg<double>& out);
// Grassfire: city-block steps from each interior object pixel to the nearest
// background, capped at 254 (254 throughout a plane without background);
// other interior pixels 0; the one-pixel border keeps the input.
ZEL_API void GFTransformFun(const CImg<double>& in, CImg<double>& out);

// ---- Morphology and shape analysis: labelling and blobs -------------------
// Blobs: 8-connected white pixels (every channel at least 255), slice by
// slice; results go to every channel, background 0.

// Labels 1, 2, ... (not capped) in raster order of each blob's first pixel,
// numbered afresh per slice; runs joined by union-find, linear.
ZEL_API void LabellerFun(const CImg<double>& in, CImg<double>& out);
// 255 at each blob's centroid, rounded half up; 0 elsewhere. Both entries are
// the same operation (blobs are counted in 32 bits).
ZEL_API void CentroidFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void Centroid16Fun(const CImg<double>& in, CImg<double>& out);
// The largest blob count of any slice (LabellerFun's highest label).
ZEL_API int CountWhiteBlobsFun(const CImg<double>& in);
// The one blob of largest / smallest area in 255 (equal areas: the lower
// label), 0 elsewhere.
ZEL_API void BiggestBlobFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void SmallestBlobFun(const CImg<double>& in, CImg<double>& out);
// Each blob's rank by ascending area (1 = smallest; equal areas: the lower
// label first).
ZEL_API void LabelByAreaFun(const CImg<double>& in, CImg<double>& out);
// Blobs with their holes filled / the holes alone, in 255; a hole is a
// 4-connected background component that does not touch the image border.
ZEL_API void BlobFillFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void IsolateHolesFun(const CImg<double>& in, CImg<double>& out);
// Bays: the background inside the convex hull open to the outside, in 255
// (the holes of the filled blobs with their hull outline drawn over them).
ZEL_API void IsolateBaysFun(const CImg<double>& in, CImg<double>& out);
// A copy of in with, per slice, the box around the pixels above 0 grown by
// one pixel, outlined (DrawBoxFun, thickness 1) / filled (FillBoxFun) in 255
// when it fits the image; otherwise the grown box around the pixels below 255
// in 0, clipped (nothing when every pixel is 255).
ZEL_API void BoundingBoxFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void FillBoundingBoxFun(const CImg<double>& in, CImg<double>& out);

// ---- Morphology and shape analysis: shape --------------------------------
// 255 at the interior pixels of exactly 255, window all 0 and 255, whose white
// neighbours form two or more 8-connected groups without the centre (line
// pixels, bridges, branch points); 0 elsewhere and on the border.
ZEL_API void ConnectivityFun(const CImg<double>& in, CImg<double>& out);
// Outline of the convex hull (Andrew's monotone chain over each row's end
// pixels) of the pixels of at least 255, drawn in 255 with 4-connected edges;
// per slice, the channels' hulls joined by maximum and written to every channel.
ZEL_API void ConvexHullFun(const CImg<double>& in, CImg<double>& out);
// ConvexHullFun, ThresholdFun at 255, then BlobFillFun: the filled hull.
ZEL_API void FilledConvexHullFun(const CImg<double>& in, CImg<double>& out);
// MidThresholdFun of (grey closing - in), the closing two 3x3 maximum passes
// then two 3x3 minimum passes: dark cracks narrow enough for the closing to
// fill (up to 4 pixels) and deep enough to pass the cut come out 255.
ZEL_API void CrackDetectorFun(const CImg<double>& in, CImg<double>& out);

// ---- Morphology and shape analysis: thinning and skeleton features --------
// Difference of low-pass images: out = L^3 - L^6 of in, clamped to 0..255,
// L the 3x3 LowPassFun (border 0, growing a pixel per pass). in is not const
// on purpose: L^3 is left in it for callers that reuse the smoothed image, and
// a const parameter would change the exported (mangled) symbol.
ZEL_API void DOLPSFun(CImg<double>& in, CImg<double>& out);
// A copy of in whose interior pixels are set to 0 where more than 6 of the 9
// values of their 3x3 block are odd once truncated (255 is odd): object
// insides go, their borders stay.
ZEL_API void BinaryBorderFun(const CImg<double>& in, CImg<double>& out);
// Pattern detectors on 3x3 rings of white (at least 255) pixels: 255 at the
// white interior pixels that match, 0 elsewhere and on the border. Corners:
// two perpendicular edge neighbours and their diagonal white, the opposite
// two and their diagonal not, in four rotations.
ZEL_API void CornerPointDetectorFun(const CImg<double>& in, CImg<double>& out);
// Zhang-Suen thinning of the white pixels: at most iterations passes of two
// sub-passes (none for 0 or less), stopping once a pass removes nothing;
// removed pixels become 0, all others keep their value. FullThin: to the end.
ZEL_API void ThinImgFun(const CImg<double>& in, CImg<double>& out, int iterations);
ZEL_API void FullThinFun(const CImg<double>& in, CImg<double>& out);
// Junctions: three or more branches leave the pixel (the crossing number,
// background-to-white transitions round the ring, is at least 3).
ZEL_API void JunctionDetectorFun(const CImg<double>& in, CImg<double>& out);
// Marks with 255 the pixels of exactly 255 from which three or more branches
// of exactly-255 neighbours leave (background-to-object transitions round the
// 3x3 ring, the crossing number of 8-connected skeletons); everything else
// 0. Every pixel of every slice and channel is examined, outside counting 0.
ZEL_API void Junction8DetectorFun(const CImg<double>& in, CImg<double>& out);
// Limb ends: one white neighbour, or two that touch each other (a single
// background-to-white transition round the ring), as at a line's tip.
// Border 0, like the other pattern detectors.
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
ZEL_API void FourierSymSelectivePassFun(const CImg<double>& re, const CImg<double>& im, CImg<double>& out_re,
                                        CImg<double>& out_im, double r, double u, double v);

// ---- Frequency-domain and Hough transforms --------------------------------
// Straight-line Hough accumulator (Duda-Hart rho-theta form), in's size:
// column i is the angle theta = i pi / width; row H/2 + rho (H - 1)/2 / D
// (integer halves, rounded) the distance rho = x cos theta + y sin theta from
// the top-left pixel, D the diagonal, so rho = 0 is the middle row. Each
// slice's non-zero pixels of channel 0 vote into every channel of that slice.
ZEL_API void HoughFun(const CImg<double>& in, CImg<double>& out);
// 0 but for, per slice, the `lines` strongest peaks of channel 0 (positive
// cells not below their 8 neighbours, one per plateau; ties to the first in
// raster order; none for lines <= 0) drawn as lines of 255 in every channel.
ZEL_API void InvHoughFun(const CImg<double>& accumulator, CImg<double>& out, int lines);

// ---- Volumes and DICOM: file input and output -----------------------------
// Reads the series of the DICOM file at path: every file of its folder with
// the same study and series UIDs, one slice each in instance order (modality
// rescale applied); files of other sizes are passed over with a notice on
// stderr. Leaves the folder listing "tempfile.txt" in the working directory.
ZEL_API void DicomOpenFun(CImg<double>& out, const char* path);
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

// ---- Image basics: colour spaces and percentage scaling -------------------
// Every conversion but CMY copies a one-channel image, converts channels 0..2
// of every pixel of every slice of an image of 3 or more channels (further
// channels 0) and throws std::invalid_argument for a two-channel image.
// R, G, B are sRGB-encoded grey levels 0..255.
// 255 minus every value of every channel (each is its own inverse).
ZEL_API void CMYToColourFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void ColourToCMYFun(const CImg<double>& in, CImg<double>& out);
// Hue (arccos formula, 0..360 degrees scaled to 0..255; 0 for grey),
// saturation 1 - 3 min / (R + G + B) scaled to 0..255 (0 for black) and
// intensity (R + G + B) / 3. The inverse uses the sector formulas, not clamped.
ZEL_API void ColourToHSIFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void HSIToColourFun(const CImg<double>& in, CImg<double>& out);
// CIE L*a*b* (L* 0..100) of the linearised sRGB colour, D65 white; the
// inverse clamps R, G, B to 0..255.
ZEL_API void ColourToLABFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void LABToColourFun(const CImg<double>& in, CImg<double>& out);
// X, Y, Z (0..100, white Y = 100) of the linearised sRGB colour by the
// sRGB/D65 matrix; the inverse clamps R, G, B to 0..255.
ZEL_API void ColourToXYZFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void XYZToColourFun(const CImg<double>& in, CImg<double>& out);
// NTSC Y, I, Q and analogue-television Y, U = 0.492 (B - Y), V = 0.877 (R - Y)
// on the 0..255 scale of R, G, B; the inverses clamp to 0..255.
ZEL_API void ColourToYIQFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void YIQToColourFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void ColourToYUVFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void YUVToColourFun(const CImg<double>& in, CImg<double>& out);
// Opponent colours R - 2G + B, -R - G + 2B, R + G + B and their exact
// inverse ((o1 - o2 + o3) / 3, (o3 - o1) / 3, (o2 + o3) / 3), not clamped.
ZEL_API void ColourToOpponentFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void OpponentToColourFun(const CImg<double>& in, CImg<double>& out);
// 0.299 R + 0.587 G + 0.114 B written into channels 0, 1 and 2.
ZEL_API void GreyScalerFun(const CImg<double>& in, CImg<double>& out);
// Display views onto 0..255 (clamped), by fixed ranges of each space: L* x 2.55
// and a*, b* + 128; X, Y, Z from 0..white; YIQ, YUV and opponent channels from
// the range each reaches over the RGB cube.
ZEL_API void ViewLABFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void ViewXYZFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void ViewYIQFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void ViewYUVFun(const CImg<double>& in, CImg<double>& out);
ZEL_API void ViewOpponentFun(const CImg<double>& in, CImg<double>& out);
// Every value times k divided by 100, in doubles (no integer overflow).
ZEL_API void VellFun(const CImg<double>& in, CImg<double>& out, int k);

// ---- Enhancement, thresholding and segmentation: colour clustering --------
// k-means on the colours of all channels, slice by slice, from k-means++
// centres of a fixed seed (the same image always gives the same result),
// until no pixel changes cluster or 100 passes. Each pixel becomes its
// cluster's centre truncated toward zero; "Here #3" and a newline go to
// standard output after each slice. Fewer distinct colours than k give one
// cluster per colour; k < 1 throws std::invalid_argument.
ZEL_API void ColourClusterFun(const CImg<double>& in, CImg<double>& out, int k);
// The same k-means started from the peaks of each channel's 256-bin histogram
// (5-bin mean smoothed); out1 each pixel's centre, out2 its cluster index;
// count 1 plus the centres of the last slice that differ from the one before
// them (one colour: 1; no pixels: 0).
ZEL_API void SIColourClusterFun(const CImg<double>& in, CImg<double>& out1, CImg<double>& out2, double& count);

// ---- Frequency-domain and Hough transforms: circles -----------------------
// Slice k of the accumulator (width x height x (rmax - rmin) / rstep x 1):
// the votes for radius rmin + k * rstep of the non-zero pixels of channel 0
// of slice 0 (each drawing one rasterised circle), divided by the radius. A
// positive step with rmax <= rmin gives an empty image; a step of 0, a
// negative slice count or a radius below 1 throws std::invalid_argument.
ZEL_API void CircHoughFun(const CImg<double>& in, CImg<double>& out, int rmin, int rmax, int rstep);
// A width x height x 1 x 3 image, 0 but for a white circle of radius
// r0 + z * step (the same rasterised circle) at every non-zero cell (x, y, z)
// of channel 0 of the accumulator; a negative radius draws nothing; the
// middle int is not read.
ZEL_API void InvCircHoughFun(const CImg<double>& accumulator, CImg<double>& out, int r0, int unused, int step);

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
// Voxel counts V1, V2 of the regions tracked from seed1 in first and seed2 in
// second (each volume 3x3x3-median filtered and clustered into 3 grey classes;
// from the seed's class region in the middle slice, slice by slice up and
// down); returns (V2 - V1) / V2. Throws for a seed outside its volume or V2 = 0.
ZEL_API double EjectionFractionFun(const CImg<double>& first, const CImg<double>& second, CoOrdinate seed1,
                                   CoOrdinate seed2);
// Opens the 3-D viewer (256 x 256, empty title) on the non-zero voxels of
// channel 0 as points and returns when the window is closed (or Esc or Q is
// pressed). Without a display: one notice on stderr, returns at once.
ZEL_API void Render3DFun(const CImg<double>& in);

// ---- Feature detection and segmentation on planes ----
// Circles of each plane found by a gradient-direction Hough transform: every
// edge pixel votes for centres along its gradient; a centre with enough votes
// keeps the radius whose ring its edge pixels cover best. circles: the rings
// at 255; votes: the centre votes, then the larger of them and circles.
ZEL_API void CircDetectorFun(const CImg<double>& in, CImg<double>& circles, CImg<double>& votes);
// The non-zero pixels of each plane cleaned into simple 8-connected chains
// (staircase corners, junctions of 3 or more neighbours, then isolated points
// removed), each chain replaced by the polyline of recursive splitting
// (tolerance 2 pixels) drawn at 255; 0 elsewhere.
ZEL_API void LineFittingFun(const CImg<double>& in, CImg<double>& out);
// Region grown from (x, y) (4-connected, within 20 grey levels of the seed),
// then 50 steps of a narrow-band level set (balloon force stopped by the
// image's edges, curvature smoothing). out1: in with the final zero level at
// 255; out2: the grown region at 255; out3: the function (negative inside,
// clamped to +-3). Every plane on its own. Throws for a seed outside the image.
ZEL_API void LevelSetFun(const CImg<double>& in, CImg<double>& out1, CImg<double>& out2, CImg<double>& out3, int x,
                         int y);

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
