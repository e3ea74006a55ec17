// The thumbnail: pictures fitted into its box by steps of nine tenths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog/settings_dialog.h"
#include "dialog/tests/test_dialog.h"

namespace lumova::dialog {
namespace {

using testing::Dialog;
using testing::fullIni;

TEST(DialogThumbnail, FitsByStepsOfNineTenths) {
  struct Row {
    int w, h, fittedW, fittedH;
  };
  const Row rows[] = {
      {3374, 1814, 3374, 1814}, {100, 80, 100, 80},       {3375, 100, 3038, 90},
      {9600, 7200, 2196, 1648}, {12000, 1000, 3049, 254}, {100, 1815, 90, 1634},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h));
    const Thumbnail t = fitThumbnail(nullptr, r.w, r.h);
    EXPECT_EQ(t.width, r.fittedW);
    EXPECT_EQ(t.height, r.fittedH);
  }
}

TEST(DialogThumbnail, SmallPictureIsShownAtItsOwnSize) {
  Dialog d(fullIni());
  d.model.load();
  d.model.setListIndex(Control::pictureList, 1);  // 100 x 80 pixels
  ASSERT_TRUE(d.model.thumbnail().has_value());
  EXPECT_EQ(d.model.thumbnail()->width, 1500);
  EXPECT_EQ(d.model.thumbnail()->height, 1200);
}

TEST(DialogThumbnail, BoundaryAndRoundingRows) {
  struct Row {
    int w, h, fittedW, fittedH;
  };
  // 3374 x 1815: the height alone forces a step, whose 1633.5 goes to the
  // even 1634. 1 x 1815: the width stays 1 (0.9 rounds up). 3750 x 2016:
  // one step gives 3375 x 1814, whose width still does not fit.
  const Row rows[] = {
      {3375, 1814, 3038, 1633}, {3374, 1815, 3037, 1634}, {1, 1815, 1, 1634},
      {3375, 1, 3038, 1},       {3750, 2016, 3038, 1633},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h));
    const Thumbnail t = fitThumbnail(nullptr, r.w, r.h);
    EXPECT_EQ(t.width, r.fittedW);
    EXPECT_EQ(t.height, r.fittedH);
    EXPECT_LE(t.width, 3374);
    EXPECT_LE(t.height, 1814);
  }
}

}  // namespace
}  // namespace lumova::dialog
