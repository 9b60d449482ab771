// How far a batch is: files weigh their playing time, the files not come to their size at the
// seconds per byte seen so far (else the mean), and the share never goes back.
#include "core/convert/BatchProgress.h"

#include <gtest/gtest.h>

TEST(BatchProgressTest, WeighsFilesByPlayingTimeAndNeverGoesBack) {
  // Three WAV files: 1000 and 3000 bytes, the third of no known size.
  BatchProgress progress(3, {1000, 3000, 0});
  EXPECT_EQ(progress.Share(), 0);

  // 10 s from 1000 bytes: the second counts as 30 s, the third as the mean, 10 s.
  const int first = progress.Admitted(10);
  progress.Encoded(first, 0.5);
  EXPECT_DOUBLE_EQ(progress.Share(), 5.0 / 50);
  progress.Ended(first);
  EXPECT_DOUBLE_EQ(progress.Share(), 10.0 / 50);
  EXPECT_EQ(progress.FilesDone(), 1);

  // The second is not encoded: its audio leaves the batch.
  progress.NotEncoded();
  EXPECT_DOUBLE_EQ(progress.Share(), 10.0 / 20);

  // The third is 40 s, not 10: the share would fall to 10/50; it holds instead.
  const int third = progress.Admitted(40);
  EXPECT_DOUBLE_EQ(progress.Share(), 0.5);
  progress.Encoded(third, 0.9);
  EXPECT_DOUBLE_EQ(progress.Share(), 46.0 / 50);
  progress.Ended(third);
  EXPECT_EQ(progress.Share(), 1);
  EXPECT_EQ(progress.FilesDone(), 3);
  EXPECT_EQ(progress.Files(), 3);
}
