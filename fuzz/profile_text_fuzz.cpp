// The INI text layer on any file content and any names: look-ups never fail, and a write is
// read back as written and changes nothing but its own line.
//
// Input: "section\0key\0value\0text" sets all four; an input with fewer than three NUL bytes is
// the whole file text, looked up and written with the names the program itself uses.

#include "FuzzCheck.h"

#include "platform/profile/Profile.h"
#include "platform/profile/ProfileText.h"
#include "platform/text/TextCodec.h"

#include <QByteArrayList>
#include <cstdint>

namespace {

struct Case {
    QByteArray section = "CAPTURE";
    QByteArray key = "Save_Folder";
    QByteArray value = "/home/user/Desktop/VELDOR/images";
    QByteArray text;
};

Case Split(const QByteArray& input) {
    Case c;
    QByteArrayList parts;
    qsizetype start = 0;
    for (int i = 0; i < 3; ++i) {
        const qsizetype nul = input.indexOf('\0', start);
        if (nul < 0) {
            c.text = input;
            return c;
        }
        parts.append(input.mid(start, nul - start));
        start = nul + 1;
    }
    c.section = parts[0];
    c.key = parts[1];
    // Values come from the program's own text, so they are UTF-8.
    c.value = QString::fromUtf8(parts[2]).toUtf8();
    c.text = input.mid(start);
    return c;
}

// The file's lines without their line ends, a final line end or not. A last line without one
// gets the file's line end, so carriage returns at line ends are not compared.
QByteArrayList Lines(const QByteArray& text) {
    QByteArrayList lines = text.split('\n');
    if (lines.last().isEmpty()) {
        lines.removeLast();
    }
    for (QByteArray& line : lines) {
        while (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    return lines;
}

// after is before with one line changed or inserted, or with two lines added at its end.
bool OneEntryChanged(const QByteArrayList& before, const QByteArrayList& after) {
    if (after.size() == before.size()) {
        int changed = 0;
        for (qsizetype i = 0; i < before.size(); ++i) {
            changed += before[i] != after[i];
        }
        return changed <= 1;
    }
    if (after.size() == before.size() + 1) {
        qsizetype i = 0;
        while (i < before.size() && before[i] == after[i]) {
            ++i;
        }
        return before.mid(i) == after.mid(i + 1);
    }
    return after.size() == before.size() + 2 && after.mid(0, before.size()) == before;
}

bool Refused(const Case& c) {
    const auto breaks = [](const QByteArray& s) { return s.contains('\n') || s.contains('\r'); };
    const QByteArray key = c.key.trimmed();
    return breaks(c.section) || breaks(c.key) || breaks(c.value) || c.section.trimmed().isEmpty() ||
           key.isEmpty() || key.contains('=') || key.startsWith(';') || key.startsWith('[');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Case c = Split(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));

    const std::optional<QByteArray> found = ProfileText::Find(c.text, c.section, c.key);
    FUZZ_CHECK(!found || found->size() <= kProfileValueMax);

    if (IsUtf8(c.text)) {
        const QByteArray cut = ProfileText::CutUtf8(c.text, kProfileValueMax);
        FUZZ_CHECK(c.text.startsWith(cut) && IsUtf8(cut));
        // A UTF-8 character is at most four bytes: the cut never goes back further than that.
        FUZZ_CHECK(c.text.size() <= kProfileValueMax ? cut == c.text
                                                     : cut.size() > kProfileValueMax - 4);
    }

    const std::optional<QByteArray> written =
        ProfileText::Replace(c.text, c.section, c.key, c.value);
    FUZZ_CHECK(written.has_value() == !Refused(c));
    if (!written) {
        return 0;
    }
    // The value reads back as the text written (it may be stored in code page 932 where it
    // replaces a value the Windows version wrote), cut only where it is longer than a value
    // can be.
    const std::optional<QByteArray> readBack = ProfileText::Find(*written, c.section, c.key);
    FUZZ_CHECK(readBack.has_value());
    const QString text = DecodeText(*readBack).text;
    const QString expected = QString::fromUtf8(c.value.trimmed());
    FUZZ_CHECK(c.value.trimmed().size() > kProfileValueMax ? expected.startsWith(text)
                                                           : text == expected);
    FUZZ_CHECK(OneEntryChanged(Lines(c.text), Lines(*written)));

    // Another key of the section, and the key in another section, read as before.
    const QByteArray otherKey = c.key.trimmed() + "x";
    FUZZ_CHECK(ProfileText::Find(c.text, c.section, otherKey) ==
               ProfileText::Find(*written, c.section, otherKey));
    const QByteArray otherSection = c.section.trimmed() + "x";
    FUZZ_CHECK(ProfileText::Find(c.text, otherSection, c.key) ==
               ProfileText::Find(*written, otherSection, c.key));
    return 0;
}
