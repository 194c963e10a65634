// What a print takes from the window that asks for it: the preview's place and the margin.
#include "printing.h"

#include <gtest/gtest.h>

#include <QWidget>

using namespace korvane;

TEST(Printing, ThePreviewIsPlacedFromTheWindowAndTheMarginReadInMillimetres)
{
    QWidget window;
    window.setGeometry(100, 50, 800, 600);  // in twips 1500, 750, 12000 and 9000
    EXPECT_EQ(PreviewRect(&window), QRect(105, 53, 720, 540));
    window.setGeometry(0, 0, 300, 200);  // a small dialog: the report places its preview itself
    EXPECT_EQ(PreviewRect(&window), QRect());
    EXPECT_EQ(MarginTwips(QStringLiteral("10")), 576);
    EXPECT_EQ(MarginTwips(QStringLiteral(" 25 ")), 1440);
    for (const char* refused : {"0", "30", "45", "-3", "mười", ""}) EXPECT_EQ(MarginTwips(QLatin1String(refused)), -1) << refused;
}
