// The scenes the generator draws, their command-line names and their motion.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace mirrodex::scenes {

enum class SceneKind : uint8_t {
  kStatic,    // "ui-static": an application screen that never changes
  kClock,     // "ui-clock": the same screen with a blinking caret and a ticking clock
  kScroll8,   // "scroll-8": a document scrolling up 8 rows per frame, whole screen
  kScroll3,   // "scroll-3": the same by 3 rows per frame
  kBox,       // "ui-box": a 64 x 64 box moving over the static screen
  kPhoto,     // "photo": a photo-like picture that pans, with fresh grain every frame
};

std::span<const SceneKind> AllSceneKinds();
std::string_view SceneKindName(SceneKind kind);
std::optional<SceneKind> ParseSceneKind(std::string_view name);

// Rows the picture moves up per frame (0 for scenes that do not scroll).
constexpr uint32_t ScrollStep(SceneKind kind) {
  return kind == SceneKind::kScroll8 ? 8 : kind == SceneKind::kScroll3 ? 3 : 0;
}

}  // namespace mirrodex::scenes
