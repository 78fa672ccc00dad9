// check_payload <zip>
// Checks an archive against everything the installer requires of its
// payload; prints one line per broken rule and exits with 1 if there is any.
#include "payload_rules.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: check_payload <zip>\n");
        return 2;
    }
    std::string label = std::string("check_payload: ") + argv[1];
    std::vector<payload::Problem> problems = payload::CheckArchiveFile(argv[1]);
    for (const payload::Problem &problem : problems)
        std::fprintf(stderr, "%s\n", payload::FormatProblem(label, problem).c_str());
    return problems.empty() ? 0 : 1;
}
