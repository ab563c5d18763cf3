// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the settings file layer: a random file, then a random run of reads and writes on it.
//
// Input layout (FuzzedDataProvider): strings are taken from the front, choices from the back.
// The first string is the file's initial content; each operation then picks its kind, and for
// each name either one that the file holds (in a varied spelling) or a fresh string.
#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace Kernel32;

namespace {

#define CHECK(condition)                                                                           \
    ((condition)                                                                                   \
         ? void()                                                                                  \
         : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition), std::abort()))

// A file in a private folder, in memory where the system offers it.
const char* iniPath() {
    static QTemporaryDir dir((QFile::exists("/dev/shm") ? "/dev/shm" : QDir::tempPath()) +
                             "/wingscribe-fuzz-XXXXXX");
    static const QByteArray path = QFile::encodeName(dir.filePath("fuzz.ini"));
    return path.constData();
}

std::string fileText() {
    QFile file(iniPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

std::string trimEnd(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    return s;
}

std::string trim(const std::string& s) {
    const std::size_t from = s.find_first_not_of(" \t");
    return from == std::string::npos ? std::string() : trimEnd(s.substr(from));
}

// Whether a name in the file is the one given to the API (which sees it up to a NUL), blanks
// around either ignored and without regard to the case of ASCII letters.
bool sameName(const std::string& name, const std::string& given) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    const std::string x = trim(name), y = trim(given.c_str());
    return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                      [&](char p, char q) { return lower(p) == lower(q); });
}

// One line of the file, without its line end (LF, CR LF or a lone CR), and the names that it
// is under. A header needs its ']', and its name runs to the last one.
struct Line {
    std::string text, section, key; // section: the header in force; key "" for a header
    bool sectioned = false, header = false, keyLine = false;
    bool first = false; // the header in force is the first of its name, the one that counts
};

std::string lower(std::string s) {
    for (char& c : s)
        c = c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    return s;
}

// A file that starts with the UTF-8 byte-order mark holds UTF-8 text; the mark is no part of
// its first line.
const std::string kBom = "\xEF\xBB\xBF";

bool utf8(const std::string& file) {
    return file.compare(0, kBom.size(), kBom) == 0;
}

bool ascii(const std::string& s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::vector<Line> lines(const std::string& file) {
    std::vector<Line> result;
    std::vector<std::string> seen; // section names met so far, in lower case
    Line line;
    for (std::size_t at = utf8(file) ? kBom.size() : 0, end; at < file.size();) {
        end = std::min(file.find_first_of("\r\n", at), file.size());
        line.text = file.substr(at, end - at);
        at = end + (file.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        const std::string content = trim(line.text);
        const std::size_t eq = content.find('='), close = content.rfind(']');
        line.header = !content.empty() && content[0] == '[' && close != std::string::npos;
        if (line.header) {
            line.section = trim(content.substr(1, close - 1)), line.sectioned = true;
            line.first = std::find(seen.begin(), seen.end(), lower(line.section)) == seen.end();
            seen.push_back(lower(line.section));
        }
        line.keyLine = line.sectioned && !line.header && !content.empty() && content[0] != ';' &&
                       eq != std::string::npos;
        line.key = line.keyLine ? trim(content.substr(0, eq)) : "";
        result.push_back(line);
    }
    return result;
}

std::string get(const std::string& section, const std::string& key, const char* fallback,
                unsigned long size) {
    std::unique_ptr<char[]> buffer(new char[size]); // exact size: an overrun is caught
    const unsigned long count = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback,
                                                         buffer.get(), size, iniPath());
    CHECK(size == 0 ? count == 0 : count < size && buffer[count] == '\0');
    return std::string(buffer.get(), count);
}

std::string get(const std::string& section, const std::string& key) {
    return get(section, key, "\x01missing", 1024);
}

// A name the file holds, spelt differently, or any text.
std::string pickName(FuzzedDataProvider& in, const std::vector<Line>& known, bool section) {
    if (known.empty() || !in.ConsumeBool())
        return in.ConsumeRandomLengthString(64);
    const Line& line = known[in.ConsumeIntegralInRange<std::size_t>(0, known.size() - 1)];
    std::string name = section ? line.section : line.key;
    if (in.ConsumeBool())
        for (char& c : name)
            c = c >= 'a' && c <= 'z' ? char(c - 32) : c;
    return in.ConsumeBool() ? " \t" + name + " " : name;
}

// Whether a key line "key=value" under "[section]" reads back as exactly `value`.
bool representable(const std::string& section, const std::string& key, const std::string& value) {
    const std::string s = section.c_str(), k = trim(key.c_str());
    const bool quoted =
        value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0];
    return (s + k + value).find_first_of("\r\n") == std::string::npos &&
           k.find('=') == std::string::npos && (k.empty() || (k[0] != '[' && k[0] != ';')) &&
           trim(value) == value && !quoted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    QFile::remove(iniPath()); // a new file: not a hand edit of the last one
    QFile file(iniPath());
    CHECK(file.open(QIODevice::WriteOnly) &&
          file.write(QByteArray::fromStdString(in.ConsumeRandomLengthString(8192))) >= 0);
    file.close();
    for (int op = 0; op < 16 && in.remaining_bytes() > 0; ++op) {
        // What a killed writer may have left (or a write of line breaks that looks like it) is
        // put right at a start and before each write, which changes no value. Here it is done
        // first, so that the file a write is checked against is the one it changes.
        std::vector<std::pair<Line, std::string>> values;
        for (const Line& line : lines(fileText()))
            if ((line.header || line.keyLine) && values.size() < 64)
                values.emplace_back(line, get(line.section, line.key));
        FinishInterruptedWrites(iniPath());
        for (const auto& [line, value] : values)
            CHECK(get(line.section, line.key) == value);
        const std::vector<Line> old = lines(fileText());
        std::vector<Line> known; // the names in the file, the first 64
        std::copy_if(old.begin(), old.end(), std::back_inserter(known), [&](const Line& line) {
            return (line.header || line.keyLine) && known.size() < 64;
        });
        const int kind = in.ConsumeIntegralInRange(0, 3); // read, set, delete key, delete section
        const std::string section = pickName(in, known, true);
        const std::string key = kind == 3 ? std::string() : pickName(in, known, false);
        if (kind == 0) { // into a buffer of any size
            const std::string fallback = in.ConsumeRandomLengthString(64);
            const auto size = in.ConsumeIntegralInRange<unsigned long>(0, 300);
            const std::string whole = get(section, key, fallback.c_str(), 2048);
            CHECK(get(section, key, fallback.c_str(), size) ==
                  whole.substr(0, size == 0 ? 0 : size - 1));
            if (get(section, key, "a", 1024) == "a" && get(section, key, "b", 1024) == "b")
                CHECK(whole == trimEnd(fallback.c_str())); // missing: the default, trimmed
            continue;
        }
        const std::string value = kind == 1 ? in.ConsumeRandomLengthString(300).c_str() : "";
        // A UTF-8 file holds other bytes than the names and values the program passes: there
        // the model below covers names and values of plain ASCII, where the two agree.
        const bool inUtf8 = utf8(fileText());
        const bool checked =
            (kind != 1 || representable(section, key, value)) &&
            (!inUtf8 || (ascii(section.c_str()) && ascii(key.c_str()) && ascii(value)));
        std::vector<std::string> before;
        for (const Line& line : checked ? known : std::vector<Line>())
            before.push_back(get(line.section, line.key));
        CHECK(WritePrivateProfileStringA(section.c_str(), kind == 3 ? nullptr : key.c_str(),
                                         kind == 1 ? value.c_str() : nullptr, iniPath()));
        if (!checked)
            continue;

        // The names written read back as written or as missing; all others read as before.
        for (std::size_t i = 0; i < known.size(); ++i)
            CHECK(get(known[i].section, known[i].key) ==
                  (!sameName(known[i].section.c_str(), section) ||
                           (kind != 3 && !sameName(known[i].key.c_str(), key))
                       ? before[i]
                   : kind == 1 ? value
                               : "\x01missing"));
        // A deletion takes away exactly its lines (a key's in the first section of its name, a
        // section's in every one); a set changes or adds one key line (and a header for a new
        // section). All other lines stay as they were, in order.
        CHECK(utf8(fileText()) == inUtf8); // the mark stays, and comes with no write
        const std::vector<Line> now = lines(fileText());
        const auto removes = [&](const Line& line) {
            return line.sectioned && sameName(line.section, section) &&
                   (kind == 3 || (line.first && line.keyLine && sameName(line.key, key)));
        };
        std::size_t prefix = 0, suffix = 0;
        while (prefix < old.size() && prefix < now.size() && old[prefix].text == now[prefix].text)
            ++prefix;
        while (prefix + suffix < std::min(old.size(), now.size()) &&
               old[old.size() - 1 - suffix].text == now[now.size() - 1 - suffix].text)
            ++suffix;
        if (kind == 1) {
            CHECK(old.size() <= now.size() && now.size() - prefix - suffix <= 2 &&
                  old.size() - prefix - suffix <= 1 &&
                  (prefix + suffix == old.size() || removes(old[prefix])));
            continue;
        }
        std::vector<std::string> left;
        for (const Line& line : old)
            if (!removes(line))
                left.push_back(line.text);
        CHECK(left.size() == now.size() &&
              std::equal(
                  now.begin(), now.end(), left.begin(),
                  [](const Line& line, const std::string& text) { return line.text == text; }));
    }
    return 0;
}
