// Writes a synthetic DDP fileset into a folder so that the player can be
// tried without a real master.
//
//   glasswell_sample_ddp FOLDER [--tracks N] [--pauses K] [--index2 M]
//                        [--seconds S] [--cdtext none|latin1|japanese]
//                        [--samples identifying|sine|silence]

#include "player/testsupport/DdpFixture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: glasswell_sample_ddp FOLDER [--tracks N] [--pauses K] [--index2 M] [--seconds S]\n"
                 "                            [--cdtext none|latin1|japanese] [--samples identifying|sine|silence]\n");
    return 2;
}

bool toInt(const char* text, int& out)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > 100000)
        return false;
    out = int(v);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    DdpFixture::Options o;
    o.trackCount = 5;
    o.tracksWithPause = 2;
    o.tracksWithIndex2 = 1;
    o.samples = DdpFixture::Samples::Sine;
    o.sineAmplitude = 0.25;
    o.cdText = DdpFixture::CdTextKind::Latin1;
    int seconds = 20;
    const std::string folder = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return usage();
        const char* value = argv[++i];
        if (arg == "--tracks") {
            if (!toInt(value, o.trackCount))
                return usage();
        } else if (arg == "--pauses") {
            if (!toInt(value, o.tracksWithPause))
                return usage();
        } else if (arg == "--index2") {
            if (!toInt(value, o.tracksWithIndex2))
                return usage();
        } else if (arg == "--seconds") {
            if (!toInt(value, seconds) || seconds < 1)
                return usage();
        } else if (arg == "--cdtext") {
            if (std::strcmp(value, "none") == 0)
                o.cdText = DdpFixture::CdTextKind::None;
            else if (std::strcmp(value, "latin1") == 0)
                o.cdText = DdpFixture::CdTextKind::Latin1;
            else if (std::strcmp(value, "japanese") == 0)
                o.cdText = DdpFixture::CdTextKind::Japanese;
            else
                return usage();
        } else if (arg == "--samples") {
            if (std::strcmp(value, "identifying") == 0)
                o.samples = DdpFixture::Samples::Identifying;
            else if (std::strcmp(value, "sine") == 0)
                o.samples = DdpFixture::Samples::Sine;
            else if (std::strcmp(value, "silence") == 0)
                o.samples = DdpFixture::Samples::Silence;
            else
                return usage();
        } else {
            return usage();
        }
    }
    o.trackFrames = seconds * DdpFixture::framesPerSecond;
    try {
        const DdpFixture::Image image = DdpFixture::write(folder, o);
        std::printf("wrote %zu tracks, %zu descriptors, %lld audio bytes to %s\n", image.tracks.size(),
                    image.entries.size(), static_cast<long long>(image.imageBytes), folder.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "glasswell_sample_ddp: %s\n", e.what());
        return 1;
    }
    return 0;
}
