#include "platform/language/QtTranslation.h"

#include "platform/language/Language.h"
#include "platform/trace/Trace.h"

#include <QCoreApplication>
#include <QLibraryInfo>

bool QtTranslation::Install(int language) {
    if (language != kJapanese) {
        return true;
    }
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!m_translator.load(QStringLiteral("qtbase_ja"), folder)) {
        qCDebug(veldorTrace) << "Qt's Japanese texts not found in" << folder;
        return false;
    }
    return QCoreApplication::installTranslator(&m_translator);
}
