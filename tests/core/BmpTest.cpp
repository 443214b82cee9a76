#include <gtest/gtest.h>

#include <random>

#include "platform/Bmp.h"
#include "platform/Error.h"
#include "support/Files.h"
#include "support/FontBuilder.h"
#include "fixtures/ImageTools.h"

namespace eit {
namespace {

using test::Bytes;
using test::GetU32;
using test::ReadAll;
using test::TempFolder;
using test::WriteAll;

// An image with an odd width (rows need padding) and every kind of index.
IndexedImage SampleImage(std::uint32_t width = 37, std::uint32_t height = 11, std::uint32_t colourCount = 256)
{
    ColourTable colours{};
    for (std::uint32_t i = 0; i < colourCount; ++i) {
        colours[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i)};
    }
    IndexedImage image(width, height, colours);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            image.SetPixel(x, y, static_cast<std::uint8_t>((x + y) % 5 ? (x * 3 + y * 5) % colourCount : 0));
        }
    }
    return image;
}

void ExpectSameImage(const IndexedImage& got, const IndexedImage& want, std::size_t colourCount = 256)
{
    ASSERT_EQ(got.Width(), want.Width());
    ASSERT_EQ(got.Height(), want.Height());
    for (std::size_t i = 0; i < colourCount; ++i) ASSERT_EQ(got.Colours()[i], want.Colours()[i]) << "colour " << i;
    for (std::uint32_t y = 0; y < want.Height(); ++y) {
        for (std::uint32_t x = 0; x < want.Width(); ++x) {
            ASSERT_EQ(got.Pixel(x, y), want.Pixel(x, y)) << "pixel " << x << ", " << y;
        }
    }
}

void ExpectRefused(const std::string& path, const std::string& says)
{
    try {
        LoadBmp(path);
        ADD_FAILURE() << path << " was accepted";
    } catch (const ToolError& e) {
        std::string text = e.what();
        EXPECT_NE(text.find(path), std::string::npos) << text;
        EXPECT_NE(text.find(says), std::string::npos) << text;
    }
}

constexpr const char* kSaveAs8Bit = "save it as an 8-bit indexed (256-colour) BMP with the sheet's palette";

TEST(Bmp, WritesTheStandardFormAndReadsItBack)
{
    TempFolder dir;
    for (std::uint32_t width : {1u, 2u, 3u, 4u, 5u, 37u}) {
        SCOPED_TRACE("width " + std::to_string(width));
        IndexedImage image = SampleImage(width, 3);
        std::uint64_t written = SaveBmp(image, dir / "a.bmp");
        Bytes file = ReadAll(dir / "a.bmp");
        const std::uint32_t stride = (width + 3) / 4 * 4;
        EXPECT_EQ(written, file.size());
        EXPECT_EQ(file.size(), 14u + 40 + 1024 + stride * 3);
        EXPECT_EQ(file.substr(0, 2), "BM");
        EXPECT_EQ(GetU32(file, 2), file.size());
        EXPECT_EQ(GetU32(file, 10), 14u + 40 + 1024);
        EXPECT_EQ(GetU32(file, 14), 40u);
        EXPECT_EQ(file[28], 8) << "bits per pixel";
        EXPECT_EQ(GetU32(file, 30), 0u) << "uncompressed";
        ExpectSameImage(LoadBmp(dir / "a.bmp"), image);
    }
}

TEST(Bmp, AnotherProgramReadsWhatWeWrite)
{
    SKIP_WITHOUT_PIL();
    TempFolder dir;
    IndexedImage image = SampleImage();
    SaveBmp(image, dir / "ours.bmp");
    ASSERT_TRUE(test::RunPython(
        "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\nassert im.mode == 'P', im.mode\n"
        "open(sys.argv[2], 'wb').write(bytes(im.size) + bytes(im.getpalette()[:768]) + im.tobytes())\n",
        {dir / "ours.bmp", dir / "dump"}, dir));
    Bytes dump = ReadAll(dir / "dump");
    ASSERT_EQ(dump.size(), 2u + 768 + 37 * 11);
    EXPECT_EQ(static_cast<std::uint8_t>(dump[0]), 37);
    EXPECT_EQ(static_cast<std::uint8_t>(dump[1]), 11);
    for (std::size_t i = 0; i < 256; ++i) {
        Rgb c = image.Colours()[i];
        const Bytes rgb = {static_cast<char>(c.red), static_cast<char>(c.green), static_cast<char>(c.blue)};
        EXPECT_EQ(dump.substr(2 + 3 * i, 3), rgb) << "colour " << i;
    }
    for (std::uint32_t y = 0; y < 11; ++y) {
        for (std::uint32_t x = 0; x < 37; ++x) {
            EXPECT_EQ(static_cast<std::uint8_t>(dump[770 + y * 37 + x]), image.Pixel(x, y)) << x << ", " << y;
        }
    }
}

// Re-saves our file with PIL, the way a script or editor built on it would.
std::string SavedByPil(const TempFolder& dir, const IndexedImage& image, std::size_t colourCount, const std::string& name)
{
    SaveBmp(image, dir / "source.bmp");
    const std::string out = dir / name;
    bool ok = test::RunPython("import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
                              "im.putpalette(im.getpalette()[:3 * int(sys.argv[3])])\nim.save(sys.argv[2])\n",
                              {dir / "source.bmp", out, std::to_string(colourCount)}, dir);
    EXPECT_TRUE(ok) << "PIL could not save " << out;
    return out;
}

std::string SavedByConvert(const TempFolder& dir, const IndexedImage& image, const std::vector<std::string>& options,
                           const std::string& output)
{
    SaveBmp(image, dir / "source.bmp");
    // An output format prefix such as "BMP3:" goes ahead of the whole path.
    const std::size_t colon = output.find(':');
    const std::string prefix = colon == std::string::npos ? "" : output.substr(0, colon + 1);
    const std::string path = dir / output.substr(prefix.size());
    std::vector<std::string> args = {dir / "source.bmp"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(prefix + path);
    EXPECT_TRUE(test::RunConvert(args)) << "convert failed on " << output;
    return path;
}

TEST(BmpReader, ReadsWhatPilWrites)
{
    SKIP_WITHOUT_PIL();
    TempFolder dir;
    IndexedImage image = SampleImage();
    std::string full = SavedByPil(dir, image, 256, "full.bmp");
    EXPECT_EQ(GetU32(ReadAll(full), 14), 40u);
    ExpectSameImage(LoadBmp(full), image);

    IndexedImage sixteen = SampleImage(37, 11, 16);
    std::string shortTable = SavedByPil(dir, sixteen, 16, "short.bmp");
    EXPECT_EQ(GetU32(ReadAll(shortTable), 46), 16u) << "PIL writes only the entries in use";
    ExpectSameImage(LoadBmp(shortTable), sixteen, 16);
}

TEST(BmpReader, ReadsWhatImageMagickWritesByDefaultAndOnRequest)
{
    SKIP_WITHOUT_CONVERT();
    TempFolder dir;
    IndexedImage image = SampleImage();
    struct Variant {
        std::vector<std::string> options;
        std::string output;
        std::uint32_t headerSize;
        std::uint32_t compression;
    };
    // The default for an 8-bit image is RLE8 behind a 124-byte header with
    // colour masks filled in, the row padding coded as pixels.
    const std::vector<Variant> variants = {
        {{}, "default.bmp", 124, 1},
        {{"-type", "Palette"}, "palette.bmp", 124, 1},
        {{"-compress", "RLE"}, "rle.bmp", 124, 1},
        {{}, "BMP3:v3.bmp", 40, 1},
        {{"-compress", "none"}, "none.bmp", 124, 0},
        {{}, "BMP2:os2.bmp", 12, 0},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.output);
        std::string path = SavedByConvert(dir, image, v.options, v.output);
        Bytes file = ReadAll(path);
        ASSERT_GT(file.size(), 34u);
        EXPECT_EQ(GetU32(file, 14), v.headerSize);
        if (v.headerSize > 12) {
            EXPECT_EQ(GetU32(file, 30), v.compression);
        }
        ExpectSameImage(LoadBmp(path), image);
    }
}

// Forms no tool here writes on request, made from the tools' files by
// moving their bytes as other writers lay them out.
TEST(BmpReader, ReadsTopDownRowsGapsV4HeadersAndUnpaddedLastRows)
{
    SKIP_WITHOUT_PIL();
    SKIP_WITHOUT_CONVERT();
    TempFolder dir;
    IndexedImage image = SampleImage();
    const Bytes pil = ReadAll(SavedByPil(dir, image, 256, "pil.bmp"));
    const std::uint32_t offset = GetU32(pil, 10), stride = 40, height = 11;

    Bytes topDown = pil.substr(0, offset);
    test::SetU32(topDown, 22, static_cast<std::uint32_t>(-static_cast<std::int32_t>(height)));
    for (std::uint32_t r = height; r-- > 0;) topDown += pil.substr(offset + r * stride, stride);
    WriteAll(dir / "topdown.bmp", topDown);
    ExpectSameImage(LoadBmp(dir / "topdown.bmp"), image);

    Bytes gap = pil.substr(0, offset) + Bytes(10, '\x55') + pil.substr(offset);
    test::SetU32(gap, 10, offset + 10);
    WriteAll(dir / "gap.bmp", gap);
    ExpectSameImage(LoadBmp(dir / "gap.bmp"), image);

    WriteAll(dir / "unpadded.bmp", pil.substr(0, pil.size() - (stride - 37)));
    ExpectSameImage(LoadBmp(dir / "unpadded.bmp"), image);

    // A V4 header is the V5 header without its last 16 bytes.
    const Bytes v5 = ReadAll(SavedByConvert(dir, image, {"-compress", "none"}, "v5.bmp"));
    Bytes v4 = v5.substr(0, 14 + 108) + v5.substr(14 + 124);
    test::SetU32(v4, 14, 108);
    test::SetU32(v4, 10, GetU32(v5, 10) - 16);
    WriteAll(dir / "v4.bmp", v4);
    ExpectSameImage(LoadBmp(dir / "v4.bmp"), image);
}

TEST(BmpReader, RefusesOtherDepthsAndBitFieldsSayingWhatToDo)
{
    SKIP_WITHOUT_CONVERT();
    SKIP_WITHOUT_PIL();
    TempFolder dir;
    IndexedImage image = SampleImage();
    const std::string advice(kSaveAs8Bit);
    ExpectRefused(SavedByConvert(dir, image, {"-type", "TrueColor"}, "BMP3:rgb.bmp"), "24 bits per pixel; " + advice);
    ExpectRefused(SavedByConvert(dir, image, {"-type", "TrueColorAlpha"}, "argb.bmp"), "32 bits per pixel; " + advice);
    // ImageMagick writes a picture of 16 colours with 4 bits per pixel.
    const std::string sixteen = SavedByPil(dir, SampleImage(37, 11, 16), 16, "sixteen.bmp");
    ASSERT_TRUE(test::RunConvert({sixteen, "BMP3:" + (dir / "four.bmp")}));
    ExpectRefused(dir / "four.bmp", "4 bits per pixel; " + advice);

    Bytes bitFields = ReadAll(SavedByPil(dir, image, 256, "pil.bmp"));
    test::SetU32(bitFields, 30, 3);
    WriteAll(dir / "bitfields.bmp", bitFields);
    ExpectRefused(dir / "bitfields.bmp", "bit fields; " + advice);
    test::SetU32(bitFields, 30, 2);
    WriteAll(dir / "rle4.bmp", bitFields);
    ExpectRefused(dir / "rle4.bmp", advice);
}

TEST(BmpReader, RefusesDamagedFilesWithTheReason)
{
    TempFolder dir;
    SaveBmp(SampleImage(37, 11, 16), dir / "good.bmp");
    const Bytes good = ReadAll(dir / "good.bmp");
    struct Case {
        const char* name;
        std::size_t at;
        std::uint32_t value;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"no BM signature", 0, 0x00004D42 + 1, "not a BMP file"},
        {"unknown header size", 14, 64, "header of 64 bytes"},
        {"taller than the file", 22, 5000, "more than the file holds"},
        {"larger than any sheet", 22, 10000000, "larger than this tool handles"},
        {"no pixels", 18, 0, "is empty or larger"},
        {"pixel data inside the colour table", 10, 100, "inside its header or colour table"},
        {"too many colours", 46, 300, "over 256"},
        {"index past a short table", 46, 16, "beyond its colour table of 16 entries"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes bad = good;
        if (c.at == 0) bad[0] = 'X';
        else test::SetU32(bad, c.at, c.value);
        if (c.at == 46) bad[14 + 40 + 1024] = static_cast<char>(40);  // the first pixel is index 40
        WriteAll(dir / "bad.bmp", bad);
        ExpectRefused(dir / "bad.bmp", c.says);
    }
    WriteAll(dir / "tiny.bmp", "BM");
    ExpectRefused(dir / "tiny.bmp", "too short");
}

// Every cut of a file written uncompressed or in RLE8 is refused, or reads
// as the whole image when only the padding or the end marker is lost.
TEST(BmpReader, TruncatedFilesNeverReadAsAnotherImage)
{
    SKIP_WITHOUT_CONVERT();
    TempFolder dir;
    IndexedImage image = SampleImage();
    for (const std::string& path : {SavedByConvert(dir, image, {"-compress", "none"}, "BMP3:plain.bmp"),
                                    SavedByConvert(dir, image, {}, "rle.bmp")}) {
        const Bytes whole = ReadAll(path);
        int accepted = 0;
        for (std::size_t cut = 0; cut < whole.size(); ++cut) {
            WriteAll(dir / "cut.bmp", whole.substr(0, cut));
            try {
                ExpectSameImage(LoadBmp(dir / "cut.bmp"), image);
                ++accepted;
            } catch (const ToolError&) {
            }
        }
        EXPECT_LE(accepted, 3) << path << ": only the last bytes may go";
    }
}

TEST(BmpReader, RandomDamageIsRefusedOrReadWithinBounds)
{
    SKIP_WITHOUT_CONVERT();
    TempFolder dir;
    const Bytes rle = ReadAll(SavedByConvert(dir, SampleImage(), {}, "rle.bmp"));
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    for (int round = 0; round < 300; ++round) {
        Bytes bad = rle;
        for (int n = 1 + static_cast<int>(random() % 4); n > 0; --n) {
            std::size_t at = random() % 2 ? random() % 60 : 14 + 124 + 1024 + random() % (bad.size() - 14 - 124 - 1024);
            bad[at] = static_cast<char>(random());
        }
        WriteAll(dir / "bad.bmp", bad);
        try {
            IndexedImage image = LoadBmp(dir / "bad.bmp");
            EXPECT_LE(std::uint64_t{image.Width()} * image.Height(), IndexedImage::kMaxPixels);
        } catch (const ToolError&) {
        }
    }
}

}  // namespace
}  // namespace eit
