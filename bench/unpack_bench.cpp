// Unpacking one archive into a fresh folder, run after run, four ways in
// turn: our ExtractArchive, miniunz's own main (same minizip and zlib, same
// process, so neither pays Wine's process start), the in-memory inflate
// floor, and the files alone (what writing the tree costs without inflating).
// And the growth figures: ExtractArchive and RemoveFolderTree per entry.
#include "bench_commands.h"
#include "bench_support.h"
#include "inflate_floor.h"

#include "extract/zip_unit.h"
#include "platform/file_operations.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int miniunz_main(int argc, char *argv[]);

namespace bench {
namespace {

std::string CurrentFolder() {
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

double TimeOurs(const std::string &archive, const std::string &target) {
    ZipUnit unit; // no window: no progress event, as a unit on its own
    double start = Now();
    int result = ExtractArchive(unit, archive.c_str(), target.c_str());
    double seconds = Now() - start;
    if (result != 1)
        Fail("ExtractArchive did not answer 1", archive);
    return seconds;
}

double TimeMiniunz(const std::string &archive, const std::string &target) {
    // miniunz changes into the target folder, which must exist.
    std::string before = CurrentFolder();
    std::vector<char> zip(archive.begin(), archive.end()), folder(target.begin(), target.end());
    zip.push_back('\0');
    folder.push_back('\0');
    char name[] = "miniunz", extract[] = "-x", overwrite[] = "-o", into[] = "-d";
    char *argv[] = {name, extract, overwrite, zip.data(), into, folder.data(), nullptr};
    double start = Now();
    CreateDirectoryA(target.c_str(), nullptr);
    int result = miniunz_main(6, argv);
    double seconds = Now() - start;
    SetCurrentDirectoryA(before.c_str());
    if (result != 0)
        Fail("miniunz did not answer 0", archive);
    return seconds;
}

double TimeFiles(const std::vector<MemoryEntry> &entries, const std::string &target) {
    double start = Now();
    bool ok = CreateDirectoryA(target.c_str(), nullptr) && WriteAllFiles(entries, target);
    double seconds = Now() - start;
    if (!ok)
        Fail("writing the files alone failed", target);
    return seconds;
}

double TimeFloor(const std::vector<MemoryEntry> &entries) {
    double start = Now();
    bool ok = InflateAll(entries);
    double seconds = Now() - start;
    if (!ok)
        Fail("the in-memory inflate failed", "");
    return seconds;
}

} // namespace

// unpack RESULTS CASE ARCHIVE SCRATCH RUNS [WARM-UP RUNS]
// Writes METHOD-RUN folders below SCRATCH and leaves them.
int UnpackCommand(int argc, char **argv) {
    if (argc != 7 && argc != 8)
        Fail("usage", "unpack RESULTS CASE ARCHIVE SCRATCH RUNS [WARM-UP RUNS]");
    Results results(argv[2]);
    std::string caseName = argv[3], archive = argv[4], scratch = argv[5];
    int runs = std::atoi(argv[6]);
    int warmUp = argc == 8 ? std::atoi(argv[7]) : 1;
    if (!results.Ok())
        Fail("cannot open the results file", argv[2]);

    std::vector<unsigned char> bytes;
    std::vector<MemoryEntry> entries;
    if (!ReadWholeFile(archive, bytes) || !ListEntries(bytes, entries))
        Fail("cannot read the archive", archive);
    CreateDirectoryA(scratch.c_str(), nullptr);

    // Warm-up runs (numbered 0 and below) fill the caches and are not
    // reported; reading the archive above already did for a large one. The
    // order turns each run so that no method always follows the same one.
    // Every run writes into new folders and nothing is removed here: removing
    // a big tree keeps the file system busy for a while after, which would
    // slow whichever method came next.
    for (int run = 1 - warmUp; run <= runs; ++run) {
        std::string suffix = "-" + std::to_string(run);
        for (int k = 0; k < 4; ++k) {
            switch ((run + warmUp + k) % 4) {
            case 0: {
                std::string target = scratch + "\\ours" + suffix;
                if (!ClearFolder(target))
                    return 1;
                double s = TimeOurs(archive, target);
                if (run > 0)
                    results.Add("unpack", caseName, "ours", run, s, "s");
                break;
            }
            case 1: {
                std::string target = scratch + "\\miniunz" + suffix;
                if (!ClearFolder(target))
                    return 1;
                double s = TimeMiniunz(archive, target);
                if (run > 0)
                    results.Add("unpack", caseName, "miniunz", run, s, "s");
                break;
            }
            case 2: {
                double s = TimeFloor(entries);
                if (run > 0)
                    results.Add("unpack", caseName, "floor", run, s, "s");
                break;
            }
            case 3: {
                std::string target = scratch + "\\files" + suffix;
                if (!ClearFolder(target))
                    return 1;
                double s = TimeFiles(entries, target);
                if (run > 0)
                    results.Add("unpack", caseName, "files_only", run, s, "s");
                break;
            }
            }
        }
    }
    results.Add("unpack", caseName, "entries", 0, static_cast<double>(entries.size()), "count");
    // The trees stay: the caller compares ours with miniunz's and removes them.
    return 0;
}

// growth RESULTS SCRATCH RUNS WARM-UP-RUNS ARCHIVE...
int GrowthCommand(int argc, char **argv) {
    if (argc < 7)
        Fail("usage", "growth RESULTS SCRATCH RUNS WARM-UP-RUNS ARCHIVE...");
    Results results(argv[2]);
    std::string scratch = argv[3];
    int runs = std::atoi(argv[4]), warmUp = std::atoi(argv[5]);
    if (!results.Ok())
        Fail("cannot open the results file", argv[2]);
    CreateDirectoryA(scratch.c_str(), nullptr);
    // Each run unpacks every archive into a new folder, then removes the
    // trees, so that no extraction follows the removal of a big tree at once.
    for (int run = 1 - warmUp; run <= runs; ++run) {
        std::vector<std::string> targets;
        std::vector<long> counts;
        // The sizes take turns being first, so that none always follows
        // the removal of the largest tree.
        int sizes = argc - 6;
        for (int k = 0; k < sizes; ++k) {
            std::string archive = argv[6 + (run + warmUp + sizes + k) % sizes];
            long entries = ArchiveEntryCount(archive);
            if (entries <= 0)
                Fail("cannot read the archive", archive);
            std::string target = scratch + "\\growth-" + std::to_string(entries);
            if (!ClearFolder(target))
                return 1;
            double unpack = TimeOurs(archive, target);
            // The same tree written without inflating: what the file system
            // alone does per entry at this size.
            std::vector<unsigned char> bytes;
            std::vector<MemoryEntry> listed;
            if (!ReadWholeFile(archive, bytes) || !ListEntries(bytes, listed))
                Fail("cannot read the archive", archive);
            std::string files = target + "-files";
            if (!ClearFolder(files))
                return 1;
            double written = TimeFiles(listed, files);
            if (run > 0) {
                results.Add("growth", std::to_string(entries), "extract_per_entry", run,
                            unpack / entries, "s");
                results.Add("growth", std::to_string(entries), "files_only_per_entry", run,
                            written / entries, "s");
            }
            targets.push_back(target);
            counts.push_back(entries);
        }
        for (size_t t = 0; t < targets.size(); ++t) {
            double start = Now();
            bool removed = RemoveFolderTree(targets[t].c_str());
            double remove = Now() - start;
            if (!removed || Exists(targets[t]))
                Fail("RemoveFolderTree left the tree", targets[t]);
            if (run > 0)
                results.Add("growth", std::to_string(counts[t]), "remove_per_entry", run,
                            remove / counts[t], "s");
            if (!ClearFolder(targets[t] + "-files"))
                return 1;
        }
    }
    return 0;
}

} // namespace bench

namespace bench {

// once ours|miniunz ARCHIVE TARGET: one extraction into a fresh folder and
// nothing else, for a profiler or a trace to look at one method alone.
int OnceCommand(int argc, char **argv) {
    if (argc != 5 || (std::strcmp(argv[2], "ours") != 0 && std::strcmp(argv[2], "miniunz") != 0))
        Fail("usage", "once ours|miniunz ARCHIVE TARGET");
    if (!ClearFolder(argv[4]))
        return 1;
    double seconds = std::strcmp(argv[2], "ours") == 0 ? TimeOurs(argv[3], argv[4])
                                                       : TimeMiniunz(argv[3], argv[4]);
    std::fprintf(stderr, "%s: %.6f s\n", argv[2], seconds);
    return 0;
}

} // namespace bench
