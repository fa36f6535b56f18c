#include "acquire/TileMosaic.h"

#include "acquire/PictureCheck.h"
#include "imaging/JoinImages.h"
#include "net/HttpRequest.h"

namespace vexmora {

Bytes FetchTileMosaic(const std::vector<Text>& tileUrls) {
    if (tileUrls.size() != 4) {
        return {};
    }
    std::vector<Bytes> tiles;
    for (const Text& url : tileUrls) {
        tiles.push_back(HttpRequest(url));
    }
    for (Bytes& tile : tiles) {
        std::optional<Bytes> decoded = DecodeToBmp(tile);
        if (!decoded) {
            return {};
        }
        tile = std::move(*decoded);
    }
    Bytes top = JoinImages(tiles[0], tiles[1], false);
    Bytes bottom = JoinImages(tiles[2], tiles[3], false);
    return JoinImages(top, bottom, true);
}

} // namespace vexmora
