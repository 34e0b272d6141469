#include "format/formatting.h"
#include "format/measurement.h"

#include "textengine/uihooks.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;

TEST(Measurement, DialogTextToTwips)
{
    textengine::setMeasurementUnit(1);
    const std::pair<QString, int> cases[] = {
        {u"2,5"_s, 3600},      {u"2.5"_s, 3600},   {u""_s, 0},          {u"abc"_s, 0},
        {u"1"_s, 1440},        {u" 1 . 5 "_s, 2160}, {u"1\t0"_s, 14400}, {u"8,27"_s, 11909},
        {u"1,234.5"_s, 1777},  // the first comma is the point: 1.234.5 reads as 1.234
        {u"-0.5"_s, -720},     {u"3in"_s, 4320},   {u"1e1"_s, 14400},
        // 1440 × 0.0003125 = 0.45, × 0.00034722 = 0.5 (to the even 0), 1.5 to 2
        {u"0.00034722222222222"_s, 0}, {u"0.00104166666666667"_s, 2},
    };
    for (const auto &[text, twips] : cases)
        EXPECT_EQ(DlgString2Twips(text), twips) << text.toStdString();
    EXPECT_EQ(DlgString2Twips(u"99999999999"_s), std::numeric_limits<int>::max());

    EXPECT_EQ(DlgString2Twips(u"-99999999999"_s), std::numeric_limits<int>::min());

    textengine::setMeasurementUnit(2);
    EXPECT_EQ(DlgString2Twips(u"2,5"_s), 1418);  // 1417.5 to the even 1418
    EXPECT_EQ(DlgString2Twips(u"1"_s), 567);
    EXPECT_EQ(DlgString2Twips(u"1.5"_s), 850);  // 850.5 to the even 850
    EXPECT_EQ(DlgString2Twips(u"2.54"_s), 1440);
    EXPECT_EQ(format::unitLabel(), u"cm"_s);
    textengine::setMeasurementUnit(7);  // ignored
    EXPECT_EQ(textengine::measurementUnit(), 2);
    textengine::setMeasurementUnit(1);
    EXPECT_EQ(format::unitLabel(), u"inch"_s);
}

TEST(Measurement, TwipsToDialogText)
{
    textengine::setMeasurementUnit(1);
    EXPECT_EQ(Twips2DlgString(1440), u"1.00"_s);
    EXPECT_EQ(Twips2DlgString(0), u"0.00"_s);
    EXPECT_EQ(Twips2DlgString(11906), u"8.27"_s);
    EXPECT_EQ(Twips2DlgString(16837), u"11.69"_s);
    EXPECT_EQ(Twips2DlgString(144000), u"100.00"_s);
    EXPECT_EQ(Twips2DlgString(-720), u"-0.50"_s);
    EXPECT_EQ(Twips2DlgString(-1), u"0.00"_s);  // never "-0.00"
    textengine::setMeasurementUnit(2);
    EXPECT_EQ(Twips2DlgString(567), u"1.00"_s);
    textengine::setMeasurementUnit(1);
    // Shown and read back, a length moves by less than the display's step.
    for (int twips : {1, 720, 1440, 11906, 16837, 20160})
        EXPECT_LE(std::abs(DlgString2Twips(Twips2DlgString(float(twips))) - twips), 8) << twips;
}

TEST(Zoom, EntriesAndFits)
{
    const QStringList entries = format::zoomEntries();
    ASSERT_EQ(entries.size(), 13);
    EXPECT_EQ(entries[4], u"75 %"_s);
    EXPECT_EQ(entries[11], u"Fit Width"_s);
    EXPECT_EQ(format::zoomForEntry(u"75 %"_s, 5000, 5000, 12240, 15840), 75);
    EXPECT_EQ(format::zoomForEntry(u"400 %"_s, 5000, 5000, 12240, 15840), 400);
    // A control 300 twips wider than the page fits it at 100 %.
    EXPECT_EQ(format::zoomForEntry(u"Fit Width"_s, 12540, 3000, 12240, 15840), 100);
    EXPECT_EQ(format::zoomForEntry(u"Fit Width"_s, 6270, 3000, 12240, 15840), 50);
    // A tall page fits by height (with 700 twips of desk), a wide one by width.
    EXPECT_EQ(format::zoomForEntry(u"Fit Page"_s, 99999, 8270, 12240, 15840), 50);
    EXPECT_EQ(format::zoomForEntry(u"Fit Page"_s, 8220, 99999, 16140, 12240), 50);
    EXPECT_FALSE(format::zoomForEntry(u"none"_s, 5000, 5000, 12240, 15840).has_value());
}
