#include "SingleInstance.h"
#include "TempFolders.h"

#include <gtest/gtest.h>

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstEnds)
{
    TempFolders dirs;
    {
        SingleInstance first(dirs.appData());
        EXPECT_TRUE(first.isFirst());
        SingleInstance second(dirs.appData());
        EXPECT_FALSE(second.isFirst());
    }
    SingleInstance again(dirs.appData());
    EXPECT_TRUE(again.isFirst());
}
