#pragma once

#include "models/model_asset.h"

namespace tavrin::forge {

MeshAsset MakeTrophy();  // "Pokal3.x": a golden cup on a plinth standing on y = -0.9

}  // namespace tavrin::forge
