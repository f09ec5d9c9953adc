// Choosing the codec by the last three characters of a file name.
#include <gtest/gtest.h>

#include <typeinfo>

#include "image/CodecChoice.h"
#include "image/JpegImage.h"
#include "image/PngImage.h"
#include "image/TiffImage.h"

namespace {

// The chosen codec's class, or null for none.
const std::type_info* ChosenCodec(const std::string& path)
{
    const auto codec = CreateCodecForPath(path);
    return codec ? &typeid(*codec.get()) : nullptr;
}

}  // namespace

TEST(CodecChoice, LastThreeCharactersSelectTheCodecIgnoringCase)
{
    EXPECT_EQ(ChosenCodec("/home/anna/Bilder/portrait.bmp"), &typeid(CDibImage));
    EXPECT_EQ(ChosenCodec("ordner.jpg/foto.Bmp"), &typeid(CDibImage));
    EXPECT_EQ(ChosenCodec("portrait.jpg"), &typeid(CJpegImage));
    EXPECT_EQ(ChosenCodec("PORTRAIT.JPG"), &typeid(CJpegImage));
    EXPECT_EQ(ChosenCodec("ohnepunktjpg"), &typeid(CJpegImage));
    EXPECT_EQ(ChosenCodec("Scan.TiF"), &typeid(CTiffImage));
    EXPECT_EQ(ChosenCodec("grafik.PNG"), &typeid(CPngImage));

    for (const char* none : {"foto.jpeg", "scan.tiff", "bild.gif", "bild.jpg ", "bild.jp", "pn", ""})
        EXPECT_EQ(ChosenCodec(none), nullptr) << '"' << none << '"';

    const auto jpeg = CreateCodecForPath("a.jpg");
    EXPECT_EQ(static_cast<CJpegImage&>(*jpeg).m_quality, 100);
    EXPECT_EQ(static_cast<CJpegImage&>(*jpeg).m_progressive, 0);
}
