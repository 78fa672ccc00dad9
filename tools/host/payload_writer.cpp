#include "payload_writer.h"

#include "code_page.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace payload {
namespace {

// What each generated file holds. The kind decides the method: noise (media
// that does not compress) is stored, everything else deflated.
enum class Kind {
    Application,  // the --application file
    Folder,       // a folder entry
    Prose,        // English text
    ChineseProse, // Chinese text in code page 936
    Settings,     // an .ini file
    Html,         // a help page
    Xml,          // a list of items
    Records,      // binary tables, as libraries and databases hold
    Noise,        // pictures and sounds: pseudo-random bytes
};

// Release times of the parts of the package.
enum Stamp { kBuilt, kWritten, kHelp, kMedia };
constexpr uint32_t kStampTimes[] = {
    DosDateTime(2024, 5, 20, 14, 32, 8),
    DosDateTime(2024, 5, 18, 9, 15, 40),
    DosDateTime(2024, 4, 2, 16, 47, 22),
    DosDateTime(2023, 11, 7, 11, 3, 56),
};

struct ContentFile {
    const char *name; // UTF-8 here; stored as code page 936
    Kind kind;
    uint32_t size; // bytes; the application's is its file's
    Stamp stamp;
};

// The default payload, in archive order. Each folder comes before its files.
const ContentFile kContent[] = {
    {"Morvena.exe", Kind::Application, 0, kBuilt},
    {"readme.txt", Kind::Prose, 11264, kWritten},
    {"license.txt", Kind::Prose, 17893, kWritten},
    {"changes.txt", Kind::Prose, 26410, kWritten},
    {"credits.txt", Kind::Prose, 4102, kWritten},
    {"history.log", Kind::Prose, 58240, kBuilt},
    {"morvena.ini", Kind::Settings, 3218, kWritten},
    {"settings.ini", Kind::Settings, 5604, kWritten},
    {"keys.ini", Kind::Settings, 2190, kWritten},
    {"window.ini", Kind::Settings, 1487, kWritten},
    {"morvena_core.dll", Kind::Records, 1347263, kBuilt},
    {"morvena_ui.dll", Kind::Records, 667620, kBuilt},
    {"render.dll", Kind::Records, 538884, kBuilt},
    {"codec.dll", Kind::Records, 427170, kBuilt},
    {"network.dll", Kind::Records, 308009, kBuilt},
    {"storage.dll", Kind::Records, 212992, kBuilt},
    {"script.dll", Kind::Records, 184320, kBuilt},
    {"update.dll", Kind::Records, 102400, kBuilt},
    {"plugins.dat", Kind::Records, 188996, kBuilt},
    {"catalog.db", Kind::Records, 270336, kWritten},
    {"index.db", Kind::Records, 135168, kWritten},
    {"lang_en.dat", Kind::Prose, 92415, kWritten},
    {"lang_zh.dat", Kind::ChineseProse, 108377, kWritten},
    {"lang_tw.dat", Kind::ChineseProse, 104962, kWritten},
    {"fonts.dat", Kind::Noise, 147456, kMedia},
    {"sounds.pak", Kind::Noise, 236972, kMedia},
    {"splash.jpg", Kind::Noise, 93088, kMedia},
    {"intro.ogg", Kind::Noise, 189384, kMedia},
    {"cursor.cur", Kind::Records, 4286, kMedia},
    {"toolbar.bmp", Kind::Records, 47933, kMedia},
    {"icons.bmp", Kind::Records, 102194, kMedia},
    {"palette.act", Kind::Records, 772, kMedia},
    {"templates.xml", Kind::Xml, 38911, kWritten},
    {"filetypes.xml", Kind::Xml, 12350, kWritten},
    {"update.xml", Kind::Xml, 2046, kWritten},
    {"说明.txt", Kind::ChineseProse, 13820, kWritten},
    {"使用许可.txt", Kind::ChineseProse, 19655, kWritten},
    {"更新日志.txt", Kind::ChineseProse, 23904, kWritten},
    {"運行說明.txt", Kind::ChineseProse, 7716, kWritten}, // 運 is 0xDF 0x5C: a trail byte "\"
    {"常见问题.txt", Kind::ChineseProse, 15387, kWritten},
    {"卸载说明.txt", Kind::ChineseProse, 3902, kWritten},

    {"help/", Kind::Folder, 0, kHelp},
    {"help/index.htm", Kind::Html, 6820, kHelp},
    {"help/contents.htm", Kind::Html, 9412, kHelp},
    {"help/getting_started.htm", Kind::Html, 21630, kHelp},
    {"help/install.htm", Kind::Html, 14275, kHelp},
    {"help/settings.htm", Kind::Html, 28941, kHelp},
    {"help/shortcuts.htm", Kind::Html, 11506, kHelp},
    {"help/themes.htm", Kind::Html, 16083, kHelp},
    {"help/plugins.htm", Kind::Html, 19760, kHelp},
    {"help/faq.htm", Kind::Html, 24318, kHelp},
    {"help/troubleshooting.htm", Kind::Html, 22047, kHelp},
    {"help/glossary.htm", Kind::Html, 13596, kHelp},
    {"help/about.htm", Kind::Html, 4215, kHelp},
    {"help/map.xml", Kind::Xml, 7904, kHelp},
    {"help/help.idx", Kind::Records, 90112, kHelp},
    {"help/search.idx", Kind::Records, 147456, kHelp},
    {"help/logo.png", Kind::Noise, 15434, kMedia},
    {"help/screen1.png", Kind::Noise, 117003, kMedia},
    {"help/screen2.png", Kind::Noise, 127761, kMedia},
    {"help/快速入门.htm", Kind::Html, 17208, kHelp},
    {"help/常用设置.htm", Kind::Html, 15633, kHelp},

    {"资源/", Kind::Folder, 0, kMedia},
    {"资源/背景.jpg", Kind::Noise, 148774, kMedia},
    {"资源/夜景.jpg", Kind::Noise, 157840, kMedia},
    {"资源/封面.png", Kind::Noise, 105956, kMedia},
    {"资源/提示音.wav", Kind::Noise, 55417, kMedia},
    {"资源/启动音.ogg", Kind::Noise, 89690, kMedia},
    {"资源/淺色主題.ini", Kind::Settings, 4377, kWritten}, // 淺 is 0x9C 0x5C
    {"资源/深色主题.ini", Kind::Settings, 4402, kWritten},
    {"资源/配色方案.ini", Kind::Settings, 6118, kWritten},
    {"资源/默认皮肤.skin", Kind::Records, 221184, kMedia},
    {"资源/界面布局.xml", Kind::Xml, 31744, kWritten},
    {"资源/字体说明.txt", Kind::ChineseProse, 5261, kWritten},
    {"资源/表情.dat", Kind::Records, 170762, kMedia},
    {"资源/图标库.dat", Kind::Records, 339968, kMedia},
    {"资源/词库.dat", Kind::ChineseProse, 412650, kWritten},
};

const uint64_t kSeed = 0x4d6f7276656e61ULL;

// splitmix64: small, fast, and the same numbers on every platform.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // A number in [low, high].
    unsigned Between(unsigned low, unsigned high) {
        return low + static_cast<unsigned>(Next() % (high - low + 1));
    }
    template <typename T, size_t N> const T &Pick(const T (&items)[N]) { return items[Next() % N]; }

  private:
    uint64_t state_;
};

// Each file's content depends on its name alone, not on its place in the list.
uint64_t SeedFor(const char *name) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char *p = name; *p; ++p)
        hash = (hash ^ static_cast<unsigned char>(*p)) * 0x100000001b3ULL;
    return hash ^ kSeed;
}

const char *const kWords[] = {
    "the",      "a",       "window",   "file",     "folder",  "setting",  "option",  "program",
    "user",     "theme",   "colour",   "shortcut", "menu",    "desktop",  "install", "update",
    "plugin",   "page",    "list",     "quiet",    "evening", "light",    "dark",    "simple",
    "is",       "are",     "can",      "will",     "opens",   "closes",   "shows",   "keeps",
    "changes",  "saves",   "loads",    "starts",   "ends",    "with",     "from",    "into",
    "and",      "or",      "when",     "before",   "after",   "each",     "every",   "your",
    "new",      "old",     "small",    "large",    "fast",    "slow",     "clear",   "soft",
    "text",     "picture", "sound",    "font",     "size",    "position", "key",     "value",
    "Morvena",  "system",  "library",  "version",  "release", "note",     "help",    "index",
    "search",   "result",  "language", "default",  "custom",  "layout",   "panel",   "button",
    "toolbar",  "status",  "line",     "word",     "number",  "time",     "date",    "day",
    "of",       "to",      "in",       "on",       "by",      "for",      "at",      "as",
    "not",      "also",    "only",     "again",    "first",   "last",     "next",    "other",
    "remember", "restore", "choose",   "select",   "press",   "click",    "move",    "resize",
};

const char *const kChineseWords[] = {
    "安装", "程序", "文件", "窗口", "设置", "选项",   "用户", "桌面", "快捷方式", "菜单",
    "主题", "颜色", "字体", "图片", "声音", "插件",   "更新", "版本", "帮助",     "说明",
    "打开", "关闭", "保存", "读取", "启动", "退出",   "选择", "点击", "移动",     "调整",
    "简单", "安静", "清晰", "快速", "默认", "自定义", "布局", "面板", "按钮",     "工具栏",
    "我们", "您",   "可以", "需要", "已经", "将会",   "如果", "然后", "所有",     "每个",
    "新的", "旧的", "大小", "位置", "时间", "日期",   "今天", "晚上", "夜景",     "山丘",
    "数据", "目录", "系统", "语言", "中文", "界面",   "显示", "隐藏", "恢复",     "记住",
    "的",   "了",   "和",   "在",   "是",   "与",     "或",   "也",   "都",       "就",
};

void AppendWrapped(std::string &out, const std::string &paragraph, size_t width) {
    size_t column = 0;
    size_t start = 0;
    while (start < paragraph.size()) {
        size_t end = paragraph.find(' ', start);
        if (end == std::string::npos)
            end = paragraph.size();
        size_t length = end - start;
        if (column > 0 && column + 1 + length > width) {
            out += "\r\n";
            column = 0;
        } else if (column > 0) {
            out += ' ';
            ++column;
        }
        out.append(paragraph, start, length);
        column += length;
        start = end + 1;
    }
    out += "\r\n\r\n";
}

std::string Sentence(Random &random) {
    std::string sentence;
    unsigned words = random.Between(5, 15);
    for (unsigned i = 0; i < words; ++i) {
        if (i > 0)
            sentence += random.Between(0, 9) == 0 ? ", " : " ";
        sentence += random.Pick(kWords);
    }
    if (sentence[0] >= 'a' && sentence[0] <= 'z')
        sentence[0] = static_cast<char>(sentence[0] - 'a' + 'A');
    return sentence + (random.Between(0, 7) == 0 ? "!" : ".");
}

std::string Paragraph(Random &random) {
    std::string paragraph;
    unsigned sentences = random.Between(2, 6);
    for (unsigned i = 0; i < sentences; ++i)
        paragraph += (i > 0 ? " " : "") + Sentence(random);
    return paragraph;
}

std::string MakeProse(Random &random, size_t size) {
    std::string text = "Morvena\r\n=======\r\n\r\n";
    while (text.size() < size) {
        if (random.Between(0, 5) == 0)
            text += "== " + Sentence(random) + " ==\r\n\r\n";
        AppendWrapped(text, Paragraph(random), 72);
    }
    return text;
}

// UTF-8 first, converted once at the end.
std::string MakeChineseProseUtf8(Random &random, size_t size) {
    std::string text = "Morvena 说明\r\n\r\n";
    // UTF-8 takes 3 bytes where code page 936 takes 2.
    while (text.size() * 2 / 3 < size) {
        unsigned sentences = random.Between(2, 5);
        for (unsigned s = 0; s < sentences; ++s) {
            unsigned words = random.Between(4, 12);
            for (unsigned w = 0; w < words; ++w) {
                text += random.Pick(kChineseWords);
                if (w + 1 < words && random.Between(0, 6) == 0)
                    text += "，";
            }
            text += "。";
        }
        text += "\r\n";
    }
    return text;
}

std::string MakeSettings(Random &random, size_t size) {
    static const char *const kKeys[] = {
        "Width",    "Height",   "Left",        "Top",        "Theme",  "Language",
        "Font",     "FontSize", "ShowToolbar", "ShowStatus", "Recent", "AutoSave",
        "Interval", "Sound",    "Volume",      "Path",       "Colour", "Opacity"};
    static const char *const kSections[] = {"General", "Window",  "Paths",  "Colours",
                                            "Sound",   "Plugins", "Recent", "Keys"};
    std::string text = "; Morvena settings\r\n";
    unsigned section = 0;
    while (text.size() < size) {
        text += "\r\n[";
        text += random.Pick(kSections);
        text += section++ > 0 ? std::to_string(section) : "";
        text += "]\r\n";
        unsigned lines = random.Between(3, 10);
        for (unsigned i = 0; i < lines; ++i) {
            const char *key = random.Pick(kKeys);
            text += key;
            text += '=';
            switch (random.Between(0, 3)) {
            case 0:
                text += std::to_string(random.Between(0, 2000));
                break;
            case 1:
                text += random.Between(0, 1) ? "true" : "false";
                break;
            case 2:
                text += "C:\\WINDOWS\\ten\\";
                text += random.Pick(kWords);
                break;
            default:
                text += random.Pick(kWords);
                break;
            }
            text += "\r\n";
        }
    }
    return text;
}

std::string MakeHtml(Random &random, size_t size) {
    std::string text = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"gbk\">\r\n"
                       "<title>Morvena</title>\r\n</head>\r\n<body>\r\n";
    while (text.size() < size) {
        text += "<h2>" + Sentence(random) + "</h2>\r\n";
        unsigned paragraphs = random.Between(1, 4);
        for (unsigned i = 0; i < paragraphs; ++i) {
            text += "<p>";
            AppendWrapped(text, Paragraph(random), 100);
            text.resize(text.size() - 4); // the wrapped paragraph's blank line
            text += "</p>\r\n";
        }
        if (random.Between(0, 2) == 0) {
            // One draw per statement: the order of operands within an
            // expression is the compiler's choice, and the bytes must not be.
            std::string page = random.Pick(kWords);
            std::string label = random.Pick(kWords);
            text += "<p><a href=\"" + page + ".htm\">" + label + "</a></p>\r\n";
        }
    }
    return text;
}

std::string MakeXml(Random &random, size_t size) {
    std::string text = "<?xml version=\"1.0\" encoding=\"gbk\"?>\r\n<items>\r\n";
    unsigned id = 1;
    while (text.size() < size) {
        std::string name = random.Pick(kWords);
        std::string kind = random.Pick(kWords);
        std::string value = std::to_string(random.Between(0, 65535));
        text += "  <item id=\"" + std::to_string(id++) + "\" name=\"" + name + "\" kind=\"" + kind +
                "\" value=\"" + value + "\"/>\r\n";
    }
    return text;
}

// Fixed-size records: a counter, small codes and coordinates, a word, and a
// few bytes of noise, which deflate to a little over half.
std::vector<unsigned char> MakeRecords(Random &random, size_t size) {
    std::vector<unsigned char> data = {'M', 'R', 'V', 'N', 0x1A, 1, 0, 0};
    auto put = [&](uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            data.push_back(static_cast<unsigned char>(value >> (8 * i)));
    };
    uint32_t id = 0;
    while (data.size() < size) {
        put(id++, 4);
        put(random.Between(0, 15), 2);
        put(random.Between(0, 3) << 4, 2);
        put(random.Between(0, 4095), 4);
        put(random.Between(0, 4095), 4);
        const char *word = random.Pick(kWords);
        for (int i = 0; i < 8; ++i)
            data.push_back(static_cast<unsigned char>(*word ? *word++ : 0));
        put(random.Next(), 8);
    }
    data.resize(size);
    return data;
}

std::vector<unsigned char> MakeNoise(Random &random, size_t size) {
    std::vector<unsigned char> data(size);
    for (size_t i = 0; i < size; i += 8) {
        uint64_t value = random.Next();
        for (size_t j = i; j < i + 8 && j < size; ++j, value >>= 8)
            data[j] = static_cast<unsigned char>(value);
    }
    return data;
}

// Cuts or pads a code page 936 text to exactly size bytes without splitting
// a double-byte character.
std::vector<unsigned char> FitText(const std::string &text, size_t size) {
    size_t end = 0;
    while (end < text.size()) {
        size_t next = end + (IsLeadByte936(static_cast<unsigned char>(text[end])) ? 2 : 1);
        if (next > size)
            break;
        end = next;
    }
    std::vector<unsigned char> data(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end));
    data.resize(size, ' ');
    return data;
}

bool MakeContent(const ContentFile &file, std::vector<unsigned char> &data, std::string &error) {
    Random random(SeedFor(file.name));
    switch (file.kind) {
    case Kind::Application:
    case Kind::Folder:
        data.clear();
        return true;
    case Kind::Prose:
        data = FitText(MakeProse(random, file.size), file.size);
        return true;
    case Kind::ChineseProse: {
        std::string text;
        if (!Utf8ToCodePage936(MakeChineseProseUtf8(random, file.size), text)) {
            error = std::string("cannot convert the text of ") + file.name + " to code page 936";
            return false;
        }
        data = FitText(text, file.size);
        return true;
    }
    case Kind::Settings:
        data = FitText(MakeSettings(random, file.size), file.size);
        return true;
    case Kind::Html:
        data = FitText(MakeHtml(random, file.size), file.size);
        return true;
    case Kind::Xml:
        data = FitText(MakeXml(random, file.size), file.size);
        return true;
    case Kind::Records:
        data = MakeRecords(random, file.size);
        return true;
    case Kind::Noise:
        data = MakeNoise(random, file.size);
        return true;
    }
    return false;
}

bool ReadFile(const std::string &path, std::vector<unsigned char> &data, std::string &error) {
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    data.clear();
    unsigned char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        data.insert(data.end(), buffer, buffer + got);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        error = path + ": read error";
    return !failed;
}

} // namespace

bool WriteArchive(const std::string &path, const std::vector<ArchiveEntry> &entries,
                  std::string &error) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) {
        error = path + ": cannot be created";
        return false;
    }
    bool ok = true;
    for (const ArchiveEntry &entry : entries) {
        zip_fileinfo info = {};
        info.dosDate = entry.dosDateTime;
        info.external_fa = entry.attributes;
        int method = entry.deflate ? Z_DEFLATED : 0;
        // Levels 1, 2, 8 and 9 would set the deflate option bits in the
        // general-purpose flags, which must stay 0.
        int level = entry.deflate ? Z_DEFAULT_COMPRESSION : 0;
        const unsigned long kMadeByMsDos20 = 20;
        ok = zipOpenNewFileInZip4(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                  method, level, 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0,
                                  kMadeByMsDos20, 0) == ZIP_OK;
        for (size_t at = 0; ok && at < entry.data.size();) {
            unsigned piece =
                static_cast<unsigned>(std::min<size_t>(entry.data.size() - at, 1u << 20));
            ok = zipWriteInFileInZip(zip, entry.data.data() + at, piece) == ZIP_OK;
            at += piece;
        }
        if (ok)
            ok = zipCloseFileInZip(zip) == ZIP_OK;
        if (!ok) {
            error = path + ": cannot write the entry " + CodePage936ForDisplay(entry.name);
            break;
        }
    }
    if (zipClose(zip, nullptr) != ZIP_OK && ok) {
        error = path + ": cannot be finished";
        ok = false;
    }
    if (!ok)
        std::remove(path.c_str());
    return ok;
}

bool MakeDefaultEntries(const std::vector<unsigned char> &application,
                        std::vector<ArchiveEntry> &entries, std::string &error) {
    entries.clear();
    for (const ContentFile &file : kContent) {
        ArchiveEntry entry;
        if (!Utf8ToCodePage936(file.name, entry.name)) {
            error = std::string("cannot convert the name ") + file.name + " to code page 936";
            return false;
        }
        entry.dosDateTime = kStampTimes[file.stamp];
        entry.attributes = file.kind == Kind::Folder ? kFolderAttributes : kFileAttributes;
        entry.deflate = file.kind != Kind::Folder && file.kind != Kind::Noise;
        if (file.kind == Kind::Application)
            entry.data = application;
        else if (!MakeContent(file, entry.data, error))
            return false;
        entries.push_back(std::move(entry));
    }
    return true;
}

bool WriteDefaultPayload(const std::string &applicationPath, const std::string &outputPath,
                         std::string &error) {
    std::vector<unsigned char> application;
    if (!ReadFile(applicationPath, application, error))
        return false;
    std::vector<ArchiveEntry> entries;
    return MakeDefaultEntries(application, entries, error) &&
           WriteArchive(outputPath, entries, error);
}

} // namespace payload
