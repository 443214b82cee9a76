#include "formats/glyphs/LetterStyle.h"

#include <algorithm>
#include <array>
#include <map>

namespace eit {

namespace {
constexpr std::array<std::pair<int, int>, 8> kSteps = {{{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}}};

// A shading counts when it lies beside at least this share of the ink.
constexpr std::uint64_t kShadeShareDivisor = 5;

std::uint32_t StrokeOf(const LetterMask& mask)
{
    return StrokeWeight(mask.width, mask.rows,
                        [&](std::int64_t x, std::int64_t y) { return mask.At(x, y) == LetterMask::kStrokePixel; });
}
}  // namespace

std::uint32_t StrokeWeight(std::uint32_t width, std::uint32_t height, const std::function<bool(std::int64_t, std::int64_t)>& isStroke)
{
    // Runs measured once per row and column, then each pixel's shorter one.
    std::vector<std::uint32_t> across(std::size_t{width} * height, 0), down(across.size(), 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width;) {
            std::uint32_t end = x;
            while (end < width && isStroke(end, y)) ++end;
            for (std::uint32_t i = x; i < end; ++i) across[std::size_t{y} * width + i] = end - x;
            x = end == x ? x + 1 : end;
        }
    }
    for (std::uint32_t x = 0; x < width; ++x) {
        for (std::uint32_t y = 0; y < height;) {
            std::uint32_t end = y;
            while (end < height && isStroke(x, end)) ++end;
            for (std::uint32_t i = y; i < end; ++i) down[std::size_t{i} * width + x] = end - y;
            y = end == y ? y + 1 : end;
        }
    }
    std::vector<std::uint32_t> weights;
    for (std::size_t i = 0; i < across.size(); ++i) {
        if (across[i] != 0) weights.push_back(std::min(across[i], down[i]));
    }
    if (weights.empty()) return 1;
    std::nth_element(weights.begin(), weights.begin() + static_cast<std::ptrdiff_t>(weights.size() / 2), weights.end());
    return weights[weights.size() / 2];
}

GlyphStyle MeasureStyle(const std::vector<GlyphPixels>& glyphs, std::uint8_t ink)
{
    GlyphStyle style;
    std::vector<std::uint32_t> strokes;
    std::map<std::tuple<std::uint8_t, int, int>, std::uint64_t> beside;  // (entry, step) -> pixels
    std::uint64_t inkPixels = 0;
    for (const GlyphPixels& g : glyphs) {
        const auto isInk = [&](std::int64_t x, std::int64_t y) { return g.At(x, y) == ink; };
        bool any = false;
        for (std::uint32_t y = 0; y < g.height; ++y) {
            for (std::uint32_t x = 0; x < g.width; ++x) {
                const std::uint8_t index = g.At(x, y);
                inkPixels += index == ink;
                any |= index == ink;
                if (index == 0 || index == ink) continue;
                for (const auto& [dx, dy] : kSteps) {
                    if (isInk(x - dx, y - dy) && !isInk(x + dx, y + dy)) ++beside[{index, dx, dy}];
                }
            }
        }
        if (any) strokes.push_back(StrokeWeight(g.width, g.height, isInk));
    }
    if (!strokes.empty()) {
        std::nth_element(strokes.begin(), strokes.begin() + static_cast<std::ptrdiff_t>(strokes.size() / 2), strokes.end());
        style.stroke = strokes[strokes.size() / 2];
    }
    std::uint64_t best = 0;
    for (const auto& [key, count] : beside) {
        if (count <= best) continue;
        best = count;
        style.shade = std::get<0>(key);
        style.dx = std::get<1>(key);
        style.dy = std::get<2>(key);
    }
    if (best * kShadeShareDivisor < inkPixels) style.shade.reset();
    return style;
}

LetterMask Styled(const LetterMask& letter, const GlyphStyle& style)
{
    const std::uint32_t own = StrokeOf(letter);
    const std::uint32_t grow = style.stroke > own ? style.stroke - own : 0;
    const bool shaded = style.shade.has_value();
    const std::uint32_t left = shaded && style.dx < 0 ? 1 : 0, up = shaded && style.dy < 0 ? 1 : 0;
    LetterMask out;
    out.width = letter.width + grow + (shaded && style.dx != 0 ? 1 : 0);
    out.rows = letter.rows + grow + (shaded && style.dy != 0 ? 1 : 0);
    out.top = letter.top + up + grow;
    out.pixels.assign(std::size_t{out.width} * out.rows, 0);
    auto set = [&](std::int64_t x, std::int64_t y, std::uint8_t role) {
        out.pixels[static_cast<std::size_t>(y) * out.width + static_cast<std::size_t>(x)] = role;
    };
    for (std::uint32_t y = 0; y < letter.rows; ++y) {
        for (std::uint32_t x = 0; x < letter.width; ++x) {
            if (letter.At(x, y) != LetterMask::kStrokePixel) continue;
            for (std::uint32_t gy = 0; gy <= grow; ++gy) {
                for (std::uint32_t gx = 0; gx <= grow; ++gx) set(left + x + gx, up + grow + y - gy, LetterMask::kStrokePixel);
            }
        }
    }
    if (!shaded) return out;
    const LetterMask thick = out;
    for (std::uint32_t y = 0; y < out.rows; ++y) {
        for (std::uint32_t x = 0; x < out.width; ++x) {
            if (thick.At(x, y) == 0 && thick.At(std::int64_t{x} - style.dx, std::int64_t{y} - style.dy) == LetterMask::kStrokePixel) {
                set(x, y, LetterMask::kShadePixel);
            }
        }
    }
    return out;
}

}  // namespace eit
