#include "formats/TextFit.h"

#include "formats/CifText.h"
#include "formats/glyphs/ByteGlyphs.h"
#include "platform/Utf8.h"

namespace eit {

GlyphWidths::GlyphWidths(const CifFont& font, std::uint32_t firstByte, std::uint32_t spacing) : spacing_(spacing)
{
    for (unsigned b = 0; b < 256; ++b) {
        if (const std::optional<GlyphRecord> glyph = GlyphForByte(font, static_cast<std::uint8_t>(b), firstByte)) {
            widths_[b] = glyph->width;
        }
    }
}

GlyphWidths::Measure GlyphWidths::Of(std::span<const std::uint8_t> bytes) const
{
    Measure m;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::optional<std::uint32_t> width = widths_[bytes[i]];
        if (!width) {
            if (!m.noGlyphAt) m.noGlyphAt = i;
            continue;
        }
        m.sum += *width;
        ++m.count;
    }
    return m;
}

void ForEachTextLine(const LineList& lines, const std::function<void(const TextLine&)>& each,
                     const std::function<void(std::uint32_t entry, std::size_t lines)>& end)
{
    // The entry whose text the lines are in; none between an end marker and
    // the next header. (A plain flag, as GCC 12 at -O3 takes an optional
    // here for one read before it is set.)
    bool inEntry = false;
    std::uint32_t entry = 0;
    std::size_t inText = 0;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        std::string_view line = lines[i];
        if (i == 0 && StartsWithUtf8Bom(line)) line.remove_prefix(kUtf8Bom.size());
        if (!inEntry) {
            if (const std::optional<std::uint32_t> header = EntryOfHeader(line)) {
                inEntry = true;
                entry = *header;
            }
            inText = 0;
            continue;
        }
        if (HasEndMarker(line)) {
            if (end) end(entry, inText);
            inEntry = false;
            continue;
        }
        while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
        each({entry, inText++, i, line});
    }
}

std::vector<std::uint8_t> LineBytes(std::string_view line, const CharTable* table, const std::string& where)
{
    if (!table) return {line.begin(), line.end()};
    std::vector<std::uint8_t> bytes;
    if (const std::optional<CharTable::Fault> fault = table->AppendBytes(bytes, line)) {
        throw ToolError(where + ", column " + std::to_string(fault->column) + ": " + fault->what);
    }
    return bytes;
}

std::vector<std::string> WrapLine(std::string_view line, const GlyphWidths& widths, std::uint64_t maxWidth,
                                  const CharTable* table, const std::string& where,
                                  const std::function<void(std::string_view word, std::uint64_t width)>& tooWide)
{
    auto measure = [&](std::string_view text) { return widths.Of(LineBytes(text, table, where)); };
    auto join = [](GlyphWidths::Measure a, const GlyphWidths::Measure& b) {
        a.sum += b.sum;
        a.count += b.count;
        return a;
    };
    const GlyphWidths::Measure space = measure(" ");
    std::vector<std::string> pieces;
    std::string current;
    GlyphWidths::Measure currentWidth;
    bool started = false;
    for (std::size_t from = 0; from <= line.size();) {
        std::size_t to = line.find(' ', from);
        if (to == std::string_view::npos) to = line.size();
        const std::string_view word = line.substr(from, to - from);
        const GlyphWidths::Measure wordWidth = measure(word);
        if (!word.empty() && widths.Width(wordWidth) > maxWidth) tooWide(word, widths.Width(wordWidth));
        const GlyphWidths::Measure joined = join(join(currentWidth, space), wordWidth);
        if (!started) {
            current = word;
            currentWidth = wordWidth;
            started = true;
        } else if (widths.Width(joined) <= maxWidth || currentWidth.count == 0 || wordWidth.count == 0) {
            current += ' ';
            current += word;
            currentWidth = joined;
        } else {
            pieces.push_back(std::move(current));
            current = word;
            currentWidth = wordWidth;
        }
        from = to + 1;
    }
    pieces.push_back(std::move(current));
    return pieces;
}

}  // namespace eit
