#include "platform/profile.h"

#include "platform/AsciiText.h"

#include "platform/VbError.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The settings path is built the Windows way, with backslashes, and the root directory can
// show up as "\\". Every backslash becomes a slash and a run of separators counts as one.
QString localPath(const char* fileName) {
    QByteArray path;
    path.reserve(qsizetype(std::strlen(fileName)));
    for (const char* p = fileName; *p; ++p) {
        const char c = *p == '\\' ? '/' : *p;
        if (c != '/' || path.isEmpty() || path.back() != '/')
            path.append(c);
    }
    return QFile::decodeName(path);
}

// One line of the file: [begin, end) is its text without the line end, [end, next) the line
// end itself ("\r\n", "\n", or nothing on an unterminated last line; a lone CR at the very
// end of the file counts as a line end too).
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

enum class Kind { Other, Section, Key };

// What a line means: a section header with its name, a key with its name and value, or
// anything else (blank line, comment, text without '=').
struct Entry {
    Kind kind = Kind::Other;
    std::string_view name;
    std::string_view value;
};

class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool next(Line& line) {
        if (pos_ >= text_.size())
            return false;
        line.begin = pos_;
        const std::size_t lf = text_.find('\n', pos_);
        line.next = lf == std::string_view::npos ? text_.size() : lf + 1;
        line.end = lf == std::string_view::npos ? text_.size() : lf;
        if (line.end > line.begin && text_[line.end - 1] == '\r')
            --line.end;
        pos_ = line.next;
        return true;
    }

    std::string_view text(const Line& line) const {
        return text_.substr(line.begin, line.end - line.begin);
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

Entry parse(std::string_view line) {
    Entry entry;
    const std::string_view content = AsciiText::TrimBlanks(line);
    if (content.empty() || content.front() == ';')
        return entry;
    if (content.front() == '[') {
        // A header without its closing bracket still starts a new section, so the keys
        // after a damaged header never land in the section before it.
        const std::size_t close = content.find(']');
        entry.kind = Kind::Section;
        entry.name = AsciiText::TrimBlanks(
            content.substr(1, close == std::string_view::npos ? close : close - 1));
        return entry;
    }
    const std::size_t eq = content.find('=');
    if (eq == std::string_view::npos)
        return entry;
    entry.kind = Kind::Key;
    entry.name = AsciiText::TrimBlanks(content.substr(0, eq));
    entry.value = AsciiText::TrimBlanks(content.substr(eq + 1));
    if (entry.value.size() >= 2 && entry.value.front() == '"' && entry.value.back() == '"')
        entry.value = entry.value.substr(1, entry.value.size() - 2);
    return entry;
}

std::string_view view(const QByteArray& bytes) {
    return {bytes.constData(), std::size_t(bytes.size())};
}

unsigned long copyOut(std::string_view value, char* out, unsigned long size) {
    if (!out || size == 0)
        return 0;
    const std::size_t count = std::min<std::size_t>(value.size(), size - 1);
    std::memcpy(out, value.data(), count);
    out[count] = '\0';
    return static_cast<unsigned long>(count);
}

// Writes a temporary file beside the target and renames it over the target. A full disk can
// cut the write short without any error from Qt, so the temporary file's size is checked
// before it takes the old file's place; an unfinished temporary file is removed.
bool replaceFile(const QString& path, const QByteArray& content) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() &&
           file.flush() && file.size() == content.size() && file.commit();
}

// The whole-section and single-key deletions: drops the given byte ranges and saves the rest.
int removeRanges(const QString& path, std::string_view text,
                 const std::vector<std::pair<std::size_t, std::size_t>>& ranges) {
    if (ranges.empty())
        return 1;
    QByteArray out;
    out.reserve(qsizetype(text.size()));
    std::size_t kept = 0;
    for (const auto& [from, to] : ranges) {
        out.append(text.data() + kept, qsizetype(from - kept));
        kept = to;
    }
    out.append(text.data() + kept, qsizetype(text.size() - kept));
    return replaceFile(path, out) ? 1 : 0;
}

} // namespace

namespace Kernel32 {

unsigned long GetPrivateProfileStringA(const char* section, const char* key,
                                       const char* defaultValue, char* returnedString,
                                       unsigned long size, const char* fileName) {
    std::string_view fallback = defaultValue ? defaultValue : "";
    while (!fallback.empty() && AsciiText::IsBlank(fallback.back()))
        fallback.remove_suffix(1);
    if (!section || !key || !fileName)
        return copyOut(fallback, returnedString, size);

    QFile file(localPath(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return copyOut(fallback, returnedString, size);
    const QByteArray bytes = file.readAll();

    const std::string_view wantSection = AsciiText::TrimBlanks(section);
    const std::string_view wantKey = AsciiText::TrimBlanks(key);
    LineReader reader(view(bytes));
    Line line;
    bool inSection = false;
    while (reader.next(line)) {
        const Entry entry = parse(reader.text(line));
        if (entry.kind == Kind::Section)
            inSection = AsciiText::EqualIgnoringCase(entry.name, wantSection);
        else if (inSection && entry.kind == Kind::Key &&
                 AsciiText::EqualIgnoringCase(entry.name, wantKey))
            return copyOut(entry.value, returnedString, size);
    }
    return copyOut(fallback, returnedString, size);
}

int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                               const char* fileName) {
    if (!section || !fileName)
        return 0;
    const QString path = localPath(fileName);

    QByteArray bytes;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return 0;
        file.close();
    } else if (file.exists()) {
        return 0; // present but unreadable: rewriting it would lose its content
    }

    const std::string_view text = view(bytes);
    const std::string_view wantSection = AsciiText::TrimBlanks(section);
    const std::string_view wantKey = key ? AsciiText::TrimBlanks(key) : std::string_view();

    LineReader reader(text);
    Line line;
    bool inSection = false;
    bool firstSectionSeen = false; // the first matching section has started
    bool firstSectionOver = false; // ... and ended
    bool anyCrLf = false;
    bool anyLf = false;
    bool found = false;
    Line target;        // the key line to replace
    Line lastInSection; // last non-blank line of the first matching section
    std::vector<std::pair<std::size_t, std::size_t>> removals;

    while (reader.next(line)) {
        if (line.next > line.end + 1)
            anyCrLf = true;
        else if (line.next == line.end + 1 && text[line.end] == '\n')
            anyLf = true;
        if (found && value && key)
            continue; // only the line endings are still of interest

        const std::string_view lineText = reader.text(line);
        const Entry entry = parse(lineText);
        if (entry.kind == Kind::Section) {
            if (inSection && !key)
                removals.back().second = line.begin;
            if (inSection)
                firstSectionOver = true;
            inSection = AsciiText::EqualIgnoringCase(entry.name, wantSection);
            if (inSection && !key)
                removals.emplace_back(line.begin, text.size());
            if (inSection && !firstSectionSeen) {
                firstSectionSeen = true;
                lastInSection = line;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!firstSectionOver && !AsciiText::TrimBlanks(lineText).empty())
            lastInSection = line;
        if (key && entry.kind == Kind::Key && AsciiText::EqualIgnoringCase(entry.name, wantKey)) {
            if (value && !found) {
                found = true;
                target = line;
            } else if (!value) {
                removals.emplace_back(line.begin, line.next);
            }
        }
    }

    if (!key || !value)
        return removeRanges(path, text, removals);

    const std::string_view newLine = anyLf && !anyCrLf ? "\n" : "\r\n";
    const std::string_view newValue = value;
    QByteArray out;
    out.reserve(qsizetype(text.size() + wantSection.size() + wantKey.size() + newValue.size() + 8));
    auto append = [&out](std::string_view s) { out.append(s.data(), qsizetype(s.size())); };
    auto appendKeyLine = [&] {
        append(wantKey);
        out.append('=');
        append(newValue);
    };
    // A line without its own line end can only be the file's last; it gets one before
    // anything follows it (just the LF when it already ends in a lone CR).
    auto terminate = [&](std::size_t at) {
        if (at > 0 && text[at - 1] != '\n')
            append(text[at - 1] == '\r' ? "\n" : newLine);
    };

    if (found) {
        append(text.substr(0, target.begin));
        appendKeyLine();
        append(text.substr(target.end));
    } else if (firstSectionSeen) {
        const std::size_t at = lastInSection.next;
        append(text.substr(0, at));
        terminate(at);
        appendKeyLine();
        append(newLine);
        append(text.substr(at));
    } else {
        append(text);
        terminate(text.size());
        out.append('[');
        append(wantSection);
        out.append(']');
        append(newLine);
        appendKeyLine();
        append(newLine);
    }
    return replaceFile(path, out) ? 1 : 0;
}

long FileLen(const char* fileName) {
    const QFileInfo info(fileName ? localPath(fileName) : QString());
    if (!info.isFile())
        throw VbError(VbError::FileNotFound, "File not found");
    return static_cast<long>(info.size());
}

} // namespace Kernel32
