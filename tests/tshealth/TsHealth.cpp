// Prints the stream health report of a recorded transport stream file, for tests that
// compare it with what other tools read from the same file.
//   ts_health [--text] FILE
#include "ts/HealthReport.h"
#include "ts/StreamAnalysis.h"

#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv)
{
    const bool bText = argc == 3 && std::strcmp(argv[1], "--text") == 0;
    if (argc != 2 && !bText) {
        std::fprintf(stderr, "usage: ts_health [--text] FILE\n");
        return 2;
    }
    FILE* f = std::fopen(argv[argc - 1], "rb");
    if (!f) {
        std::fprintf(stderr, "ts_health: cannot open %s\n", argv[argc - 1]);
        return 1;
    }
    CStreamAnalysis analysis;
    std::vector<uint8_t> buffer(65536);
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0)
        analysis.OnBytes(buffer.data(), n);
    const bool bReadError = std::ferror(f) != 0;
    std::fclose(f);
    if (bReadError) {
        std::fprintf(stderr, "ts_health: cannot read %s\n", argv[argc - 1]);
        return 1;
    }
    const StreamHealthSummary summary = analysis.Summarise();
    std::fputs((bText ? FormatHealthText(summary) : FormatHealthJson(summary)).c_str(), stdout);
    return 0;
}
