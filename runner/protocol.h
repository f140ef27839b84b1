// How one command runs: its inputs are read from the value files named on
// the command line, in order; its row calls one library operation; its
// results are written as value files "temp_out_kq_matfileN.kqmat" (N the
// slot) in the working directory and their names printed.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "datatypes.h"
#include "image.h"
#include "valuefile.h"

namespace zel {

// Input kinds, as letters of a row's input signature.
enum InputKind : char {
  kImage = 'I',
  kImageSizes = 'S',  // an image whose sizes only the operation reads
  kNumber = 'N',
  kCoord = 'C',
  kColour = 'K',
  kArray = 'A',
  kPath = 'P',
};

// The inputs of one run, read in argv order. Accessors count from 1 within
// each kind: image(2) is the second image input, integer(1) the first number
// input truncated toward zero.
class Args {
 public:
  // Reads argv[0..n-1] as the kinds of `signature` (throws ValueFileError);
  // the first image input is read turned by `first_image`.
  Args(const char* signature, char** argv, QuarterTurn first_image = QuarterTurn::None);

  const CImg<double>& image(int k) const { return images_.at(k - 1); }
  // Image k handed over for an operation that changes its input: the run
  // reads each input once, so the image is moved out rather than copied.
  CImg<double> take_image(int k) const { return std::move(images_.at(k - 1)); }
  double number(int k) const;  // refuses NaN (infinities pass)
  int integer(int k) const;  // truncated toward zero, saturated to the int range
  CoOrdinate coord(int k) const { return coords_.at(k - 1); }
  // Coordinate k as a position in the first image as read: x and y exchanged
  // when that image was read transposed.
  CoOrdinate position(int k) const;
  bool first_transposed() const { return first_image_ == QuarterTurn::Transposed; }
  RGBTriplet colour() const { return colours_.at(0); }
  ConvArray array(int k) const { return arrays_.at(k - 1); }
  const char* path(int k) const { return paths_.at(k - 1); }

 private:
  struct Number {
    double value;
    const char* file;
  };
  std::vector<std::unique_ptr<ImageSizes>> sized_;  // own the views in images_
  mutable std::vector<CImg<double>> images_;  // mutable for take_image
  std::vector<Number> numbers_;
  std::vector<CoOrdinate> coords_;
  std::vector<RGBTriplet> colours_;
  std::vector<ConvArray> arrays_;
  std::vector<const char*> paths_;
  QuarterTurn first_image_;
};

// The results of one run, by output slot (0, 1, 2).
class Results {
 public:
  static constexpr int kSlots = 3;
  enum class Kind { Empty, Image, Number, Coord, Colour, Array };

  CImg<double>& image(int slot);  // an empty image for the operation to fill
  // The slot's image taken over from image input k rather than copied: an
  // operation handed it as both its input and its output writes its result
  // over its input, so the run fills one full-size buffer from the file and
  // writes that same buffer out. The first image input read transposed is
  // written back transposed.
  CImg<double>& image_from(int slot, const Args& args, int k);
  void number(double v, int slot = 0);
  void coord(const CoOrdinate& p) { set(0, Kind::Coord).p = p; }
  void colour(const RGBTriplet& c) { set(0, Kind::Colour).col = c; }
  void array(const ConvArray& a) { set(0, Kind::Array).arr = a; }
  void say_success() { success_ = true; }  // the command prints "success" instead of names

  // Writes every result file under a temporary name first and renames them
  // into place only when all are written, so a failed write replaces none;
  // a run killed between two renames can leave a new slot 0 beside an old
  // slot 1, but every file is whole. Then prints the names separated by one
  // blank, without a newline.
  void publish() const;

 private:
  struct Slot {
    Kind kind = Kind::Empty;
    CImg<double> img;
    bool transposed = false;  // img holds the transpose of the result
    double num = 0.0;
    CoOrdinate p;
    RGBTriplet col;
    ConvArray arr;
  };
  Slot& set(int slot, Kind kind);
  std::array<Slot, kSlots> slots_;
  bool success_ = false;
};

// One row of the command table: the command's name, its input kinds in argv
// order, and the call that maps inputs and result slots to the operation.
// A row whose operation is a quarter turn has the reader turn its first
// image instead (first_image), and its call only passes that image on. A
// row whose operation treats every sample alike (the same function of each
// sample, whatever its position) may have it read Transposed; coordinates
// then reach it through Args::position.
struct Command {
  const char* name;
  const char* inputs;
  void (*call)(const Args&, Results&);
  QuarterTurn first_image = QuarterTurn::None;
};

// The rows of every built command (commands.cpp).
const std::vector<Command>& command_table();
const Command* find_command(const char* name);

// The result file name of a slot.
std::string result_name(int slot);

// The whole run of zel_toolbox; returns the exit status.
int run_toolbox(int argc, char** argv);

}  // namespace zel
