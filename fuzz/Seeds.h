#pragma once
// Sound files made by the test generators: the seeds of the fuzz corpora and
// the files a fuzzed replay log works on.
#include <vector>

#include "Sandbox.h"
#include "support/CifBuilder.h"
#include "support/FontBuilder.h"
#include "support/LibBuilder.h"

namespace eit::fuzz {

std::vector<Bytes> LibSeeds();
// Text lists of the CIF seeds; CifSeed(i) is the file of list i.
std::vector<std::vector<Bytes>> CifTexts();
Bytes CifSeed(const std::vector<Bytes>& texts, bool leadBytes);
std::vector<Bytes> FontSeeds();
// A font of 224 small glyphs, whose sheet has the 64 cells a rebuild needs.
Bytes FullFont();
// The sheet ConvertFontToBitmap draws of `font`, made in `box`.
Bytes DrawSheet(Sandbox& box, const Bytes& font);

// The files a fuzzed replay log may name, and a log that replays them all.
struct ReplayFile {
    std::string name;
    Bytes bytes;
};
std::vector<ReplayFile> ReplayFiles(Sandbox& box);
Bytes ReplayAllLog();

}  // namespace eit::fuzz
