// The long mutation campaign in one process (bench/robust/run.sh runs it):
//   robust_campaign --inputs N [--seed S] [--first K] [--payload ZIP]
//                   [--keep FOLDER] [--report FILE] [--bound-ms MS]
//   robust_campaign --check ZIP     (one archive through the same checks)
// Prints its progress and the figures; exit code 0 when no rule broke.
#include "campaign.h"
#include "reference_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int CheckOne(const std::string &path) {
    std::vector<unsigned char> bytes;
    if (!testing_support::ReadWholeFile(path, bytes)) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 2;
    }
    std::string input(bytes.begin(), bytes.end());
    robust::Harness harness;
    robust::Verdict verdict = harness.Check(input, 60000);
    std::printf("answered %d in %.3f s; the reference reader: %s\n", verdict.result,
                verdict.seconds,
                verdict.referenceWhole ? "whole" : verdict.referenceProblem.c_str());
    for (const std::string &rule : verdict.broken)
        std::printf("broken: %s\n", rule.c_str());
    return verdict.broken.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 3 && std::string(argv[1]) == "--check")
        return CheckOne(argv[2]);
    robust::CampaignOptions options;
    options.inputs = 20000;
    std::string report;
    for (int k = 1; k + 1 < argc; k += 2) {
        std::string name = argv[k], value = argv[k + 1];
        if (name == "--inputs")
            options.inputs = std::strtoull(value.c_str(), nullptr, 10);
        else if (name == "--seed")
            options.seed = std::strtoull(value.c_str(), nullptr, 10);
        else if (name == "--first")
            options.firstInput = std::strtoull(value.c_str(), nullptr, 10);
        else if (name == "--payload")
            options.payloadPath = value;
        else if (name == "--keep")
            options.keepFolder = value;
        else if (name == "--report")
            report = value;
        else if (name == "--bound-ms")
            options.boundMilliseconds = std::strtoul(value.c_str(), nullptr, 10);
        else {
            std::fprintf(stderr, "unknown argument %s\n", name.c_str());
            return 2;
        }
    }
    options.progress = [](const robust::CampaignFigures &f) {
        std::printf("%llu inputs, %.0f s: -1 %llu, 0 %llu, 1 %llu, rules broken %zu\n",
                    static_cast<unsigned long long>(f.inputs), f.seconds,
                    static_cast<unsigned long long>(f.results[0]),
                    static_cast<unsigned long long>(f.results[1]),
                    static_cast<unsigned long long>(f.results[2]), f.violations.size());
        std::fflush(stdout);
    };
    robust::CampaignFigures figures = robust::RunCampaign(options);
    std::string markdown = robust::FiguresAsMarkdown(figures, options);
    std::fputs(markdown.c_str(), stdout);
    if (!report.empty()) {
        if (FILE *out = std::fopen(report.c_str(), "wb")) {
            std::fputs(markdown.c_str(), out);
            std::fclose(out);
        }
    }
    return figures.violations.empty() ? 0 : 1;
}
