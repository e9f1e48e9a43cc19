#include "platform/profile/ProfileText.h"

#include "platform/profile/Profile.h"

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

bool SameName(const QByteArray& a, const QByteArray& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<QByteArray> SectionName(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    if (!t.startsWith('[')) {
        return std::nullopt;
    }
    const qsizetype close = t.indexOf(']');
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
            return CutUtf8(line.mid(line.indexOf('=') + 1).trimmed(), kProfileValueMax);
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> Replace(const QByteArray& text, const QByteArray& section,
                                  const QByteArray& key, const QByteArray& value) {
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        section.trimmed().isEmpty() || key.trimmed().isEmpty()) {
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
            lines[i].text = *name + '=' + value;
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
