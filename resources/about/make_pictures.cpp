// Paints the About window's three pictures and writes them as JPEG files
// with libjpeg. Run it again after changing a picture:
//   g++ -std=c++20 -fPIC make_pictures.cpp $(pkg-config --cflags --libs Qt6Gui) -ljpeg -o /tmp/make_pictures
//   QT_QPA_PLATFORM=offscreen /tmp/make_pictures resources/about
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>
#include <string>

#include <jpeglib.h>

namespace {

bool writeJpeg(const QImage &picture, const std::string &path)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uchar *>(rgb.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

QImage logo()
{
    QImage image(250, 116, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = image.rect();
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, QColor(16, 48, 16));
    sky.setColorAt(1, QColor(0, 110, 0));
    p.fillRect(r, sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(192, 220, 192, 150));
    static constexpr int heights[] = {8, 14, 22, 12, 18, 26, 16, 10, 20, 24, 12, 6, 16, 22, 14, 8, 18, 11, 23, 9};
    const qreal bar = r.width() / 20.0;
    for (int i = 0; i < 20; ++i)
        p.drawRect(QRectF(i * bar + 1, r.bottom() - heights[i], bar - 2, heights[i]));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(44);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(r.adjusted(2, 2, 2, -34), Qt::AlignCenter, QStringLiteral("Sonaro"));
    p.setPen(Qt::white);
    p.drawText(r.adjusted(0, 0, 0, -36), Qt::AlignCenter, QStringLiteral("Sonaro"));
    font.setBold(false);
    font.setPixelSize(17);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    p.setFont(font);
    p.setPen(QColor(255, 200, 80));
    p.drawText(r.adjusted(0, 58, 0, -30), Qt::AlignCenter, QStringLiteral("KLIENT"));
    return image;
}

// A tomcat on a windowsill at dusk.
QImage photo()
{
    QImage image(250, 188, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 150);
    sky.setColorAt(0, QColor(40, 50, 110));
    sky.setColorAt(0.6, QColor(220, 120, 90));
    sky.setColorAt(1, QColor(250, 200, 120));
    p.fillRect(image.rect(), sky);
    QRadialGradient sun(QPointF(70, 120), 40);
    sun.setColorAt(0, QColor(255, 240, 190));
    sun.setColorAt(0.4, QColor(255, 220, 140));
    sun.setColorAt(1, QColor(255, 200, 120, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(70, 120), 40, 40);
    // Roofs far away.
    p.setBrush(QColor(70, 50, 70));
    QPolygonF roofs;
    roofs << QPointF(0, 150) << QPointF(0, 128) << QPointF(30, 112) << QPointF(55, 128) << QPointF(80, 118)
          << QPointF(80, 104) << QPointF(88, 104) << QPointF(88, 122) << QPointF(120, 108) << QPointF(160, 126)
          << QPointF(200, 114) << QPointF(250, 130) << QPointF(250, 150);
    p.drawPolygon(roofs);
    // Window frame and sill.
    p.setBrush(QColor(235, 230, 220));
    p.drawRect(QRectF(0, 0, 250, 8));
    p.drawRect(QRectF(0, 0, 8, 188));
    p.drawRect(QRectF(242, 0, 8, 188));
    p.drawRect(QRectF(121, 0, 8, 150));
    QLinearGradient sill(0, 150, 0, 188);
    sill.setColorAt(0, QColor(150, 100, 60));
    sill.setColorAt(1, QColor(90, 55, 30));
    p.setBrush(sill);
    p.drawRect(QRectF(0, 150, 250, 38));
    // The cat, seen from behind against the light, head turned.
    const QColor fur(30, 26, 28);
    p.setBrush(fur);
    p.drawEllipse(QRectF(148, 98, 62, 62)); // body
    p.drawEllipse(QRectF(160, 62, 44, 40)); // head
    QPolygonF ear1, ear2;
    ear1 << QPointF(164, 74) << QPointF(166, 50) << QPointF(180, 66);
    ear2 << QPointF(184, 65) << QPointF(199, 50) << QPointF(201, 74);
    p.drawPolygon(ear1);
    p.drawPolygon(ear2);
    QPainterPath tail;
    tail.moveTo(200, 150);
    tail.cubicTo(235, 150, 236, 120, 222, 108);
    QPen tailPen(fur, 9, Qt::SolidLine, Qt::RoundCap);
    p.setPen(tailPen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(tail);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 200, 60));
    p.drawEllipse(QRectF(171, 78, 8, 6));
    p.drawEllipse(QRectF(186, 78, 8, 6));
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(174, 78.5, 2, 5));
    p.drawEllipse(QRectF(189, 78.5, 2, 5));
    p.setPen(QPen(QColor(200, 200, 200, 160), 0.8));
    for (int i = -1; i <= 1; ++i) {
        p.drawLine(QPointF(176, 90), QPointF(150, 88 + i * 4));
        p.drawLine(QPointF(189, 90), QPointF(214, 88 + i * 4));
    }
    // Film grain, so it looks taken rather than drawn.
    quint32 seed = 12345;
    for (int y = 0; y < image.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int d = int((seed >> 24) % 13) - 6;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + d, 255), qBound(0, qGreen(c) + d, 255), qBound(0, qBlue(c) + d, 255));
        }
    }
    return image;
}

// A home hi-fi tower: amplifier, tape deck, tuner and a loudspeaker.
QImage technika()
{
    QImage image(141, 188, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient wall(0, 0, 141, 188);
    wall.setColorAt(0, QColor(90, 95, 105));
    wall.setColorAt(1, QColor(40, 42, 48));
    p.fillRect(image.rect(), wall);
    auto unit = [&](qreal y, qreal h) {
        QLinearGradient metal(0, y, 0, y + h);
        metal.setColorAt(0, QColor(200, 200, 205));
        metal.setColorAt(1, QColor(130, 130, 138));
        p.setPen(QPen(QColor(60, 60, 66), 1));
        p.setBrush(metal);
        p.drawRoundedRect(QRectF(10.5, y + 0.5, 120, h), 2, 2);
    };
    // Tuner with a lit scale.
    unit(12, 30);
    p.setBrush(QColor(30, 60, 40));
    p.drawRect(QRectF(18.5, 18.5, 70, 16));
    p.setPen(QColor(120, 255, 150));
    for (int i = 0; i < 9; ++i)
        p.drawLine(QPointF(22 + i * 8, 22), QPointF(22 + i * 8, 26));
    p.setPen(QPen(QColor(255, 80, 60), 1.5));
    p.drawLine(QPointF(51, 20), QPointF(51, 33));
    p.setPen(QColor(60, 60, 66));
    p.setBrush(QColor(70, 70, 76));
    p.drawEllipse(QPointF(108, 27), 9, 9);
    // Tape deck with two reels.
    unit(46, 34);
    p.setBrush(QColor(25, 25, 30));
    p.drawRect(QRectF(18.5, 51.5, 64, 24));
    p.setBrush(QColor(220, 220, 220));
    p.drawEllipse(QPointF(35, 63.5), 6, 6);
    p.drawEllipse(QPointF(66, 63.5), 6, 6);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(QColor(90, 90, 96));
        p.drawRect(QRectF(90.5 + i * 9, 66.5, 7, 7));
    }
    // Amplifier with a volume knob and level LEDs.
    unit(84, 32);
    p.setBrush(QColor(60, 60, 66));
    p.drawEllipse(QPointF(110, 100), 12, 12);
    p.setPen(QPen(Qt::white, 1.5));
    p.drawLine(QPointF(110, 100), QPointF(103, 92));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 8; ++i) {
        p.setBrush(i < 5 ? QColor(80, 230, 90) : i < 7 ? QColor(250, 200, 40) : QColor(240, 60, 50));
        p.drawRect(QRectF(20 + i * 9, 96, 6, 8));
    }
    // Loudspeaker.
    p.setPen(QPen(QColor(30, 20, 15), 1));
    QLinearGradient wood(0, 122, 0, 182);
    wood.setColorAt(0, QColor(150, 95, 55));
    wood.setColorAt(1, QColor(95, 55, 30));
    p.setBrush(wood);
    p.drawRoundedRect(QRectF(30.5, 122.5, 80, 60), 3, 3);
    QRadialGradient cone(QPointF(70, 155), 22);
    cone.setColorAt(0, QColor(90, 90, 95));
    cone.setColorAt(0.3, QColor(20, 20, 22));
    cone.setColorAt(1, QColor(60, 60, 64));
    p.setBrush(cone);
    p.drawEllipse(QPointF(70, 155), 22, 22);
    p.setBrush(QColor(40, 40, 44));
    p.drawEllipse(QPointF(70, 131), 5, 5);
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const std::string folder = argc > 1 ? argv[1] : ".";
    const bool ok = writeJpeg(logo(), folder + "/logo.jpg") && writeJpeg(photo(), folder + "/photo.jpg")
                    && writeJpeg(technika(), folder + "/technika.jpg");
    if (!ok)
        std::fprintf(stderr, "cannot write the pictures into %s\n", folder.c_str());
    return ok ? 0 : 1;
}
