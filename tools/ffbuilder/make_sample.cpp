// Writes the sample FastFile that ./run.sh extracts when it is given none.
#include "ff_builder.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_sample_fastfile OUTPUT.ff\n");
        return 2;
    }
    const ffb::Bytes file = ffb::FastFile(ffb::kVersion387, ffb::SampleZone(1, 300));
    if (!ffb::WriteFile(argv[1], file)) {
        perror(argv[1]);
        return 1;
    }
    return 0;
}
