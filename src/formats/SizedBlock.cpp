#include "formats/SizedBlock.h"

namespace eit {

std::vector<std::uint8_t> ReadSizedBlock(File& file, std::uint64_t fileSize, std::string_view blockName,
                                         std::string_view sizeWord, const DamagedFile& damaged)
{
    const std::string block(blockName);
    const std::uint64_t at = file.Position();
    if (at > fileSize || fileSize - at < 4) {
        throw damaged("the file (" + std::to_string(fileSize) + " bytes) ends before the " + std::string(sizeWord) + " of its " + block);
    }
    const std::uint64_t length = file.ReadU32();
    if (length > fileSize - at - 4) {
        throw damaged("its " + block + " of " + std::to_string(length) + " bytes reaches past the end of the file (" +
                      std::to_string(fileSize) + " bytes)");
    }
    return file.ReadBytes(static_cast<std::size_t>(length));
}

}  // namespace eit
