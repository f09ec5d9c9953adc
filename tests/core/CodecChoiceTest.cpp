// Choosing the codec by the last three characters of a file name.
#include <gtest/gtest.h>

#include <typeinfo>

#include "image/CodecChoice.h"
#include "image/JpegImage.h"
#include "image/PngImage.h"
#include "image/TiffImage.h"

namespace {

// The codec's class name for path, or "none".
std::string ChosenCodec(const std::string& path)
{
    const auto codec = CreateCodecForPath(path);
    if (!codec)
        return "none";
    if (dynamic_cast<CJpegImage*>(codec.get()))
        return "jpeg";
    if (dynamic_cast<CPngImage*>(codec.get()))
        return "png";
    if (dynamic_cast<CTiffImage*>(codec.get()))
        return "tiff";
    return typeid(*codec) == typeid(CDibImage) ? "bmp" : "unknown";
}

}  // namespace

TEST(CodecChoice, EndingSelectsCodecIgnoringCase)
{
    EXPECT_EQ(ChosenCodec("/home/anna/Bilder/portrait.bmp"), "bmp");
    EXPECT_EQ(ChosenCodec("portrait.jpg"), "jpeg");
    EXPECT_EQ(ChosenCodec("PORTRAIT.JPG"), "jpeg");
    EXPECT_EQ(ChosenCodec("scan.tif"), "tiff");
    EXPECT_EQ(ChosenCodec("Scan.TiF"), "tiff");
    EXPECT_EQ(ChosenCodec("grafik.png"), "png");
    EXPECT_EQ(ChosenCodec("grafik.PNG"), "png");
    EXPECT_EQ(ChosenCodec("ordner.bmp/foto.Bmp"), "bmp");
    // Only the last three characters count, dot or not.
    EXPECT_EQ(ChosenCodec("ohnepunktjpg"), "jpeg");
}

TEST(CodecChoice, OtherEndingsAndShortNamesSelectNone)
{
    EXPECT_EQ(ChosenCodec("foto.jpeg"), "none");
    EXPECT_EQ(ChosenCodec("scan.tiff"), "none");
    EXPECT_EQ(ChosenCodec("bild.gif"), "none");
    EXPECT_EQ(ChosenCodec("bild.jpg "), "none");
    EXPECT_EQ(ChosenCodec("pn"), "none");
    EXPECT_EQ(ChosenCodec(""), "none");
    EXPECT_EQ(ChosenCodec("bild.jp"), "none");
}

TEST(CodecChoice, JpegCodecStartsAtQualityHundredBaseline)
{
    const auto codec = CreateCodecForPath("a.jpg");
    const auto* jpeg = dynamic_cast<CJpegImage*>(codec.get());
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->m_quality, 100);
    EXPECT_EQ(jpeg->m_progressive, 0);
}
