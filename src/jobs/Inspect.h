#pragma once
#include <string>
#include <vector>

#include "jobs/TextsInFont.h"
#include "platform/CharTable.h"
#include "run/Reporter.h"

namespace eit {

// The commands that look at files without a run: each takes its settings and
// reports its lines as results.

// list: one line per directory entry of a LIB package, "INDEX OFFSET SIZE NAME".
void ListPackage(Reporter& report, const std::string& packagePath);

// table: the encoding's table as a table file's "XX=c" lines, a starting
// point to edit. The encoding must not be the bytes as they are.
void PrintCharTable(Reporter& report, const TextEncoding& encoding);

// coverage: the characters that .txt files use, and whether a CIF font has
// their glyphs.
// The encoding is the bytes as they are when none is given.
using CoverageSettings = TextsInFont;
// One line per character the texts use: code point, character, byte, count,
// and "missing" when the font has no glyph for the byte, "no byte" when the
// table has no byte for the character. Returns what is wrong and the way out
// (table --fit, draw), empty when every character has a byte and every byte
// a glyph (one with a width: a space has no ink).
std::string ReportCoverage(Reporter& report, const CoverageSettings& settings);

}  // namespace eit
