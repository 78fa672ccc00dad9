#include "campaign.h"

#include "extract/zip_unit.h"
#include "reference_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace robust {
namespace {

using testing_support::ForceRemoveTree;
using testing_support::ReadWholeFile;
using testing_support::WriteWholeFile;

// ---- what the watched folder holds ----------------------------------------

struct Item {
    std::string path; // relative, folders ending in "\"
    DWORD attributes;
    unsigned long long size, written;
    bool operator==(const Item &o) const {
        return path == o.path && attributes == o.attributes && size == o.size &&
               written == o.written;
    }
};

void ListInto(const std::string &root, const std::string &relative, const std::string &skip,
              std::vector<Item> &out) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((root + "\\" + relative + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string path = relative + name;
        if (path == skip)
            continue;
        // Folder times move as their contents change; a folder counts by its name.
        DWORD attributes = found.dwFileAttributes & ~FILE_ATTRIBUTE_ARCHIVE;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back({path + "\\", attributes, 0, 0});
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                ListInto(root, path + "\\", skip, out);
        } else {
            unsigned long long size =
                static_cast<unsigned long long>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
            unsigned long long written =
                static_cast<unsigned long long>(found.ftLastWriteTime.dwHighDateTime) << 32 |
                found.ftLastWriteTime.dwLowDateTime;
            out.push_back({path, attributes, size, written});
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

std::vector<Item> Snapshot(const std::string &root, const std::string &skip) {
    std::vector<Item> items;
    ListInto(root, "", skip, items);
    std::sort(items.begin(), items.end(),
              [](const Item &a, const Item &b) { return a.path < b.path; });
    return items;
}

std::string FirstDifference(const std::vector<Item> &before, const std::vector<Item> &after) {
    for (const Item &item : after) {
        auto old = std::find_if(before.begin(), before.end(),
                                [&](const Item &b) { return b.path == item.path; });
        if (old == before.end())
            return "made " + item.path;
        if (!(*old == item))
            return "changed " + item.path;
    }
    for (const Item &item : before)
        if (std::none_of(after.begin(), after.end(),
                         [&](const Item &a) { return a.path == item.path; }))
            return "removed " + item.path;
    return "";
}

// ---- the call on a worker thread ------------------------------------------

struct Job {
    std::string archive, target;
    int result = 0;
};

DWORD WINAPI RunJob(void *parameter) {
    Job &job = *static_cast<Job *>(parameter);
    ZipUnit unit; // no window: no progress event, as the installer calls it
    job.result = ExtractArchive(unit, job.archive.c_str(), job.target.c_str());
    return 0;
}

// ---- what a result of 1 must mean -----------------------------------------

// The path without one separator at its end; double-byte aware, as a trail
// byte can be 0x5C.
std::string WithoutTrailingSeparator(const std::string &path) {
    bool last = false;
    for (size_t k = 0; k < path.size(); ++k) {
        last = path[k] == '\\' || path[k] == '/';
        if (IsDBCSLeadByte(static_cast<BYTE>(path[k])) && k + 1 < path.size())
            ++k;
    }
    return last ? path.substr(0, path.size() - 1) : path;
}

// The key under which Windows finds a path: ASCII letters in one case,
// double-byte characters as they are.
std::string FoldedKey(const std::string &path) {
    std::string key;
    for (size_t k = 0; k < path.size(); ++k) {
        char c = path[k];
        if (IsDBCSLeadByte(static_cast<BYTE>(c)) && k + 1 < path.size()) {
            key += c;
            key += path[++k];
            continue;
        }
        key += c == '/' ? '\\' : (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return WithoutTrailingSeparator(key);
}

void CheckWrittenEntries(const ReferenceArchive &reference, const std::string &target,
                         std::vector<std::string> &broken) {
    // A later entry of the same name is written over an earlier one.
    std::map<std::string, size_t> lastFile;
    for (size_t i = 0; i < reference.entries.size(); ++i)
        if (!reference.entries[i].folder)
            lastFile[FoldedKey(reference.entries[i].name)] = i;
    for (size_t i = 0; i < reference.entries.size(); ++i) {
        const ReferenceEntry &entry = reference.entries[i];
        std::string path = target + "\\" + entry.name;
        std::replace(path.begin(), path.end(), '/', '\\');
        std::string what =
            "answered 1, but entry " + std::to_string(i) + " \"" + entry.name + "\" ";
        if (entry.folder) {
            // A folder entry leaves an existing file of its name alone.
            path = WithoutTrailingSeparator(path);
            if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
                broken.push_back(what + "is not on disk");
            continue;
        }
        if (lastFile[FoldedKey(entry.name)] != i)
            continue;
        std::vector<unsigned char> bytes;
        if (!ReadWholeFile(path, bytes)) {
            broken.push_back(what + "cannot be read back");
            continue;
        }
        uint32_t crc =
            static_cast<uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
        if (bytes.size() != entry.size || crc != entry.crc)
            broken.push_back(what + "holds " + std::to_string(bytes.size()) +
                             " bytes, not the declared " + std::to_string(entry.size) +
                             (crc != entry.crc ? ", CRC-32 mismatch" : ""));
    }
}

} // namespace

Harness::Harness() {
    archive_ = watched_ / "archive.zip";
    WriteWholeFile(watched_ / "sentinel.txt", "sentinel", 8);
    parent_ = watched_.Path();
    for (const char *level : {"1", "2", "3", "4", "5", "6", "7"}) {
        parent_ += std::string("\\") + level;
        CreateDirectoryA(parent_.c_str(), nullptr);
    }
    WriteWholeFile(parent_ + "\\neighbour.txt", "neighbour", 9);
}

Verdict Harness::Check(const std::string &bytes, DWORD boundMilliseconds,
                       const std::function<void(const std::string &)> &inspect) {
    Verdict verdict;
    if (!usable_) {
        verdict.returned = false;
        verdict.broken.push_back("the harness is stuck in an earlier call");
        return verdict;
    }
    WriteWholeFile(archive_, bytes.data(), bytes.size());
    const std::string name = "t" + std::to_string(++targets_);
    const std::string target = parent_ + "\\" + name;
    const std::string skip = parent_.substr(watched_.Path().size() + 1) + "\\" + name;
    std::vector<Item> before = Snapshot(watched_.Path(), skip);

    // Left to itself when it hangs: the thread may still use the job.
    auto *job = new Job{archive_, target};
    LARGE_INTEGER start, stop, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    HANDLE thread = CreateThread(nullptr, 1 << 20, RunJob, job, 0, nullptr);
    DWORD waited = thread ? WaitForSingleObject(thread, boundMilliseconds) : WAIT_FAILED;
    QueryPerformanceCounter(&stop);
    verdict.seconds = static_cast<double>(stop.QuadPart - start.QuadPart) / frequency.QuadPart;
    if (waited != WAIT_OBJECT_0) {
        verdict.returned = false;
        verdict.broken.push_back(thread ? "did not return within " +
                                              std::to_string(boundMilliseconds) + " ms"
                                        : "no worker thread");
        usable_ = !thread;
        return verdict;
    }
    CloseHandle(thread);
    verdict.result = job->result;
    delete job;

    if (verdict.result < -1 || verdict.result > 1)
        verdict.broken.push_back("answered " + std::to_string(verdict.result));
    if (verdict.result == -1)
        verdict.broken.push_back("answered -1 for an archive that exists");
    else if (GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        verdict.broken.push_back("the target folder was not made");
    std::string outside = FirstDifference(before, Snapshot(watched_.Path(), skip));
    if (!outside.empty())
        verdict.broken.push_back("wrote outside the target: " + outside);
    std::vector<unsigned char> after;
    if (!ReadWholeFile(archive_, after) || std::string(after.begin(), after.end()) != bytes)
        verdict.broken.push_back("changed the archive");

    ReferenceArchive reference = ReadReference(bytes);
    verdict.referenceWhole = reference.whole;
    verdict.referenceProblem = reference.problem;
    if (verdict.result == 1) {
        if (!reference.whole)
            verdict.broken.push_back("answered 1 for an archive that is not whole: " +
                                     reference.problem);
        else
            CheckWrittenEntries(reference, target, verdict.broken);
    }
    if (inspect)
        inspect(target);
    ForceRemoveTree(target);
    return verdict;
}

namespace {

// What a crash on the worker thread leaves behind: which input it was.
struct CrashNote {
    uint64_t index = 0;
    const Input *input = nullptr;
    std::string keepFolder;
} crashNote;

LONG WINAPI OnCrash(EXCEPTION_POINTERS *exception) {
    std::fprintf(stderr, "crash (exception 0x%08lx) on input %llu: %s\n",
                 exception->ExceptionRecord->ExceptionCode,
                 static_cast<unsigned long long>(crashNote.index),
                 crashNote.input ? crashNote.input->Describe().c_str() : "?");
    if (crashNote.input && !crashNote.keepFolder.empty()) {
        std::string path =
            crashNote.keepFolder + "\\crash-" + std::to_string(crashNote.index) + ".zip";
        WriteWholeFile(path, crashNote.input->bytes.data(), crashNote.input->bytes.size());
        std::fprintf(stderr, "kept as %s\n", path.c_str());
    }
    std::fflush(stderr);
    return EXCEPTION_EXECUTE_HANDLER;
}

void Count(ResultCounts &counts, int result) {
    if (result >= -1 && result <= 1)
        ++counts[result + 1];
}

} // namespace

CampaignFigures RunCampaign(const CampaignOptions &options) {
    CampaignFigures figures;
    std::string payload;
    if (!options.payloadPath.empty()) {
        std::vector<unsigned char> bytes;
        ReadWholeFile(options.payloadPath, bytes);
        payload.assign(bytes.begin(), bytes.end());
    }
    Corpus corpus(payload);
    Harness harness;
    crashNote.keepFolder = options.keepFolder;
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(OnCrash);

    LARGE_INTEGER start, now, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (uint64_t k = 0; k < options.inputs; ++k) {
        uint64_t index = options.firstInput + k;
        Input input = MakeInput(corpus, options.seed, index);
        crashNote.index = index;
        crashNote.input = &input;
        Verdict verdict = harness.Check(input.bytes, options.boundMilliseconds);
        crashNote.input = nullptr;

        ++figures.inputs;
        figures.bytes += input.bytes.size();
        Count(figures.results, verdict.result);
        Count(figures.bySeed[input.seed], verdict.result);
        std::vector<std::string> kinds = input.operations;
        std::sort(kinds.begin(), kinds.end());
        kinds.erase(std::unique(kinds.begin(), kinds.end()), kinds.end());
        for (const std::string &kind : kinds)
            Count(figures.byOperation[kind], verdict.result);
        if (verdict.result == 0 && verdict.referenceWhole && ++figures.wholeAnsweredZero <= 20)
            figures.wholeAnsweredZeroSamples.push_back("input " + std::to_string(index) + " (" +
                                                       input.Describe() + ")");
        if (verdict.seconds > figures.slowestSeconds) {
            figures.slowestSeconds = verdict.seconds;
            figures.slowestIndex = index;
        }
        for (const std::string &rule : verdict.broken) {
            Violation violation{index, input.Describe(), input.bytes.size(), rule, ""};
            if (!options.keepFolder.empty()) {
                violation.savedAs =
                    options.keepFolder + "\\input-" + std::to_string(index) + ".zip";
                WriteWholeFile(violation.savedAs, input.bytes.data(), input.bytes.size());
            }
            figures.violations.push_back(violation);
        }
        if (!verdict.returned) {
            figures.endedByHang = true;
            break;
        }
        if (options.progress && figures.inputs % 1000 == 0) {
            QueryPerformanceCounter(&now);
            figures.seconds =
                static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
            options.progress(figures);
        }
    }
    QueryPerformanceCounter(&now);
    figures.seconds = static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
    SetUnhandledExceptionFilter(previous);
    return figures;
}

std::string FiguresAsMarkdown(const CampaignFigures &f, const CampaignOptions &options) {
    char line[512];
    std::string out;
    std::snprintf(line, sizeof line, "Seed %llu, inputs %llu to %llu, bound %lu ms per input.\n\n",
                  static_cast<unsigned long long>(options.seed),
                  static_cast<unsigned long long>(options.firstInput),
                  static_cast<unsigned long long>(options.firstInput + f.inputs - 1),
                  options.boundMilliseconds);
    out += line;
    out += "| inputs | answered -1 | answered 0 | answered 1 | of the 0s, whole to the reference "
           "reader | rules broken | time | per input | slowest input |\n"
           "|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    std::snprintf(
        line, sizeof line,
        "| %llu | %llu | %llu | %llu | %llu | %zu | %.0f s | %.1f ms | %.2f s (#%llu) |\n\n",
        static_cast<unsigned long long>(f.inputs), static_cast<unsigned long long>(f.results[0]),
        static_cast<unsigned long long>(f.results[1]),
        static_cast<unsigned long long>(f.results[2]),
        static_cast<unsigned long long>(f.wholeAnsweredZero), f.violations.size(), f.seconds,
        f.inputs ? f.seconds * 1000 / f.inputs : 0.0, f.slowestSeconds,
        static_cast<unsigned long long>(f.slowestIndex));
    out += line;
    auto table = [&](const char *heading, const std::map<std::string, ResultCounts> &rows) {
        out +=
            std::string("| ") + heading + " | inputs | -1 | 0 | 1 |\n|---|---:|---:|---:|---:|\n";
        for (const auto &row : rows) {
            const ResultCounts &c = row.second;
            std::snprintf(line, sizeof line, "| %s | %llu | %llu | %llu | %llu |\n",
                          row.first.c_str(), static_cast<unsigned long long>(c[0] + c[1] + c[2]),
                          static_cast<unsigned long long>(c[0]),
                          static_cast<unsigned long long>(c[1]),
                          static_cast<unsigned long long>(c[2]));
            out += line;
        }
        out += "\n";
    };
    table("made from", f.bySeed);
    table("changed by (an input counts under each kind it had)", f.byOperation);
    if (!f.wholeAnsweredZeroSamples.empty()) {
        out += "Answered 0 though whole to the reference reader (the first few):\n\n";
        for (const std::string &sample : f.wholeAnsweredZeroSamples)
            out += "- " + sample + "\n";
        out += "\n";
    }
    if (f.endedByHang)
        out += "The campaign ended early: an input did not return within the bound.\n\n";
    for (const Violation &v : f.violations) {
        std::snprintf(line, sizeof line, "- input %llu (%zu bytes; %s): %s\n",
                      static_cast<unsigned long long>(v.index), v.size, v.input.c_str(),
                      v.rule.c_str());
        out += line;
    }
    return out;
}

} // namespace robust
