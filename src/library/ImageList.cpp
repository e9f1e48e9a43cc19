#include "library/ImageList.h"

#include "platform/trace/Trace.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

namespace {

// "*.jpg" with the letter case ignored, on the name's bytes.
bool MatchesJpg(const char* name, size_t length) {
    return length >= 4 && name[length - 4] == '.' && (name[length - 3] | 0x20) == 'j' &&
           (name[length - 2] | 0x20) == 'p' && (name[length - 1] | 0x20) == 'g';
}

unsigned char Lower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

struct Name {
    unsigned offset;
    unsigned length;
};

// Names compared with ASCII letter case ignored (on a lowered copy of the names), then
// exactly; for names of ASCII letters this is the order of a case-insensitive comparison.
bool AsciiLess(const std::string& bytes, const std::string& lowered, const Name& a, const Name& b) {
    const unsigned n = std::min(a.length, b.length);
    const int folded = std::memcmp(lowered.data() + a.offset, lowered.data() + b.offset, n);
    if (folded != 0) {
        return folded < 0;
    }
    if (a.length != b.length) {
        return a.length < b.length;
    }
    return std::memcmp(bytes.data() + a.offset, bytes.data() + b.offset, n) < 0;
}

} // namespace

QStringList ReloadImageList(const QString& folder) {
    if (folder.isEmpty()) {
        return {};
    }
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        qCDebug(veldorTrace, "picture folder not readable: %s (%s)", qUtf8Printable(folder),
                std::strerror(errno));
        return {};
    }
    // Every matching entry counts, sub-folders with such names included; "." and ".." never
    // match. The names are kept in one buffer: a folder may hold many thousands.
    std::string bytes;
    std::vector<Name> names;
    bytes.reserve(1 << 16);
    names.reserve(1 << 12);
    bool ascii = true;
    while (const dirent* entry = readdir(dir)) {
        const size_t length = std::strlen(entry->d_name);
        if (!MatchesJpg(entry->d_name, length)) {
            continue;
        }
        names.push_back({static_cast<unsigned>(bytes.size()), static_cast<unsigned>(length)});
        bytes.append(entry->d_name, length);
        for (size_t i = 0; i < length && ascii; ++i) {
            ascii = static_cast<unsigned char>(entry->d_name[i]) < 0x80;
        }
    }
    closedir(dir);

    QStringList list;
    list.reserve(static_cast<qsizetype>(names.size()));
    auto decode = [&bytes](const Name& n) {
        return QString::fromUtf8(bytes.data() + n.offset, n.length);
    };
    if (ascii) {
        std::string lowered = bytes;
        for (char& c : lowered) {
            c = static_cast<char>(Lower(static_cast<unsigned char>(c)));
        }
        std::sort(names.begin(), names.end(),
                  [&](const Name& a, const Name& b) { return AsciiLess(bytes, lowered, a, b); });
        // ASCII text reads the same as Latin-1, whose widening is the cheaper one.
        for (auto it = names.rbegin(); it != names.rend(); ++it) {
            list.append(QString::fromLatin1(bytes.data() + it->offset, it->length));
        }
        return list;
    }
    for (const Name& n : names) {
        list.append(decode(n));
    }
    std::sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    std::reverse(list.begin(), list.end());
    return list;
}

QString ReplaceLastThree(const QString& path, const char* ext) {
    return path.left(qMax<qsizetype>(0, path.size() - 3)) + QLatin1String(ext);
}

QString MakeCommentPath(const QString& folder, const QString& name) {
    return ReplaceLastThree(folder + QLatin1Char('/') + name, "txt");
}
