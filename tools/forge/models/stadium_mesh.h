#pragma once

#include "models/model_asset.h"

namespace tavrin::forge {

MeshAsset MakeStadium();  // "Stadion.x": pitch at y = 0, stands, floodlights, roof

}  // namespace tavrin::forge
