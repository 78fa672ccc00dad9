// The short campaign of the normal test run, and the inputs that broke a
// rule in a campaign, kept as they were found.
#include "campaign.h"

#include <gtest/gtest.h>

#ifndef MORVENA_PAYLOAD_ZIP
#error "MORVENA_PAYLOAD_ZIP must name the default payload archive"
#endif
#ifndef ROBUST_FIXTURES
#error "ROBUST_FIXTURES must name the folder of kept inputs"
#endif

namespace {

using testing_support::HostPath;

// Generous: the bound only tells a hang from a slow machine.
constexpr DWORD kBound = 60000;

// The campaign edits the seeds' records: each must be read into records
// that give back its own bytes, or its inputs would come from something else.
TEST(RobustCampaign, EverySeedReadsBackIntoItsOwnBytes) {
    std::vector<unsigned char> payload;
    ASSERT_TRUE(testing_support::ReadWholeFile(HostPath(MORVENA_PAYLOAD_ZIP), payload));
    robust::Corpus corpus(std::string(payload.begin(), payload.end()));
    std::vector<const robust::Seed *> seeds = {&corpus.Payload()};
    for (const robust::Seed &seed : corpus.Small())
        seeds.push_back(&seed);
    for (const robust::Seed *seed : seeds) {
        EXPECT_FALSE(seed->model.centrals.empty()) << seed->name;
        EXPECT_TRUE(robust::WriteZip(seed->model) == seed->bytes) << seed->name;
    }
}

TEST(RobustCampaign, ShortRunBreaksNoRule) {
    robust::CampaignOptions options;
    options.seed = 20240611;
    options.inputs = 300;
    options.payloadPath = HostPath(MORVENA_PAYLOAD_ZIP);
    options.boundMilliseconds = kBound;
    robust::CampaignFigures figures = robust::RunCampaign(options);
    std::string report = robust::FiguresAsMarkdown(figures, options);
    std::printf("%s", report.c_str());
    EXPECT_EQ(figures.inputs, options.inputs);
    for (const robust::Violation &v : figures.violations)
        ADD_FAILURE() << "input " << v.index << " (" << v.input << "): " << v.rule;
    // Every kind of result must occur, or the inputs test too little.
    EXPECT_GT(figures.results[1], 0u);
    EXPECT_GT(figures.results[2], 0u);
}

// Each of these made the unit answer 1 before it was mended; each must now
// answer 0 and keep every rule. The campaign made them; MakeInput(seed,
// index) makes them again.
TEST(RobustCampaign, InputsThatOnceBrokeARule) {
    const struct {
        const char *file;
        const char *found; // seed and input, and what broke
    } cases[] = {
        {"end-record-cut-short.zip",
         "seed 20240611, input 177: the end record cut 4 bytes after its signature read as an "
         "empty archive"},
        {"zip64-size-over-4-gib.zip",
         "seed 1, input 4081: a ZIP64 size of 4 GiB and 5 bytes, cut to 5, and its CRC-32 never "
         "checked"},
        {"zip64-count-over-4-gib.zip",
         "seed 1, input 3255: a ZIP64 count of 4 GiB and 1 entries, cut to 1"},
        {"records-beyond-the-count.zip",
         "seed 1, input 2149: an end record that counts 2 of 3 entries"},
    };
    robust::Harness harness;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.found);
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(testing_support::ReadWholeFile(HostPath(ROBUST_FIXTURES "/") + c.file, bytes))
            << c.file;
        robust::Verdict verdict = harness.Check(std::string(bytes.begin(), bytes.end()), kBound);
        EXPECT_EQ(verdict.result, 0) << c.file;
        for (const std::string &rule : verdict.broken)
            ADD_FAILURE() << c.file << ": " << rule;
    }
}

} // namespace
