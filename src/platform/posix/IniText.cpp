// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/IniText.h"

#include "platform/AsciiText.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

using AsciiText::EqualIgnoringCase;
using AsciiText::TrimBlanks;

// One line of the text: [begin, end) is its text without the line end, [end, next) the line
// end itself ("\r\n", "\n", "\r", or nothing on an unterminated last line).
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

// Walks the lines after the byte-order mark, if any.
class LineReader {
public:
    explicit LineReader(std::string_view text)
        : text_(text), pos_(IniText::HasUtf8Mark(text) ? kUtf8Mark.size() : 0) {}

    bool next(Line& line) {
        if (pos_ >= text_.size())
            return false;
        line.begin = pos_;
        line.end = std::min(text_.find_first_of("\r\n", pos_), text_.size());
        line.next = line.end;
        if (line.next < text_.size())
            line.next += text_.compare(line.next, 2, "\r\n") == 0 ? 2 : 1;
        pos_ = line.next;
        return true;
    }

    std::string_view text(const Line& line) const {
        return text_.substr(line.begin, line.end - line.begin);
    }

private:
    std::string_view text_;
    std::size_t pos_;
};

enum class Kind { Other, Section, Key };

// What a line means. For a key line, [valueBegin, valueEnd) is where its value stands in the
// line, quotes included: what a write replaces.
struct Entry {
    Kind kind = Kind::Other;
    std::string_view name;
    std::string_view value;
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
};

Entry parse(std::string_view line) {
    Entry entry;
    const std::string_view content = TrimBlanks(line);
    if (content.empty() || content.front() == ';')
        return entry;
    const std::size_t first = std::size_t(content.data() - line.data());
    if (content.front() == '[') {
        const std::size_t close = content.rfind(']');
        if (close != std::string_view::npos) {
            entry.kind = Kind::Section;
            entry.name = TrimBlanks(content.substr(1, close - 1));
            return entry;
        }
    }
    const std::size_t eq = line.find('=', first);
    if (eq == std::string_view::npos)
        return entry;
    entry.kind = Kind::Key;
    entry.name = TrimBlanks(line.substr(first, eq - first));
    entry.valueBegin = eq + 1;
    while (entry.valueBegin < line.size() && AsciiText::IsBlank(line[entry.valueBegin]))
        ++entry.valueBegin;
    entry.valueEnd = std::max(entry.valueBegin, first + content.size());
    entry.value = line.substr(entry.valueBegin, entry.valueEnd - entry.valueBegin);
    const std::string_view v = entry.value;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        entry.value = v.substr(1, v.size() - 2);
    return entry;
}

// Walks the lines and tells, for each, what it is and whether it lies in the first section
// of the wanted name (`inFirst`) or in any section of that name (`inAny`); a header counts
// as inside its own section.
template <typename Visit> void walk(std::string_view text, std::string_view section, Visit visit) {
    const std::string_view want = TrimBlanks(section);
    LineReader reader(text);
    Line line;
    bool inFirst = false, inAny = false, firstSeen = false;
    while (reader.next(line)) {
        const Entry entry = parse(reader.text(line));
        if (entry.kind == Kind::Section) {
            inAny = EqualIgnoringCase(entry.name, want);
            inFirst = inAny && !firstSeen;
            firstSeen = firstSeen || inAny;
        }
        if (!visit(line, reader.text(line), entry, inFirst, inAny))
            return;
    }
}

// The line end that new lines get: the file's own when it uses only one kind, else CR LF.
std::string_view lineEnding(std::string_view text) {
    bool crlf = false, lf = false, cr = false;
    LineReader reader(text);
    Line line;
    while (reader.next(line)) {
        const std::size_t length = line.next - line.end;
        crlf = crlf || length == 2;
        lf = lf || (length == 1 && text[line.end] == '\n');
        cr = cr || (length == 1 && text[line.end] == '\r');
    }
    if (lf && !crlf && !cr)
        return "\n";
    if (cr && !crlf && !lf)
        return "\r";
    return "\r\n";
}

std::string withoutRanges(std::string_view text,
                          const std::vector<std::pair<std::size_t, std::size_t>>& ranges) {
    std::string out;
    out.reserve(text.size());
    std::size_t kept = 0;
    for (const auto& [from, to] : ranges) {
        out.append(text.substr(kept, from - kept));
        kept = to;
        // A lone CR before the lines and an LF after them would become one line end, and the
        // line after them would be gone too: the CR goes with them, their last LF stays.
        if (!out.empty() && out.back() == '\r' && to < text.size() && text[to] == '\n' &&
            text[to - 1] == '\n')
            out.pop_back(), kept = to - 1;
    }
    out.append(text.substr(kept));
    return out;
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), AsciiText::Lower);
    return out;
}

} // namespace

namespace IniText {

bool HasUtf8Mark(std::string_view text) {
    return text.substr(0, kUtf8Mark.size()) == kUtf8Mark;
}

std::optional<std::string_view> Find(std::string_view text, std::string_view section,
                                     std::string_view key) {
    const std::string_view wantKey = TrimBlanks(key);
    std::optional<std::string_view> found;
    bool sectionOver = false;
    walk(text, section, [&](const Line&, std::string_view, const Entry& entry, bool inFirst, bool) {
        if (entry.kind == Kind::Section && !inFirst && sectionOver)
            return false; // the first section has ended
        sectionOver = sectionOver || inFirst;
        if (inFirst && entry.kind == Kind::Key && EqualIgnoringCase(entry.name, wantKey)) {
            found = entry.value;
            return false;
        }
        return true;
    });
    return found;
}

std::string Set(std::string_view text, std::string_view section, std::string_view key,
                std::string_view value) {
    const std::string_view wantKey = TrimBlanks(key);
    bool sectionSeen = false;
    std::optional<Line> lastInSection; // its last non-blank line, the header included
    std::optional<std::pair<Line, Entry>> target;
    walk(text, section,
         [&](const Line& line, std::string_view lineText, const Entry& entry, bool inFirst, bool) {
             if (!inFirst)
                 return !sectionSeen;
             sectionSeen = true;
             if (!TrimBlanks(lineText).empty())
                 lastInSection = line;
             if (entry.kind == Kind::Key && EqualIgnoringCase(entry.name, wantKey)) {
                 target = std::pair{line, entry};
                 return false;
             }
             return true;
         });

    std::string out;
    out.reserve(text.size() + section.size() + key.size() + value.size() + 8);
    if (target) {
        const auto& [line, entry] = *target;
        out.append(text.substr(0, line.begin + entry.valueBegin));
        out.append(value);
        out.append(text.substr(line.begin + entry.valueEnd));
        return out;
    }
    const std::string_view newLine = lineEnding(text);
    const std::size_t at = sectionSeen ? lastInSection->next : text.size();
    out.append(text.substr(0, at));
    const std::size_t firstLine = HasUtf8Mark(text) ? kUtf8Mark.size() : 0;
    if (at > firstLine && text[at - 1] != '\n' && text[at - 1] != '\r')
        out.append(newLine); // an unterminated last line gets its line end first
    if (!sectionSeen) {
        out.append("[").append(TrimBlanks(section)).append("]").append(newLine);
    }
    out.append(wantKey).append("=").append(value).append(newLine);
    out.append(text.substr(at));
    return out;
}

std::string RemoveKey(std::string_view text, std::string_view section, std::string_view key) {
    const std::string_view wantKey = TrimBlanks(key);
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    walk(text, section,
         [&](const Line& line, std::string_view, const Entry& entry, bool inFirst, bool) {
             if (inFirst && entry.kind == Kind::Key && EqualIgnoringCase(entry.name, wantKey))
                 ranges.emplace_back(line.begin, line.next);
             return true;
         });
    return withoutRanges(text, ranges);
}

std::string RemoveSection(std::string_view text, std::string_view section) {
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    bool removing = false;
    walk(text, section,
         [&](const Line& line, std::string_view, const Entry& entry, bool, bool inAny) {
             if (entry.kind == Kind::Section) {
                 if (removing)
                     ranges.back().second = line.begin;
                 removing = inAny;
                 if (removing)
                     ranges.emplace_back(line.begin, text.size());
             }
             return true;
         });
    return withoutRanges(text, ranges);
}

std::vector<std::string> KeyNames(std::string_view text) {
    std::vector<std::string> names;
    std::optional<std::string> section;
    walk(text, {}, [&](const Line&, std::string_view, const Entry& entry, bool, bool) {
        if (entry.kind == Kind::Section)
            section = lower(entry.name);
        else if (entry.kind == Kind::Key && section)
            names.push_back(*section + '\n' + lower(entry.name));
        return true;
    });
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

} // namespace IniText
