// The blocked transposition against the element-by-element one, and the
// value-file readers and writers that use it against a file laid out value
// by value (planes large enough to be shared out over the threads among
// them).
#include <cstdlib>
#include <memory>

#include "dll.h"
#include "runner_fixture.h"
#include "transpose.h"

namespace zel_test {
namespace {

struct FreeDeleter {
  void operator()(double* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<double[], FreeDeleter>;

Buffer aligned_buffer(size_t n) {
  return Buffer(static_cast<double*>(std::aligned_alloc(64, ((n * sizeof(double) + 63) / 64) * 64)));
}

TEST(Transpose, BlockedEqualsElementByElementOnOddShapesStridesAndAlignments) {
  const size_t shapes[][2] = {{1, 1}, {1, 37}, {37, 1}, {7, 13}, {4, 4}, {8, 8}, {33, 65}, {513, 257}};
  for (const auto& s : shapes)
    for (size_t pad : {0, 3, 4})
      for (size_t shift : {0, 1, 2})  // destination 64-, 8- and 16-byte aligned
        for (bool stream : {false, true}) {
          const size_t cols = s[0], rows = s[1], ss = rows + pad, ds = cols + pad;
          const size_t src_n = cols * ss, dst_n = rows * ds + shift;
          Buffer src = aligned_buffer(src_n), fast = aligned_buffer(dst_n), plain = aligned_buffer(dst_n);
          for (size_t i = 0; i < src_n; ++i) src[i] = static_cast<double>(i) + 0.25;
          for (size_t i = 0; i < dst_n; ++i) fast[i] = plain[i] = -1.0;  // padding must stay untouched
          zel::transpose(src.get(), ss, fast.get() + shift, ds, cols, rows, stream);
          zel::transpose_plain(src.get(), ss, plain.get() + shift, ds, cols, rows);
          EXPECT_EQ(std::memcmp(fast.get(), plain.get(), dst_n * sizeof(double)), 0)
              << cols << " x " << rows << " pad " << pad << " shift " << shift << " stream " << stream;
          // The reference itself: one hand-checked element.
          EXPECT_EQ(plain[shift + (rows - 1) * ds + (cols - 1)], static_cast<double>((cols - 1) * ss + rows - 1) + 0.25);
        }
}

class TransposedFiles : public RunnerTest {
 protected:
  // A value file written value by value in file order, and the image it holds.
  CImg<double> plain_file(const std::string& name, int w, int h, int d, int c) const {
    CImg<double> img(w, h, d, c);
    cimg_foroff(img, i) img[i] = static_cast<double>(i % 1000003) * 0.125 - 3;
    std::vector<double> values;
    values.reserve(img.size());
    for (int z = 0; z < d; ++z)
      for (int v = 0; v < c; ++v)
        for (int x = 0; x < w; ++x)
          for (int y = 0; y < h; ++y) values.push_back(img(x, y, z, v));
    raw_file(name, {h, w, c, d}, values);
    return img;
  }
};

TEST_F(TransposedFiles, ReadWriteAndTurnedReadsEqualThePlainLayoutOnOddShapes) {
  // 140000 rows exceed one transfer buffer, so a column is carried in pieces.
  const int shapes[][4] = {{1, 1, 1, 1},   {1, 29, 1, 1},   {29, 1, 1, 1},     {7, 13, 1, 1},  {513, 257, 1, 1},
                           {5, 3, 2, 3},   {13, 7, 3, 2},   {3, 140000, 1, 2}, {140000, 2, 1, 1}, {64, 2048, 1, 1}};
  for (const auto& s : shapes) {
    const std::string label = std::to_string(s[0]) + " x " + std::to_string(s[1]) + " x " + std::to_string(s[2]) +
                              " x " + std::to_string(s[3]);
    const CImg<double> img = plain_file("plain", s[0], s[1], s[2], s[3]);
    const CImg<double> read = zel::GetImage(path("plain").c_str());
    ASSERT_TRUE(read.is_sameXYZC(img)) << label;
    EXPECT_EQ(std::memcmp(read.data(), img.data(), img.size() * sizeof(double)), 0) << label;

    zel::WriteValueFile(path("back").string(), zel::WriteImage, img);
    EXPECT_TRUE(slurp(path("back")) == slurp(path("plain"))) << label;

    CImg<double> plus, minus;
    RotatePlus90ImgFun(img, plus);
    RotateMinus90ImgFun(img, minus);
    for (const auto& [turn, expect] : {std::pair{zel::QuarterTurn::Plus, &plus}, {zel::QuarterTurn::Minus, &minus}}) {
      const CImg<double> turned = zel::GetImage(path("plain").c_str(), turn);
      ASSERT_TRUE(turned.is_sameXYZC(*expect)) << label;
      EXPECT_EQ(std::memcmp(turned.data(), expect->data(), img.size() * sizeof(double)), 0) << label;
    }
    // Read in the file's own order: every plane transposed, and written back
    // as the file it came from.
    const CImg<double> transposed = zel::GetImage(path("plain").c_str(), zel::QuarterTurn::Transposed);
    const CImg<double> expect = img.get_permute_axes("yxzc");
    ASSERT_TRUE(transposed.is_sameXYZC(expect)) << label;
    EXPECT_EQ(std::memcmp(transposed.data(), expect.data(), img.size() * sizeof(double)), 0) << label;
    zel::WriteValueFile(path("back").string(), zel::WriteTransposedImage, transposed);
    EXPECT_TRUE(slurp(path("back")) == slurp(path("plain"))) << label;
  }
}

TEST_F(TransposedFiles, TurnedReadsRefuseWhatPlainReadsRefuse) {
  raw_file("short", {3, 4, 1, 1}, {1, 2, 3});
  for (zel::QuarterTurn turn : {zel::QuarterTurn::Plus, zel::QuarterTurn::Minus, zel::QuarterTurn::Transposed}) {
    EXPECT_THROW(zel::GetImage(path("short").c_str(), turn), zel::ValueFileError);
    raw_file("empty", {0, 4, 1, 1}, {});
    EXPECT_TRUE(zel::GetImage(path("empty").c_str(), turn).is_empty());
  }
}

}  // namespace
}  // namespace zel_test
