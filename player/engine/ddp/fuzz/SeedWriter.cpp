// Writes seed inputs for the disc-image fuzzers from generated filesets:
//   ddp_seed_writer FILESET_SEED_DIR CDTEXT_SEED_DIR

#include "player/testsupport/DdpFixture.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

std::string lengthPrefixed(const std::string& bytes)
{
    std::string out;
    out += char(bytes.size() & 0xFF);
    out += char((bytes.size() >> 8) & 0xFF);
    return out + bytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: ddp_seed_writer FILESET_SEED_DIR CDTEXT_SEED_DIR\n");
        return 2;
    }
    const std::string filesetSeeds = argv[1];
    const std::string cdTextSeeds = argv[2];
    // A folder of this run's own: builds of other users or trees may write seeds at the same time.
    std::error_code noTemp;
    std::string scratch = (std::filesystem::temp_directory_path(noTemp) / "hg-ddp-seeds-XXXXXX").string();
    if (noTemp || mkdtemp(scratch.data()) == nullptr) {
        std::perror("ddp_seed_writer: temporary folder");
        return 1;
    }
    try {
        std::filesystem::create_directories(filesetSeeds);
        std::filesystem::create_directories(cdTextSeeds);
        struct Shape {
            const char* name;
            int tracks;
            int pauses;
            int index2;
            DdpFixture::CdTextKind text;
            bool secondBlock;
        };
        const Shape shapes[] = {
            {"one-track", 1, 0, 0, DdpFixture::CdTextKind::Latin1, false},
            {"pauses", 6, 3, 1, DdpFixture::CdTextKind::Latin1, true},
            {"japanese", 4, 1, 2, DdpFixture::CdTextKind::Japanese, false},
            {"twenty", 20, 5, 5, DdpFixture::CdTextKind::Latin1, false},
        };
        for (const Shape& s : shapes) {
            DdpFixture::Options o;
            o.trackCount = s.tracks;
            o.tracksWithPause = s.pauses;
            o.tracksWithIndex2 = s.index2;
            o.cdText = s.text;
            o.cdTextSecondBlock = s.secondBlock;
            o.writeImage = false;
            if (s.tracks > 10)
                o.cdTextTypes = {DdpFixture::Title, DdpFixture::Performer};
            const DdpFixture::Image image = DdpFixture::write(scratch + "/" + s.name, o);
            DdpFixture::writeFile(filesetSeeds + "/" + s.name,
                                  lengthPrefixed(DdpFixture::readFile(image.path("DDPID")))
                                      + lengthPrefixed(DdpFixture::readFile(image.path("DDPMS")))
                                      + DdpFixture::readFile(image.path("PQDESCR")));
            const std::string cdText = DdpFixture::readFile(image.path("CDTEXT.BIN"));
            DdpFixture::writeFile(cdTextSeeds + "/" + s.name, cdText);
            if (s.text == DdpFixture::CdTextKind::Japanese) {
                // Cut inside its last size pack, and in the drive's READ TOC form.
                const std::string seed = cdTextSeeds + "/" + s.name;
                DdpFixture::writeFile(seed + "-cut", cdText.substr(0, cdText.size() - 13));
                const std::size_t counted = cdText.size() + 2;
                const std::string header{char(counted >> 8), char(counted & 0xFF), '\0', '\0'};
                DdpFixture::writeFile(seed + "-read-toc", header + cdText);
            }
        }
        std::filesystem::remove_all(scratch);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ddp_seed_writer: %s\n", e.what());
        std::filesystem::remove_all(scratch, noTemp);
        return 1;
    }
    return 0;
}
