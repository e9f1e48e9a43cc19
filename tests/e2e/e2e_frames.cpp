// Pictures for the end-to-end runs, and a look into the pictures VELDOR writes.
//   e2e_frames ruler DIR WIDTH HEIGHT PIXELS_PER_MM   a ruler with millimetre ticks: DIR/0000.jpg
//   e2e_frames sweep DIR WIDTH HEIGHT COUNT           a chart swept through focus: COUNT frames,
//                                                     Gaussian radius rising to 8 and falling
//   e2e_frames bar FILE                               the longest run of near-white pixels along
//                                                     a row of the picture's lower right quarter
#include "support/FocusChart.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

QImage Ruler(int width, int height, double perMm) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(235, 225, 200));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double top = height * 0.3;
    painter.fillRect(QRectF(0, top - 4, width, 4), QColor(20, 20, 20));
    QFont font = painter.font();
    font.setPixelSize(std::max(10, int(perMm * 0.6)));
    painter.setFont(font);
    for (int mm = 0; mm * perMm < width; ++mm) {
        const double x = mm * perMm + perMm / 2;
        const double length = mm % 10 == 0  ? height * 0.25
                              : mm % 5 == 0 ? height * 0.17
                                            : height * 0.1;
        painter.fillRect(QRectF(x - 1.5, top, 3, length), QColor(20, 20, 20));
        if (mm % 10 == 0) {
            painter.setPen(QColor(20, 20, 20));
            painter.drawText(QPointF(x + 4, top + length), QString::number(mm / 10));
        }
    }
    return image;
}

bool Save(const QImage& image, const QString& dir, int n) {
    return QDir().mkpath(dir) &&
           image.save(dir + QStringLiteral("/%1.jpg").arg(n, 4, 10, QLatin1Char('0')), "JPEG", 90);
}

int LongestWhiteRun(const QImage& image) {
    int longest = 0;
    for (int y = image.height() / 2; y < image.height(); ++y) {
        int run = 0;
        for (int x = image.width() / 2; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            run = qRed(p) > 230 && qGreen(p) > 230 && qBlue(p) > 230 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    return longest;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 6 && args[1] == QLatin1String("ruler")) {
        return Save(Ruler(args[3].toInt(), args[4].toInt(), args[5].toDouble()), args[2], 0) ? 0
                                                                                             : 1;
    }
    if (args.size() == 6 && args[1] == QLatin1String("sweep")) {
        const QImage chart = FocusChart(QSize(args[3].toInt(), args[4].toInt()));
        const int count = args[5].toInt();
        for (int i = 0; i < count; ++i) {
            // Sharp at the first frame, most blurred half way, sharp again at the end.
            const double sigma = 8.0 * (1 - std::abs(1 - 2.0 * i / count));
            if (!Save(GaussianBlurred(chart, sigma), args[2], i)) {
                return 1;
            }
        }
        return 0;
    }
    if (args.size() == 3 && args[1] == QLatin1String("bar")) {
        const QImage image(args[2]);
        if (image.isNull()) {
            return 1;
        }
        std::printf("%d\n", LongestWhiteRun(image));
        return 0;
    }
    std::fprintf(stderr, "usage: e2e_frames ruler|sweep|bar ...\n");
    return 2;
}
