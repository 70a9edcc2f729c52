// The ten state images: their size, that each is its own picture, and the
// features that tell them apart.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <array>
#include <string>
#include <vector>

#include "tree/Tarvel_StateImages.h"

namespace {

bool IsGreen(QRgb pixel) {
  return qAlpha(pixel) > 128 && qGreen(pixel) > 120 && qRed(pixel) < 100 && qBlue(pixel) < 100;
}
bool IsBlue(QRgb pixel) {
  return qAlpha(pixel) > 128 && qBlue(pixel) > 120 && qRed(pixel) < 100 && qGreen(pixel) < 100;
}

int Count(const QImage& image, bool (*test)(QRgb)) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += test(image.pixel(x, y)) ? 1 : 0;
  }
  return count;
}

// Green runs met going down the middle column: the bars of images 1 and 2.
int GreenRunsDownTheMiddle(const QImage& image) {
  int runs = 0;
  bool inRun = false;
  for (int y = 0; y < image.height(); ++y) {
    const bool green = IsGreen(image.pixel(8, y));
    if (green && !inRun) ++runs;
    inRun = green;
  }
  return runs;
}

TEST(StateImagesTest, NineSixteenPixelImagesEachItsOwnAndNoneForDontKnow) {
  EXPECT_TRUE(StateImage(0).isNull());
  EXPECT_TRUE(StateImage(10).isNull());
  EXPECT_TRUE(StateImage(255).isNull());
  for (std::uint8_t i = 1; i < 10; ++i) {
    EXPECT_FALSE(StateImage(i).isNull()) << int{i};
    EXPECT_EQ(StateImage(i).size(), QSize(16, 16)) << int{i};
  }
  EXPECT_TRUE(DrawStateImage(-1).isNull());
  EXPECT_TRUE(DrawStateImage(10).isNull());

  std::vector<QImage> images;
  for (int i = 0; i < 10; ++i) images.push_back(DrawStateImage(i));
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(images[static_cast<std::size_t>(i)].size(), QSize(16, 16)) << i;
    for (int j = 0; j < i; ++j) {
      EXPECT_NE(images[static_cast<std::size_t>(i)], images[static_cast<std::size_t>(j)])
          << i << " and " << j;
    }
  }
}

TEST(StateImagesTest, TheQuestionMarkIsBlueAndEveryOtherPictureGreen) {
  const QImage unknown = DrawStateImage(0);
  EXPECT_GT(Count(unknown, IsBlue), 10);
  EXPECT_EQ(Count(unknown, IsGreen), 0);
  for (int i = 1; i < 10; ++i) {
    const QImage image = DrawStateImage(i);
    EXPECT_GT(Count(image, IsGreen), 4) << i;
    EXPECT_EQ(Count(image, IsBlue), 0) << i;
  }
  EXPECT_EQ(GreenRunsDownTheMiddle(DrawStateImage(1)), 1);
  EXPECT_EQ(GreenRunsDownTheMiddle(DrawStateImage(2)), 3);
}

TEST(StateImagesTest, TheGridsColourTheirCellsByWhatTheyStandFor) {
  struct Case {
    int image;
    std::array<const char*, 3> rows;  // G: a green cell
  };
  const Case cases[] = {
      {6, {"GGG", "GGG", "GGG"}},  // sheet
      {7, {"...", "GGG", "GGG"}},  // section
      {8, {"...", "GGG", "..."}},  // row
      {9, {"...", ".G.", "..."}},  // cell
  };
  for (const Case& c : cases) {
    const QImage image = DrawStateImage(c.image);
    for (int row = 0; row < 3; ++row) {
      std::string seen;
      for (int column = 0; column < 3; ++column) {
        seen += IsGreen(image.pixel(3 + 5 * column, 3 + 5 * row)) ? 'G' : '.';
      }
      EXPECT_EQ(seen, c.rows[static_cast<std::size_t>(row)])
          << "image " << c.image << " row " << row;
    }
  }
  // The section's top row is grey, the row's outer rows are not.
  const QRgb sectionTop = DrawStateImage(7).pixel(3, 3);
  EXPECT_TRUE(qRed(sectionTop) == qGreen(sectionTop) && qGreen(sectionTop) == qBlue(sectionTop) &&
              qRed(sectionTop) < 230);
  EXPECT_NE(DrawStateImage(8).pixel(3, 3), sectionTop);
}

}  // namespace
