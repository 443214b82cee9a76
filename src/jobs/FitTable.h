#pragma once
#include <string>

#include "jobs/TextsInFont.h"

namespace eit {

struct FitTableRequest : TextsInFont {
    std::string outputPath;
};

// table --fit: gives every letter of the texts that the font cannot show a
// byte of its own among those whose glyphs a sheet rebuilds and no text
// uses, and writes the given table (the encoding's table file) with a line
// for each such letter to outputPath (an earlier file kept as NAME.~N~).
// Too few free bytes: refused, nothing written. Each letter is reported.
void FitTable(Reporter& report, const FitTableRequest& request);

}  // namespace eit
