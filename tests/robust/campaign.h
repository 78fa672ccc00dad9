// The mutation campaign against ExtractArchive: each input is unpacked on a
// worker thread into a fresh target inside a watched folder, and checked:
// the call returns within a bound, answers -1, 0 or 1, writes nothing
// outside the target (nor changes the archive), and answers 1 only when the
// reference reader finds the archive whole and every entry on disk has its
// declared size and CRC-32.
#pragma once

#include "mutator.h"
#include "test_support.h"

#include <windows.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace robust {

struct Verdict {
    int result = 0;
    bool returned = true;            // within the bound
    std::vector<std::string> broken; // the rules broken, in words
    bool referenceWhole = false;     // the reference reader's view
    std::string referenceProblem;
    double seconds = 0;
};

// The watched folder with its layout: the archive and a few files of its
// own, and a chain of seven folders, so that an escape of up to seven levels
// from the target lands inside and shows.
class Harness {
  public:
    Harness();
    Harness(const Harness &) = delete;
    Harness &operator=(const Harness &) = delete;

    // Unpacks bytes into a fresh target and checks it. inspect, when given,
    // sees the target folder before it is removed again. After a call that
    // did not return the harness cannot be used any more.
    Verdict Check(const std::string &bytes, DWORD boundMilliseconds,
                  const std::function<void(const std::string &target)> &inspect = {});
    const std::string &ArchivePath() const { return archive_; }
    bool Usable() const { return usable_; }

  private:
    testing_support::ScratchFolder watched_{"robust"};
    std::string archive_, parent_;
    unsigned targets_ = 0;
    bool usable_ = true;
};

struct Violation {
    uint64_t index;
    std::string input; // how it was made
    size_t size;
    std::string rule;
    std::string savedAs; // empty when not kept
};

using ResultCounts = std::array<uint64_t, 3>; // answers -1, 0, 1

struct CampaignFigures {
    uint64_t inputs = 0;
    ResultCounts results{};
    uint64_t wholeAnsweredZero = 0;                    // the reference reader found them whole
    std::vector<std::string> wholeAnsweredZeroSamples; // the first few, how they were made
    std::map<std::string, ResultCounts> byOperation, bySeed;
    double seconds = 0, slowestSeconds = 0;
    uint64_t slowestIndex = 0, bytes = 0;
    std::vector<Violation> violations;
    bool endedByHang = false;
};

struct CampaignOptions {
    uint64_t seed = 1;
    uint64_t firstInput = 0, inputs = 300;
    std::string payloadPath; // the default payload; empty: small seeds only
    DWORD boundMilliseconds = 60000;
    std::string keepFolder; // inputs that broke a rule are kept here, when given
    std::function<void(const CampaignFigures &)> progress; // every 1,000 inputs
};

CampaignFigures RunCampaign(const CampaignOptions &options);

// The figures as Markdown tables.
std::string FiguresAsMarkdown(const CampaignFigures &figures, const CampaignOptions &options);

} // namespace robust
