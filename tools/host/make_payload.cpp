// make_payload --application <Morvena.exe> --output <zip>
// Writes the default payload archive around the given application.
#include "payload_writer.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char **argv) {
    std::string application, output;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--application") == 0)
            application = argv[i + 1];
        else if (std::strcmp(argv[i], "--output") == 0)
            output = argv[i + 1];
        else
            application.clear(), output.clear(), i = argc;
    }
    if (argc != 5 || application.empty() || output.empty()) {
        std::fprintf(stderr, "usage: make_payload --application <Morvena.exe> --output <zip>\n");
        return 2;
    }
    std::string error;
    if (!payload::WriteDefaultPayload(application, output, error)) {
        std::fprintf(stderr, "make_payload: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
