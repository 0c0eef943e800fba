#pragma once

#include "models/model_asset.h"

namespace tavrin::forge {

MeshAsset MakeFootball();  // "Fussball.x": a stitched ball of radius 0.2 at the origin

}  // namespace tavrin::forge
