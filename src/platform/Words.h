#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace eit {

// A count with the word that goes with it: "1 item", "2 items".
inline std::string Counted(std::uint64_t n, std::string_view one, std::string_view many)
{
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

}  // namespace eit
