#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Error.h"
#include "platform/LineList.h"
#include "run/GroupCheck.h"
#include "run/RunContext.h"

namespace eit {

class CharTable;

// CIF text file layout, little-endian; T = tableLength, L = textLength:
//   0       16 bytes  header, never interpreted
//   16      u32       tableLength
//   20      T bytes   offsetTable, scrambled; entry i is the u32 at byte 4*i,
//                     the offset of record i in the descrambled textBlock
//   20+T    6 bytes   filler, skipped on reading
//   26+T    u32       textLength
//   30+T    L bytes   textBlock, scrambled
//   30+T+L  ...       not read; insertion drops it
// Record: in a ".cif" file one lead byte, then the text, then a zero byte;
// in any other file the text and the zero byte.
inline constexpr std::uint64_t kCifTableLengthAt = 16;
inline constexpr std::uint64_t kCifTableAt = 20;
inline constexpr std::uint64_t kCifFillerSize = 6;
inline constexpr std::uint8_t kCifFiller[kCifFillerSize] = {0x01, 0x00, 0x0A, 0x00, 0x00, 0x00};
inline constexpr std::uint64_t kCifEntrySize = 4;

// The key schedule of the scrambling: 8-bit values that wrap.
inline constexpr std::uint8_t CifKeyStart = 0x9B;
inline constexpr std::uint8_t CifKeyStep = 0x5E;
inline constexpr std::uint8_t CifKeyStepDelta = 0x1D;

// The two blocks of a CIF text file, descrambled.
struct CifTextFile {
    std::vector<std::uint8_t> offsetTable;
    std::vector<std::uint8_t> textBlock;
    bool leadBytes = false;

    std::size_t EntryCount() const { return offsetTable.size() / kCifEntrySize; }
    std::uint32_t Offset(std::size_t entry) const;
    void SetOffset(std::size_t entry, std::uint32_t offset);
    // The text of an entry's record, without lead byte and terminating zero.
    std::string_view Text(std::size_t entry) const;
};

// Scrambling of one block in place; each block starts the key afresh.
void DexorBlock(std::span<std::uint8_t> bytes);
void RexorBlock(std::span<std::uint8_t> bytes);

// Whether records of this file carry a lead byte: its extension is ".cif",
// compared without regard to case.
bool HasCifLeadBytes(std::string_view path);

// Reads both blocks of the file open as `file` and descrambles them, reporting
// "Dexoring contents...". Every length, offset and record is checked against
// what is really there; a damaged file is refused with an error naming the
// file and the entry, before anything is allocated beyond the file's size.
CifTextFile LoadCifTextFile(RunContext& ctx, File& file, bool leadBytes);

// The .txt layout: "[0000001A]" for entry 26, and the line ending a text.
std::string CifEntryHeader(std::size_t entry);
inline constexpr std::string_view kCifEndMarker = "[########]";
// The entry a header line names, in either letter case; nothing for any other line.
std::optional<std::uint32_t> EntryOfHeader(std::string_view line);
bool HasEndMarker(std::string_view line);

// The lines of a .txt as insertion reads them: spaces at the end of every
// line cut, a UTF-8 byte order mark taken off the first. True when it had one.
bool LoadTxtLines(LineList& lines, const std::string& txtPath);
// The refusal of a .txt saved as UTF-8 where no encoding is given.
ToolError SavedAsUtf8(const std::string& txtPath);

// Appends one entry of a .txt as extraction writes it: header line, text,
// end marker and an empty line, each ended by CR LF; the text's bytes as they
// are, or UTF-8 through the table when there is one.
void AppendTxtEntry(std::string& out, std::size_t entry, std::string_view text, const CharTable* table);

// The index of each entry's first header line in a .txt's lines, or
// kNoTxtLine: one pass over the lines, so finding every entry's text stays
// linear in the size of the .txt.
inline constexpr std::size_t kNoTxtLine = static_cast<std::size_t>(-1);
std::vector<std::size_t> IndexHeaderLines(const LineList& lines, std::size_t count);

// Builds the error of a .txt line that cannot be taken, from what is wrong.
using TxtFault = std::function<ToolError(const std::string& why)>;
// Appends the text of `entry` as insertion reads it: the lines from `k` up to
// the next line holding the end marker, joined by single LF bytes, each
// through the table when there is one. A .txt that ends first is refused with
// the list's error naming the .txt and the entry, a line the table cannot take
// through `fault`, naming the entry and the place.
void AppendEntryText(std::vector<std::uint8_t>& block, const LineList& lines, std::size_t k, const std::string& txtPath,
                     std::size_t entry, const CharTable* table, const TxtFault& fault);

inline constexpr std::string_view kTxtExtension = ".txt";
// Writes the texts of a CIF text file to TargetDir as NAME.txt: the bytes as
// they are, or with the run's encoding UTF-8 after a byte order mark.
void ExtractCifText(RunContext& ctx, const std::string& path);
// Rebuilds the text block of the CIF file open as SourceStream from the .txt
// named by the "#Target:" line at `first`; returns first + 1.
std::size_t InsertCifText(RunContext& ctx, const std::string& path, std::size_t first);
// InsertCifText's reading and building without the write.
std::size_t CheckCifText(RunContext& ctx, const std::string& path, std::size_t first, GroupCheck& check);

}  // namespace eit
