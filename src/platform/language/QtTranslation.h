#pragma once

#include <QTranslator>

// Qt's own texts (the standard buttons of message boxes and dialogs, the folder dialog, the
// edit menus of text fields) in the interface language, from Debian's qt6-translations-l10n.
class QtTranslation {
public:
    // Installs Qt's Japanese texts when language is Japanese. False, with a trace line, when
    // they are not installed: Qt's texts then stay English.
    bool Install(int language);

private:
    QTranslator m_translator;
};
