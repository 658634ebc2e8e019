#include "tools/scenes/SceneKind.h"

#include <array>

namespace mirrodex::scenes {
namespace {

struct NamedKind {
  SceneKind kind;
  std::string_view name;
};

constexpr std::array<NamedKind, 6> kNames = {{
    {SceneKind::kStatic, "ui-static"},
    {SceneKind::kClock, "ui-clock"},
    {SceneKind::kScroll8, "scroll-8"},
    {SceneKind::kScroll3, "scroll-3"},
    {SceneKind::kBox, "ui-box"},
    {SceneKind::kPhoto, "photo"},
}};

constexpr std::array<SceneKind, kNames.size()> kKinds = [] {
  std::array<SceneKind, kNames.size()> kinds{};
  for (size_t i = 0; i < kNames.size(); ++i) kinds[i] = kNames[i].kind;
  return kinds;
}();

}  // namespace

std::span<const SceneKind> AllSceneKinds() { return kKinds; }

std::string_view SceneKindName(SceneKind kind) {
  for (const NamedKind& n : kNames) {
    if (n.kind == kind) return n.name;
  }
  return "unknown";
}

std::optional<SceneKind> ParseSceneKind(std::string_view name) {
  for (const NamedKind& n : kNames) {
    if (n.name == name) return n.kind;
  }
  return std::nullopt;
}

}  // namespace mirrodex::scenes
