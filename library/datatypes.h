// Value classes that cross the library boundary: a pixel position, a colour
// and a rows x cols table of doubles (kernels, structuring elements,
// per-slice statistics).
#pragma once

#include <memory>

#include "image.h"

class ZEL_API CoOrdinate {
 public:
  CoOrdinate() = default;
  CoOrdinate(int x, int y) : x_(x), y_(y) {}
  virtual ~CoOrdinate() = default;
  CoOrdinate(const CoOrdinate&) = default;
  CoOrdinate& operator=(const CoOrdinate&) = default;

  int getX() const { return x_; }
  int getY() const { return y_; }
  void setX(int x) { x_ = x; }
  void setY(int y) { y_ = y; }

 private:
  int x_ = 0;  // column
  int y_ = 0;  // row
};

class ZEL_API RGBTriplet {
 public:
  RGBTriplet() = default;
  RGBTriplet(int r, int g, int b) : r_(r), g_(g), b_(b) {}
  RGBTriplet(double r, double g, double b) : r_(r), g_(g), b_(b) {}
  virtual ~RGBTriplet() = default;
  RGBTriplet(const RGBTriplet&) = default;
  RGBTriplet& operator=(const RGBTriplet&) = default;

  double getR() const { return r_; }
  double getG() const { return g_; }
  double getB() const { return b_; }
  void setR(double r) { r_ = r; }
  void setG(double g) { g_ = g; }
  void setB(double b) { b_ = b; }

 private:
  double r_ = 0.0, g_ = 0.0, b_ = 0.0;
};

// A rows x cols table addressed as data[row][column]. Copies share the rows
// (a copy handed to an operation sees and changes the same elements); the
// storage is released when the last copy goes, so nothing leaks.
class ZEL_API ConvArray {
 public:
  ConvArray();  // 1 x 1, the element 0.0
  virtual ~ConvArray() = default;
  ConvArray(const ConvArray&) = default;
  ConvArray& operator=(const ConvArray&) = default;

  // Replaces the contents with rows x cols zeros. Negative sizes count as 0;
  // throws std::bad_alloc when the table cannot be allocated.
  void setSize(int rows, int cols);
  int getRows() const { return rows; }
  int getCols() const { return cols; }

  int rows = 0;
  int cols = 0;
  double** data = nullptr;  // rows pointers into one contiguous block

 private:
  std::shared_ptr<void> storage_;
};
