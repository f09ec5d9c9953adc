// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the codec: by the name's ending for saving, by the file's first
// bytes (ending as the fallback) for opening.
#include <gtest/gtest.h>

#include <typeinfo>

#include "image/CodecChoice.h"
#include "image/JpegImage.h"
#include "image/PngImage.h"
#include "image/TiffImage.h"
#include "CodecTestSupport.h"
#include "TestPictures.h"

namespace {

using testpictures::ScratchDirectory;

// The chosen codec's class, or null for none.
const std::type_info* TypeOf(const std::unique_ptr<CDibImage>& codec)
{
    return codec ? &typeid(*codec.get()) : nullptr;
}

const std::type_info* ChosenForSaving(const std::string& path)
{
    return TypeOf(CreateCodecForPath(path));
}

PictureFormat Signature(const std::string& bytes)
{
    return FormatFromSignature(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

// A small picture written by codec into path.
void WriteWith(CDibImage&& codec, const std::string& path)
{
    codectest::PrepareForSave(codec, 6, 4, testpictures::Pattern24(6, 4));
    codec.Write(path);
}

}  // namespace

TEST(CodecChoice, SavingGoesByTheEndingIgnoringCase)
{
    EXPECT_EQ(ChosenForSaving("/home/anna/Bilder/portrait.bmp"), &typeid(CDibImage));
    EXPECT_EQ(ChosenForSaving("ordner.jpg/foto.Bmp"), &typeid(CDibImage));
    EXPECT_EQ(ChosenForSaving("portrait.jpg"), &typeid(CJpegImage));
    EXPECT_EQ(ChosenForSaving("PORTRAIT.JPG"), &typeid(CJpegImage));
    EXPECT_EQ(ChosenForSaving("ohnepunktjpg"), &typeid(CJpegImage));
    EXPECT_EQ(ChosenForSaving("Scan.TiF"), &typeid(CTiffImage));
    EXPECT_EQ(ChosenForSaving("grafik.PNG"), &typeid(CPngImage));

    // The long endings, which need their dot.
    EXPECT_EQ(ChosenForSaving("urlaub.jpeg"), &typeid(CJpegImage));
    EXPECT_EQ(ChosenForSaving("URLAUB.JPEG"), &typeid(CJpegImage));
    EXPECT_EQ(ChosenForSaving("urlaub.Jpe"), &typeid(CJpegImage));
    EXPECT_EQ(ChosenForSaving("scan.tiff"), &typeid(CTiffImage));
    EXPECT_EQ(ChosenForSaving("SCAN.TIFF"), &typeid(CTiffImage));

    for (const char* none : {"bild.gif", "bild.jpg ", "bild.jp", "pn", "", "ohnepunktjpeg", "ohnepunkttiff",
                             "bild.jpeg2", "bild.tiffany", "bild.webp", "urlaub.jpeg/"})
        EXPECT_EQ(ChosenForSaving(none), nullptr) << '"' << none << '"';

    const auto jpeg = CreateCodecForPath("a.jpeg");
    EXPECT_EQ(static_cast<CJpegImage&>(*jpeg).m_quality, 100);
    EXPECT_EQ(static_cast<CJpegImage&>(*jpeg).m_progressive, 0);
}

TEST(CodecChoice, SignaturesNameTheirFormatsOnlyWhenComplete)
{
    EXPECT_EQ(Signature("BM\x36\0\0\0"), PictureFormat::Bitmap);
    EXPECT_EQ(Signature(std::string("\xFF\xD8\xFF\xE0", 4)), PictureFormat::Jpeg);
    EXPECT_EQ(Signature(std::string("\x89PNG\r\n\x1A\n", 8)), PictureFormat::Png);
    EXPECT_EQ(Signature(std::string("II*\0\x08\0\0\0", 8)), PictureFormat::Tiff);
    EXPECT_EQ(Signature(std::string("MM\0*\0\0\0\x08", 8)), PictureFormat::Tiff);

    // Cut short, slightly wrong, or the wrong byte order's magic number.
    for (const std::string& nothing :
         {std::string("B"), std::string("bm"), std::string("\xFF\xD8", 2), std::string("\xFF\xD9\xFF", 3),
          std::string("\x89PNG\r\n\x1A", 7), std::string("\x89PNG\n\r\x1A\n", 8), std::string("II\0*", 4),
          std::string("MM*\0", 4), std::string("GIF89a"), std::string()})
        EXPECT_EQ(Signature(nothing), PictureFormat::Unknown) << nothing.size() << " bytes";
}

TEST(CodecChoice, OpeningTrustsTheContentOverTheName)
{
    ScratchDirectory scratch;
    // Every format under every other format's name, and under a name without ending.
    WriteWith(CPngImage(), scratch.File("png-as.jpg"));
    WriteWith(CJpegImage(), scratch.File("jpeg-as.bmp"));
    WriteWith(CTiffImage(), scratch.File("tiff-as.png"));
    WriteWith(CDibImage(), scratch.File("bitmap-as.tif"));
    WriteWith(CJpegImage(), scratch.File("ohne-endung"));
    EXPECT_EQ(TypeOf(CreateCodecForFile(scratch.File("png-as.jpg"))), &typeid(CPngImage));
    EXPECT_EQ(TypeOf(CreateCodecForFile(scratch.File("jpeg-as.bmp"))), &typeid(CJpegImage));
    EXPECT_EQ(TypeOf(CreateCodecForFile(scratch.File("tiff-as.png"))), &typeid(CTiffImage));
    EXPECT_EQ(TypeOf(CreateCodecForFile(scratch.File("bitmap-as.tif"))), &typeid(CDibImage));
    EXPECT_EQ(TypeOf(CreateCodecForFile(scratch.File("ohne-endung"))), &typeid(CJpegImage));

    // The chosen codec reads the wrongly named file completely.
    auto codec = CreateCodecForFile(scratch.File("png-as.jpg"));
    ASSERT_NE(codec, nullptr);
    codec->Read(scratch.File("png-as.jpg"));
    ASSERT_TRUE(codec->ConvertTo24Bit());
    EXPECT_EQ(testpictures::PixelBytes(*codec), testpictures::Pattern24(6, 4));
}

TEST(CodecChoice, OpeningFallsBackToTheEndingWhenTheBytesSayNothing)
{
    ScratchDirectory scratch;
    // Unknown bytes, an empty file and a missing file go by their ending, so the
    // codec of that ending reports the broken, empty or missing file.
    scratch.Write("kaputt.tiff", Bytes("kein Bild"));
    scratch.Write("leer.jpe", {});
    EXPECT_EQ(TypeOf(CreateCodecForFile(scratch.File("kaputt.tiff"))), &typeid(CTiffImage));
    EXPECT_EQ(TypeOf(CreateCodecForFile(scratch.File("leer.jpe"))), &typeid(CJpegImage));
    EXPECT_EQ(TypeOf(CreateCodecForFile(scratch.File("fehlt.png"))), &typeid(CPngImage));

    // Neither bytes nor ending: no codec at all.
    scratch.Write("notizen.txt", Bytes("Einkaufsliste"));
    EXPECT_EQ(CreateCodecForFile(scratch.File("notizen.txt")), nullptr);
    EXPECT_EQ(CreateCodecForFile(scratch.File("fehlt.gif")), nullptr);
}
