// The edit distance behind the "did you mean" of unknown options and keys.
#include <gtest/gtest.h>

#include <string>

#include "textout/editdistance.h"

using textout::editDistance;

TEST(EditDistance, CountsInsertionsDeletionsAndSubstitutionsOfOneCharacter) {
  EXPECT_EQ(editDistance("kitten", "sitting"), 3u);             // two substitutions, one insertion
  EXPECT_EQ(editDistance("--jbs", "--jobs"), 1u);               // one insertion
  EXPECT_EQ(editDistance("--jobss", "--jobs"), 1u);             // one deletion
  EXPECT_EQ(editDistance("cells.lenght", "cells.length"), 2u);  // a swap is two substitutions
  EXPECT_EQ(editDistance("same", "same"), 0u);
}

TEST(EditDistance, AnEmptyNameIsAsFarAsTheOtherIsLong) {
  EXPECT_EQ(editDistance("", ""), 0u);
  EXPECT_EQ(editDistance("", "--seed"), 6u);
  EXPECT_EQ(editDistance("--seed", ""), 6u);
}

TEST(EditDistance, IsSymmetricAndBoundedByTheLongerName) {
  const std::string names[] = {"--events", "--seed", "--sampler", "cells.temperature", "x", ""};
  for (const std::string& a : names)
    for (const std::string& b : names) {
      EXPECT_EQ(editDistance(a, b), editDistance(b, a)) << a << " / " << b;
      EXPECT_LE(editDistance(a, b), std::max(a.size(), b.size())) << a << " / " << b;
      EXPECT_GE(editDistance(a, b), a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) << a << " / " << b;
    }
}
