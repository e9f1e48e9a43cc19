#include "platform/profile/ProfileText.h"

#include "platform/profile/Profile.h"
#include "platform/text/TextCodec.h"

#include <QList>

namespace ProfileText {
namespace {

struct Line {
    QByteArray text; // without its line end
    QByteArray end;  // "\r\n", "\n" or "" for a last line without one
};

QList<Line> SplitLines(const QByteArray& text) {
    QList<Line> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype nl = text.indexOf('\n', start);
        if (nl < 0) {
            lines.append({text.mid(start), QByteArray()});
            break;
        }
        const bool cr = nl > start && text[nl - 1] == '\r';
        lines.append({text.mid(start, nl - start - (cr ? 1 : 0)), cr ? "\r\n" : "\n"});
        start = nl + 1;
    }
    return lines;
}

// A name in the file against a name asked for (UTF-8); a name the Windows version wrote in code
// page 932 is compared by its text.
bool SameName(const QByteArray& stored, const QByteArray& name) {
    const QByteArray a = stored.trimmed();
    const QByteArray b = name.trimmed();
    if (a.compare(b, Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (IsUtf8(a)) {
        return false;
    }
    return DecodeText(a).text.compare(QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
}

// value (UTF-8) for the key line it replaces: in code page 932 when the line's value was
// written in it and every character of the new value has a code there, so that the Windows
// version can still read what it wrote; in UTF-8 when its code page 932 bytes would read as
// UTF-8, as other text.
QByteArray InCodePageOf(const QByteArray& line, const QByteArray& value) {
    const QByteArray old = line.mid(line.indexOf('=') + 1);
    if (IsUtf8(old)) {
        return value;
    }
    const std::optional<QByteArray> encoded = EncodeCodePage932(QString::fromUtf8(value));
    return encoded && !IsUtf8(*encoded) ? *encoded : value;
}

bool IsLeadByte932(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// value cut to at most max bytes without splitting a character of code page 932.
QByteArray CutCodePage932(const QByteArray& value, int max) {
    qsizetype end = 0;
    while (end < value.size()) {
        const qsizetype length = IsLeadByte932(static_cast<unsigned char>(value[end])) ? 2 : 1;
        if (end + length > max) {
            break;
        }
        end += length;
    }
    return value.left(end);
}

// The section name of a "[name]" line, or nothing for any other line. The name ends at the
// line's last ']', so a camera named "USB Camera [HD]" has a section it can find again.
std::optional<QByteArray> SectionName(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    if (!t.startsWith('[')) {
        return std::nullopt;
    }
    const qsizetype close = t.lastIndexOf(']');
    return close < 0 ? t.mid(1) : t.mid(1, close - 1);
}

bool IsComment(const QByteArray& line) {
    return line.trimmed().startsWith(';');
}

// The key of a "key=value" line, or nothing.
std::optional<QByteArray> KeyName(const QByteArray& line) {
    if (IsComment(line)) {
        return std::nullopt;
    }
    const qsizetype eq = line.indexOf('=');
    if (eq < 0) {
        return std::nullopt;
    }
    return line.left(eq).trimmed();
}

// Index of the first line of the first section named section, -1 when there is none.
qsizetype FindSection(const QList<Line>& lines, const QByteArray& section) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i].text);
        if (name && SameName(*name, section)) {
            return i;
        }
    }
    return -1;
}

// One past the last line that belongs to the section starting at header.
qsizetype SectionEnd(const QList<Line>& lines, qsizetype header) {
    qsizetype i = header + 1;
    while (i < lines.size() && !SectionName(lines[i].text)) {
        ++i;
    }
    return i;
}

bool HasLineBreak(const QByteArray& s) {
    return s.contains('\n') || s.contains('\r');
}

// A key line written with this name would read back as another key, a comment or a section.
bool UnreadableKey(const QByteArray& key) {
    const QByteArray t = key.trimmed();
    return t.isEmpty() || t.contains('=') || t.startsWith(';') || t.startsWith('[');
}

QByteArray Join(const QList<Line>& lines) {
    QByteArray out;
    for (const Line& line : lines) {
        out += line.text;
        out += line.end;
    }
    return out;
}

} // namespace

QByteArray CutUtf8(const QByteArray& value, int max) {
    if (value.size() <= max) {
        return value;
    }
    qsizetype cut = max;
    // Step back over continuation bytes (10xxxxxx) to the start of the split character.
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return value.left(cut);
}

std::optional<QByteArray> Find(const QByteArray& text, const QByteArray& section,
                               const QByteArray& key) {
    const QList<Line> lines = SplitLines(text);
    const qsizetype header = FindSection(lines, section);
    if (header < 0) {
        return std::nullopt;
    }
    const qsizetype end = SectionEnd(lines, header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const auto name = KeyName(lines[i].text);
        if (name && SameName(*name, key)) {
            const QByteArray& line = lines[i].text;
            const QByteArray value = line.mid(line.indexOf('=') + 1).trimmed();
            if (value.size() <= kProfileValueMax) {
                return value;
            }
            return IsUtf8(value) ? CutUtf8(value, kProfileValueMax)
                                 : CutCodePage932(value, kProfileValueMax);
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> Replace(const QByteArray& text, const QByteArray& section,
                                  const QByteArray& key, const QByteArray& value) {
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        section.trimmed().isEmpty() || UnreadableKey(key)) {
        return std::nullopt;
    }
    QList<Line> lines = SplitLines(text);
    // New lines follow the file's own line ends.
    const QByteArray eol = text.contains("\r\n") ? QByteArray("\r\n") : QByteArray("\n");
    if (!lines.isEmpty() && lines.last().end.isEmpty()) {
        lines.last().end = eol;
    }

    const qsizetype header = FindSection(lines, section);
    if (header < 0) {
        lines.append({'[' + section.trimmed() + ']', eol});
        lines.append({key.trimmed() + '=' + value, eol});
        return Join(lines);
    }
    const qsizetype end = SectionEnd(lines, header);
    qsizetype lastFilled = header;
    for (qsizetype i = header + 1; i < end; ++i) {
        const auto name = KeyName(lines[i].text);
        if (name && SameName(*name, key)) {
            lines[i].text = *name + '=' + InCodePageOf(lines[i].text, value);
            return Join(lines);
        }
        if (!lines[i].text.trimmed().isEmpty()) {
            lastFilled = i;
        }
    }
    lines.insert(lastFilled + 1, {key.trimmed() + '=' + value, eol});
    return Join(lines);
}

} // namespace ProfileText
