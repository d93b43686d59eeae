// The headless rules of the image list.

#include <gtest/gtest.h>

#include "series/ImageList.h"

namespace orvek {
namespace {

TEST(ImageListModel, PercentFromText) {
  EXPECT_EQ(PercentFromText("100%"), 100);
  EXPECT_EQ(PercentFromText(" 5"), 5);
  EXPECT_EQ(PercentFromText("75"), 75);
  EXPECT_EQ(PercentFromText("abc"), 0);
  EXPECT_EQ(PercentFromText(""), 0);
  EXPECT_EQ(PercentFromText("250"), 100);
  EXPECT_EQ(PercentFromText("99999999999999999999"), 100);
  EXPECT_EQ(PercentFromText("-5"), 0);  // no leading digits
  EXPECT_EQ(PercentFromText("12.7"), 12);
}

// k = count x p / 100, halves to the even neighbour.
TEST(ImageListModel, TickCountForPercent) {
  EXPECT_EQ(TickCountForPercent(5, 50), 2);   // 2.5
  EXPECT_EQ(TickCountForPercent(6, 75), 4);   // 4.5
  EXPECT_EQ(TickCountForPercent(7, 50), 4);   // 3.5
  EXPECT_EQ(TickCountForPercent(3, 50), 2);   // 1.5
  EXPECT_EQ(TickCountForPercent(37, 10), 4);  // 3.7
  EXPECT_EQ(TickCountForPercent(10, 100), 10);
  EXPECT_EQ(TickCountForPercent(10, 0), 0);
  EXPECT_EQ(TickCountForPercent(0, 50), 0);
}

TEST(ImageListModel, SelectionPercentAndCounter) {
  EXPECT_EQ(SelectionPercent(10, 37), 27);  // 27.03
  EXPECT_EQ(SelectionPercent(1, 8), 12);    // 12.5 -> 12
  EXPECT_EQ(SelectionPercent(3, 8), 38);    // 37.5 -> 38
  EXPECT_EQ(SelectionPercent(0, 0), 0);
  EXPECT_EQ(CounterText(10), "Sel : 10");
  EXPECT_EQ(CounterText(0), "Sel : 0");
}

TEST(ImageListModel, DragTogglesEachItemOnceInARow) {
  R_ListeFic state;
  std::vector<int> toggled;
  for (int i : {3, 4, 4, 3, -1, 3}) {
    if (DragEnters(state, i)) toggled.push_back(i);
  }
  EXPECT_EQ(toggled, (std::vector<int>{3, 4, 3}));
  EXPECT_EQ(state.DernierIndex, 3);
}

}  // namespace
}  // namespace orvek
