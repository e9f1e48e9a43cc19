#include "platform/paths/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString ApplicationName() {
    return QCoreApplication::applicationName();
}

QString ApplicationNameOf(const QString& programFile) {
    return QFileInfo(programFile).completeBaseName();
}

QString DesktopFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

QString TempPath() {
    const QString temp = QDir::tempPath();
    if (temp.isEmpty() || !QFileInfo(temp).isDir()) {
        return QString();
    }
    return temp.endsWith(QLatin1Char('/')) ? temp : temp + QLatin1Char('/');
}
