// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/InPlaceSave.h"

#include "platform/AsciiText.h"
#include "platform/posix/IniText.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace {

using InPlaceSave::Step;
using InPlaceSave::Steps;

// The record of a change is one comment line: "\r\n;" kTag, blanks up to past the new text,
// kTag ":" the old and the new length, the offsets of the '[' that step 3 hides, "\r\n".
constexpr std::string_view kTag = "~wingscribe unfinished change~";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
const std::string kOpening = "\r\n;" + std::string(kTag);
const std::string kFields = std::string(kTag) + ":";
// How much of kOpening a partial write must have left to be known as ours: "\r\n;~wingscribe".
const std::size_t kOwnLeftover = kOpening.find(' ');

// Where the text proper begins: after a byte-order mark that the reader skips, which stays.
std::size_t bodyStart(std::string_view text) {
    static const bool skipped = IniText::Find(std::string(kBom) + "[s]\nk=v", "s", "k").has_value();
    return skipped && text.substr(0, kBom.size()) == kBom ? kBom.size() : 0;
}

// Calls visit(begin, end) for each line of `text` from `from` on, its line end left out.
template <typename Visit> void eachLine(std::string_view text, std::size_t from, Visit visit) {
    while (from < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", from), text.size());
        visit(from, end);
        from = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
}

std::size_t firstNonBlank(std::string_view text, std::size_t at, std::size_t end) {
    while (at < end && AsciiText::IsBlank(text[at]))
        ++at;
    return at;
}

// A line that starts with '[': where the '[' stands, and the section's name in lower case when
// the line is a section header.
struct Bracket {
    std::size_t at = 0;
    std::optional<std::string> section;
};

std::vector<Bracket> brackets(std::string_view text) {
    std::vector<Bracket> found;
    eachLine(text, bodyStart(text), [&](std::size_t begin, std::size_t end) {
        const std::size_t at = firstNonBlank(text, begin, end);
        if (at == end || text[at] != '[')
            return;
        Bracket bracket{at, {}};
        const std::size_t close = text.substr(at, end - at).rfind(']');
        if (close != std::string_view::npos) {
            std::string name(AsciiText::TrimBlanks(text.substr(at + 1, close - 1)));
            std::transform(name.begin(), name.end(), name.begin(), AsciiText::Lower);
            bracket.section = std::move(name);
        }
        found.push_back(std::move(bracket));
    });
    return found;
}

// What a reader finds: section, key and value, names in lower case.
using Meaning = std::map<std::string, std::map<std::string, std::string>>;

Meaning meaning(std::string_view text) {
    Meaning found;
    for (const std::string& name : IniText::KeyNames(text)) {
        const std::size_t split = name.find('\n');
        const std::string section = name.substr(0, split), key = name.substr(split + 1);
        if (const auto value = IniText::Find(text, section, key))
            found[section][key] = std::string(*value);
    }
    return found;
}

std::size_t sectionsChanged(const Meaning& a, const Meaning& b) {
    std::size_t changed = 0;
    for (const auto& [name, keys] : a) {
        const auto other = b.find(name);
        changed += other == b.end() || other->second != keys;
    }
    for (const auto& entry : b)
        changed += a.find(entry.first) == a.end();
    return changed;
}

// Whether every state between `before` and `after` reads as one of them (see the header).
bool safe(std::string_view before, std::string_view after) {
    if (before.find(kTag) != before.npos || after.find(kTag) != after.npos ||
        bodyStart(before) != bodyStart(after))
        return false;
    for (const std::string_view text : {before, after}) {
        std::vector<std::string> names;
        for (const Bracket& bracket : brackets(text))
            if (bracket.section)
                names.push_back(*bracket.section);
        std::sort(names.begin(), names.end());
        if (std::adjacent_find(names.begin(), names.end()) != names.end())
            return false;
    }
    // The copy of the old text joins the last section before it: what comes before its first
    // header, and that header as far as it is copied, must not read as a key there.
    const std::vector<Bracket> open = brackets(before);
    const auto header = std::find_if(open.begin(), open.end(),
                                     [](const Bracket& bracket) { return bracket.section; });
    bool keyInLead = false;
    eachLine(before.substr(0, header == open.end() ? before.npos : before.find(']', header->at)),
             bodyStart(before), [&](std::size_t begin, std::size_t end) {
                 const std::size_t at = firstNonBlank(before, begin, end);
                 keyInLead |= at < end && before[at] != ';' &&
                              before.substr(begin, end - begin).find('=') != before.npos;
             });
    return !keyInLead && sectionsChanged(meaning(before), meaning(after)) <= 1;
}

// Steps 2 to 5 towards `target`, with the copy in place and its record's kFields at `mark`.
void finish(Steps& steps, std::string_view target, std::size_t mark) {
    const std::size_t start = bodyStart(target);
    steps.push_back({start, std::string(mark - start, ';'), false});
    const std::vector<Bracket> open = brackets(target);
    std::string front(target.substr(start));
    for (const Bracket& bracket : open)
        front[bracket.at - start] = ';';
    steps.push_back({start, front + "\r\n", false});
    for (auto bracket = open.rbegin(); bracket != open.rend(); ++bracket)
        steps.push_back({bracket->at, "[", false});
    steps.push_back({target.size(), {}, true});
}

// Matches `expected` at `at`, or as much of it as `content` still holds; moves `at` past it.
bool follows(std::string_view content, std::size_t& at, std::string_view expected) {
    const std::size_t length = std::min(expected.size(), content.size() - at);
    if (content.compare(at, length, expected.substr(0, length)) != 0)
        return false;
    at += length;
    return true;
}

// The state after a whole record and copy: back to the old text while the file reads as it,
// else on to the new. Nothing when no whole record and copy are there; no steps when the file
// reads as neither text.
std::optional<Steps> settle(std::string_view content, std::size_t mark) {
    std::vector<std::size_t> fields;
    std::size_t at = mark + kFields.size();
    for (bool more = true; more && at < content.size() && fields.size() < 4096;) {
        std::size_t value = 0, digits = 0;
        for (; at < content.size() && content[at] >= '0' && content[at] <= '9'; ++at, ++digits)
            value = value * 10 + std::size_t(content[at] - '0');
        fields.push_back(value);
        more = digits > 0 && digits < 12 && at < content.size() && content[at] == ',';
        at += more;
    }
    const std::size_t start = bodyStart(content);
    if (fields.size() < 2 || content.compare(at, 2, "\r\n") != 0)
        return std::nullopt;
    const std::size_t oldSize = fields[0], newSize = fields[1], copied = at + 2;
    if (oldSize < start || content.size() - copied != oldSize - start || newSize + 3 > mark ||
        oldSize + kOpening.size() >= mark)
        return std::nullopt;
    const std::string before =
        std::string(content.substr(0, start)) + std::string(content.substr(copied));
    const Meaning now = meaning(content);
    Steps steps;
    if (now == meaning(before)) {
        if (content.compare(0, oldSize, before) == 0)
            steps.push_back({oldSize, {}, true}); // the front was not touched yet
        else
            finish(steps, before, mark);
        return steps;
    }
    std::string after(content.substr(0, newSize));
    for (auto field = fields.rbegin(); field + 2 != fields.rend(); ++field) {
        if (*field < start || *field >= newSize)
            return Steps{};
        after[*field] = '[';
        steps.push_back({*field, "[", false});
    }
    steps.push_back({newSize, {}, true});
    return now == meaning(after) && safe(before, after) ? steps : Steps{};
}

// Reserves room for `size` bytes without changing the file's length, so that a full disk
// shows before the file is touched. File systems that cannot reserve say so at the write.
bool reserve(int fd, std::size_t size) {
#ifdef FALLOC_FL_KEEP_SIZE
    if (size == 0) // only a cut to nothing, which the call refuses to reserve room for
        return true;
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) == 0)
        return true;
    return errno == EOPNOTSUPP || errno == ENOSYS;
#else
    (void)fd;
    (void)size;
    return true;
#endif
}

} // namespace

namespace InPlaceSave {

std::optional<Steps> Plan(std::string_view before, std::string_view after) {
    if (!safe(before, after))
        return std::nullopt;
    // The record reaches past the new text and a line end, so that steps 2 and 3 keep it.
    const std::size_t reach = before.size() + kOpening.size();
    const std::size_t mark = std::max(reach + 1, after.size() + 3);
    std::string record = kOpening + std::string(mark - reach, ' ') + kFields +
                         std::to_string(before.size()) + "," + std::to_string(after.size());
    for (const Bracket& bracket : brackets(after))
        record += "," + std::to_string(bracket.at);
    Steps steps{
        {before.size(), record + "\r\n" + std::string(before.substr(bodyStart(before))), false}};
    finish(steps, after, mark);
    return steps;
}

Steps Recovery(std::string_view content) {
    const std::size_t mark = content.rfind(kFields);
    if (mark != content.npos)
        if (std::optional<Steps> steps = settle(content, mark))
            return *steps;
    // Killed while the copy was being added: the front still holds the old text.
    const std::size_t begun = content.find(kOpening);
    if (begun != content.npos) {
        const std::size_t start = bodyStart(content);
        std::size_t at = begun + kOpening.size();
        while (at < content.size() && content[at] == ' ')
            ++at;
        bool whole = follows(content, at, kFields);
        while (whole && at < content.size() &&
               ((content[at] >= '0' && content[at] <= '9') || content[at] == ','))
            ++at;
        whole = whole && follows(content, at, "\r\n") &&
                follows(content, at, content.substr(start, begun - start)) && at == content.size();
        return whole ? Steps{{begun, {}, true}} : Steps{};
    }
    // Killed before the record's opening was whole. What is there of it goes once it names this
    // program: anything shorter could be the end of the user's own comment, and it reads as
    // nothing, so it stays.
    std::size_t end = content.size();
    for (std::size_t length = kOpening.size() - 1; length >= kOwnLeftover; --length)
        if (end >= length && content.substr(end - length, length) == kOpening.substr(0, length))
            end -= length, length = kOpening.size(); // and look for one more before it
    return end == content.size() ? Steps{} : Steps{{end, {}, true}};
}

std::string Apply(std::string text, const Steps& steps) {
    for (const Step& step : steps) {
        if (step.cut || text.size() < step.at + step.bytes.size())
            text.resize(step.cut ? step.at : step.at + step.bytes.size());
        text.replace(step.at, step.bytes.size(), step.bytes);
    }
    return text;
}

bool Run(int fd, const Steps& steps) {
    std::size_t size = 0;
    for (const Step& step : steps)
        size = std::max(size, step.at + step.bytes.size());
    if (!reserve(fd, size))
        return false;
    for (const Step& step : steps) {
        for (std::size_t done = 0; done < step.bytes.size();) {
            const ssize_t n = ::pwrite(fd, step.bytes.data() + done, step.bytes.size() - done,
                                       off_t(step.at + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += std::size_t(n);
        }
        if ((step.cut && ::ftruncate(fd, off_t(step.at)) != 0) || ::fsync(fd) != 0)
            return false;
    }
    return true;
}

} // namespace InPlaceSave
