#include "JpegImage.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString picturePath(const char *name)
{
    return QString::fromLocal8Bit(qgetenv("SONARO_SOURCE_DIR")) + "/resources/about/" + name;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The offset of the first baseline or progressive frame header's segment.
qsizetype frameHeader(const QByteArray &jpeg)
{
    for (qsizetype i = 0; i + 9 < jpeg.size(); ++i)
        if (uchar(jpeg[i]) == 0xFF && (uchar(jpeg[i + 1]) == 0xC0 || uchar(jpeg[i + 1]) == 0xC2))
            return i;
    return -1;
}

} // namespace

TEST(JpegImageTest, SuppliedPicturesDecodeAtTheirPlacesSizes)
{
    const struct
    {
        const char *file;
        QSize size;
    } pictures[] = {{"logo.jpg", {250, 116}}, {"photo.jpg", {250, 188}}, {"technika.jpg", {141, 188}}};
    for (const auto &picture : pictures) {
        SCOPED_TRACE(picture.file);
        const QImage image = JpegImage::load(picturePath(picture.file));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), picture.size);
    }
}

TEST(JpegImageTest, PixelsMatchAnIndependentDecoder)
{
    const QByteArray bytes = readAll(picturePath("photo.jpg"));
    ASSERT_FALSE(bytes.isEmpty());
    if (!QImageReader::supportedImageFormats().contains("jpeg"))
        GTEST_SKIP() << "the toolkit has no JPEG reader here";
    const QImage ours = JpegImage::decode(bytes).convertToFormat(QImage::Format_RGB32);
    const QImage theirs = QImage::fromData(bytes, "JPEG").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(ours.size(), theirs.size());
    int worst = 0;
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x) {
            const QRgb a = ours.pixel(x, y), b = theirs.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    // Both are libjpeg; only the DCT or upsampling method may differ.
    EXPECT_LE(worst, 8);
}

TEST(JpegImageTest, BrokenDataGivesAnEmptyPictureNotAPartlyGreyOne)
{
    const QByteArray good = readAll(picturePath("logo.jpg"));
    ASSERT_GT(good.size(), 1000);

    EXPECT_TRUE(JpegImage::decode(QByteArray()).isNull());
    EXPECT_TRUE(JpegImage::decode("not a picture at all").isNull());
    EXPECT_TRUE(JpegImage::decode(good.left(2)).isNull());          // the start marker only
    EXPECT_TRUE(JpegImage::decode(good.left(good.size() / 2)).isNull()); // cut in the scan data
    EXPECT_TRUE(JpegImage::decode(good.left(good.size() - 2)).isNull()); // end marker missing

    QByteArray scrambled = good;
    for (qsizetype i = good.size() / 3; i < good.size() / 3 + 40; ++i)
        scrambled[i] = char(0xFF); // markers in the middle of the scan data
    EXPECT_TRUE(JpegImage::decode(scrambled).isNull());

    // A header that claims a picture far beyond what the window could show.
    QByteArray huge = good;
    const qsizetype sof = frameHeader(huge);
    ASSERT_GE(sof, 0);
    huge[sof + 5] = char(0xEA); // height 60000
    huge[sof + 6] = char(0x60);
    huge[sof + 7] = char(0xEA); // width 60000
    huge[sof + 8] = char(0x60);
    EXPECT_TRUE(JpegImage::decode(huge).isNull());

    // The intact file still decodes after all that.
    EXPECT_FALSE(JpegImage::decode(good).isNull());
}

TEST(JpegImageTest, FilesThatCannotBeReadGiveAnEmptyPicture)
{
    QTemporaryDir dir;
    EXPECT_TRUE(JpegImage::load(dir.filePath("missing.jpg")).isNull());
    EXPECT_TRUE(JpegImage::load(dir.path()).isNull()); // a folder
    QFile truncated(dir.filePath("cut.jpg"));
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    truncated.write(readAll(picturePath("technika.jpg")).left(700));
    truncated.close();
    EXPECT_TRUE(JpegImage::load(truncated.fileName()).isNull());
}
