#include <gtest/gtest.h>

#include <climits>

#include "support/test_support.h"

namespace {

// The table is process-wide: each test puts back what it changed.
class ColourTable : public testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 256; ++i) saved_[i] = GetRGBByIndex(i, 4);
  }
  void TearDown() override {
    for (int i = 0; i < 256; ++i) SetRGBByIndex(i, saved_[i]);
  }

 private:
  COLORREF saved_[256];
};

TEST_F(ColourTable, StandardPaletteAtLoad) {
  struct Row {
    int index;
    COLORREF colour;
  } const rows[] = {
      {0, 0xFFFFFF},   {1, 0x0000FF},   {2, 0x00FFFF},   {3, 0x00FF00},   {4, 0xFFFF00},
      {5, 0xFF0000},   {6, 0xFF00FF},   {7, 0xFFFFFF},   {8, 0x808080},   {9, 0xC0C0C0},
      {10, 0x0000FF},  {11, 0x7F7FFF},  {19, 0x26264C},  {30, 0x007FFF},  {101, 0x81FF7F},
      {128, 0x394C00}, {171, 0xFF7F7F}, {222, 0x9900CC}, {249, 0x2F264C}, {250, 0x333333},
      {251, 0x5B5B5B}, {252, 0x848484}, {253, 0xADADAD}, {254, 0xD6D6D6}, {255, 0xFFFFFF},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.index);
    EXPECT_EQ(GetRGBByIndex(row.index, 4), row.colour);
  }
}

TEST_F(ColourTable, ColourByIndexAndMode) {
  struct Row {
    int index;
    int mode;
    COLORREF colour;
  } const rows[] = {
      {7, 0, 0xFFFFFF},   {7, 1, 0x000000},   {7, 4, 0xFFFFFF},   {0, 0, 0xFFFFFF},
      {0, 1, 0x000000},   {1, 0, 0x0000FF},   {1, 1, 0x0000FF},   {1, 2, 0xFFFFFF},
      {1, 3, 0x000000},   {300, 0, 0xFFFFFF}, {300, 1, 0x000000}, {300, 2, 0xFFFFFF},
      {300, 3, 0x000000}, {256, 1, 0x000000}, {250, 0, 0x333333}, {5, -1, 0xFF0000},
      // Numbers outside the table read nothing outside it.
      {-1, 0, 0xFFFFFF},  {-1, 1, 0x000000},  {-1, 4, 0xFFFFFF},  {INT_MIN, 9, 0xFFFFFF},
      {INT_MAX, 4, 0xFFFFFF},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.index << " mode " << row.mode);
    EXPECT_EQ(GetRGBByIndex(row.index, row.mode), row.colour);
  }
}

TEST_F(ColourTable, IndexByColour) {
  struct Row {
    COLORREF colour;
    int mode;
    int index;
  } const rows[] = {
      {0x0000FF, 0, 1},     // not 10, which holds the same red
      {0xFFFFFF, 0, 7},
      {0x123456, 0, 7},     // in no entry
      {0x0000FF, 2, 7},
      {0x00FF00, 3, 7},
      {0xFF0000FF, 0, 1},   // the top byte does not count
      {0x333333, 1, 250},
      {0xD6D6D6, 0, 254},
      {0x2F264C, 0, 249},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << row.colour << " mode " << row.mode);
    EXPECT_EQ(GetIndexByRGB(row.colour, row.mode), row.index);
  }
}

TEST_F(ColourTable, SetRGBByIndexChangesOnlyTheTable) {
  SetRGBByIndex(255, 0x123456);
  EXPECT_EQ(GetRGBByIndex(255, 4), 0x123456u);
  EXPECT_EQ(GetIndexByRGB(0x123456, 0), 7);  // entry 255 is not searched
  SetRGBByIndex(254, 0x123456);
  EXPECT_EQ(GetIndexByRGB(0x123456, 0), 254);
  SetRGBByIndex(0, 0x123456);                // nor is entry 0
  EXPECT_EQ(GetIndexByRGB(0x123456, 0), 254);
  SetRGBByIndex(3, 0x123456);
  EXPECT_EQ(GetIndexByRGB(0x123456, 0), 3);

  COLORREF before[256];
  for (int i = 0; i < 256; ++i) before[i] = GetRGBByIndex(i, 4);
  for (int bad : {256, 1000, -1, INT_MIN, INT_MAX}) SetRGBByIndex(bad, 0xABCDEF);
  for (int i = 0; i < 256; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(GetRGBByIndex(i, 4), before[i]);
  }
}

}  // namespace
