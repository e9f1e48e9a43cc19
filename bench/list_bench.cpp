// Reading the picture list of a folder of 10 000 pictures, beside a bare directory read.
#include "library/ImageList.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <dirent.h>

namespace {

const QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        made = true;
        for (int i = 0; i < 10000; ++i) {
            QFile file(dir.path() +
                       QStringLiteral("/20261209%1.jpg").arg(i, 6, 10, QLatin1Char('0')));
            if (file.open(QIODevice::WriteOnly)) {
                file.write("x");
            }
        }
    }
    return dir;
}

void BM_ReloadImageList(benchmark::State& state) {
    const QString folder = Folder().path();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReloadImageList(folder));
    }
}

void BM_BareDirectoryRead(benchmark::State& state) {
    const QByteArray folder = Folder().path().toLocal8Bit();
    for (auto _ : state) {
        DIR* dir = opendir(folder.constData());
        int count = 0;
        while (dirent* entry = readdir(dir)) {
            count += entry->d_name[0] != '.';
        }
        closedir(dir);
        benchmark::DoNotOptimize(count);
    }
}

BENCHMARK(BM_BareDirectoryRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReloadImageList)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
