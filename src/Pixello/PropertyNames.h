#pragma once

#include "ZevkoCore/ZVKApplicationModel.h"

// The names the editor's model reports its changes by, as its delegates receive them in
// modelPropertyChanged(). Scripts name the settings sliders by the strength names too.
namespace PropertyName {

inline constexpr const char* kApplicationName = ZVKApplicationModel::kApplicationNameProperty;
inline constexpr const char* kEffect = "effect";
inline constexpr const char* kVisibleToolbar = "visibleToolbar";
inline constexpr const char* kSmudgePower = "smudgePower";
inline constexpr const char* kSmudgeWidth = "smudgeWidth";
inline constexpr const char* kBumpPower = "bumpPower";
inline constexpr const char* kPinchPower = "pinchPower";
inline constexpr const char* kGrid = "grid";
inline constexpr const char* kCropRect = "cropRect";
inline constexpr const char* kOrientation = "orientation";
inline constexpr const char* kImage = "image";
inline constexpr const char* kHistory = "history";

} // namespace PropertyName
