#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/RunContext.h"

namespace eit {

// The files translation teams work in, made from and read back into the texts
// of operation logs' CIF groups: PO templates, PO files and CSV.
enum class TranslationFormat { Pot, Po, Csv };
// The format a file's extension names (".pot", ".po", ".csv", in any case);
// nothing for any other.
std::optional<TranslationFormat> TranslationFormatOf(std::string_view path);

struct TranslationSettings {
    std::vector<std::string> logs;
    std::string file;          // what export writes, or import reads
    std::string templateFile;  // the game's texts from an earlier .pot; empty: from the CIF files
    TextEncoding encoding;     // of the .txt files and of the game's bytes
    bool check = false;        // import: check everything, write nothing
};

// Writes every text of the logs' CIF groups as one message: a .pot with empty
// translations, a .po or .csv with the .txt's text where it differs from the
// game's. The file's format comes from its extension.
void ExportTranslation(RunContext& ctx, const TranslationSettings& settings);

// Writes the translated messages of a .po or .csv into their entries of the
// .txt files, ready for the replay. Everything is checked before the first
// write: unknown or repeated contexts, sources that are not the game's text
// any more, characters with no byte. Untranslated and fuzzy messages leave
// their entries as they stand; the results count them.
void ImportTranslation(RunContext& ctx, const TranslationSettings& settings);

}  // namespace eit
