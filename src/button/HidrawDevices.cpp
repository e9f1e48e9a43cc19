#include "button/HidrawDevices.h"

#include "button/ReportDescriptor.h"
#include "platform/trace/Trace.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <optional>

namespace {

// N of "hidrawN".
std::optional<int> HidrawNumber(const char* name) {
    if (std::strncmp(name, "hidraw", 6) != 0 || name[6] == '\0') {
        return std::nullopt;
    }
    bool ok = false;
    const int n = QByteArray(name + 6).toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

// The vendor and product of a uevent's "HID_ID=bus:vendor:product" line (hexadecimal).
bool MatchesHidId(const QByteArray& uevent, int vendorId, int productId) {
    for (const QByteArray& line : uevent.split('\n')) {
        if (!line.startsWith("HID_ID=")) {
            continue;
        }
        const QList<QByteArray> parts = line.mid(7).trimmed().split(':');
        if (parts.size() != 3) {
            return false;
        }
        bool vendorOk = false;
        bool productOk = false;
        const uint vendor = parts[1].toUInt(&vendorOk, 16);
        const uint product = parts[2].toUInt(&productOk, 16);
        return vendorOk && productOk && vendor == uint(vendorId) && product == uint(productId);
    }
    return false;
}

} // namespace

HidrawSearch ListHidrawDevices(const DeviceRoots& roots, int vendorId, int productId,
                               QList<HidrawDevice>* matches) {
    matches->clear();
    const QString classDir = roots.sys + QStringLiteral("/class/hidraw");
    DIR* dir = opendir(QFile::encodeName(classDir).constData());
    if (!dir) {
        if (errno == ENOENT) {
            return HidrawSearch::NotFound;
        }
        qCDebug(veldorTrace, "button: cannot list %s: %s", qPrintable(classDir),
                std::strerror(errno));
        return HidrawSearch::ListUnreadable;
    }
    QList<int> numbers;
    while (const dirent* entry = readdir(dir)) {
        if (auto n = HidrawNumber(entry->d_name)) {
            numbers.append(*n);
        }
    }
    closedir(dir);
    std::sort(numbers.begin(), numbers.end());

    for (int n : numbers) {
        const QString name = QStringLiteral("hidraw%1").arg(n);
        const QString device = classDir + QLatin1Char('/') + name + QStringLiteral("/device");
        if (!MatchesHidId(ReadAttribute(device + QStringLiteral("/uevent")), vendorId, productId)) {
            continue;
        }
        const ReportLayout layout =
            ParseReportDescriptor(ReadAttribute(device + QStringLiteral("/report_descriptor")));
        if (layout.inputReportLength == 0) {
            qCDebug(veldorTrace, "button: %s has no input report; skipped", qPrintable(name));
            continue;
        }
        matches->append({roots.dev + QLatin1Char('/') + name, layout.inputReportLength,
                         layout.numberedReports});
    }
    return matches->isEmpty() ? HidrawSearch::NotFound : HidrawSearch::Found;
}
