#include "platform/language/TextPairs.h"

#include "platform/language/Language.h"
#include "platform/trace/Trace.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

const TextPairs& TextPairs::Builtin() {
    static const TextPairs texts = [] {
        QFile file(QStringLiteral(":/texts.json"));
        if (!file.open(QIODevice::ReadOnly)) {
            qCWarning(veldorTrace, "texts.json is missing from the resources");
            return TextPairs(QByteArray());
        }
        return TextPairs(file.readAll());
    }();
    return texts;
}

TextPairs::TextPairs(const QByteArray& json) {
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const QJsonObject pair = it.value().toObject();
        m_pairs.insert(it.key(), Pair{pair.value(QStringLiteral("en")).toString(),
                                      pair.value(QStringLiteral("ja")).toString()});
    }
}

QString TextPairs::Text(const QString& key, int language) const {
    const auto it = m_pairs.find(key);
    if (it == m_pairs.end()) {
        return key;
    }
    if (language == kJapanese && !it->japanese.isEmpty()) {
        return it->japanese;
    }
    return it->english;
}

bool TextPairs::HasJapanese(const QString& key) const {
    const auto it = m_pairs.find(key);
    return it != m_pairs.end() && !it->japanese.isEmpty();
}
