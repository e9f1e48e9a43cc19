#pragma once

#include <QHash>
#include <QString>

// The program's Japanese/English text pairs, read from the embedded texts.json.
class TextPairs {
public:
    static const TextPairs& Builtin();
    explicit TextPairs(const QByteArray& json);

    // The text for the language (1 Japanese, 2 English); a pair without a Japanese text gives
    // the English one, an unknown key gives the key itself.
    QString Text(const QString& key, int language) const;
    bool HasJapanese(const QString& key) const;

private:
    struct Pair {
        QString english;
        QString japanese;
    };
    QHash<QString, Pair> m_pairs;
};
