#include "tools/scenes/PhotoPlane.h"

#include <algorithm>
#include <cmath>

#include "tools/scenes/SceneColour.h"
#include "tools/scenes/SceneRandom.h"

namespace mirrodex::scenes {
namespace {

// Smoothly interpolated random values on a square lattice of `cell` pixels.
class NoiseGrid {
 public:
  NoiseGrid(int width, int height, float cell, SceneRandom& rng)
      : scale_(1.0f / cell),
        columns_(static_cast<int>(width * scale_) + 3),
        values_(static_cast<size_t>(columns_) * (static_cast<int>(height * scale_) + 3)) {
    for (float& v : values_) v = static_cast<float>(rng.Below(1 << 16)) / 65535.0f;
  }

  float At(float x, float y) const {
    const float fx = x * scale_, fy = y * scale_;
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const float tx = Smooth(fx - ix), ty = Smooth(fy - iy);
    const float* row = values_.data() + static_cast<size_t>(iy) * columns_ + ix;
    const float top = row[0] + (row[1] - row[0]) * tx;
    const float bottom = row[columns_] + (row[columns_ + 1] - row[columns_]) * tx;
    return top + (bottom - top) * ty;
  }

 private:
  static float Smooth(float t) { return t * t * (3.0f - 2.0f * t); }

  float scale_;
  int columns_;
  std::vector<float> values_;
};

// Four octaves of value noise, 0..1.
class FractalNoise {
 public:
  FractalNoise(int width, int height, float cell, SceneRandom& rng) {
    for (int k = 0; k < kOctaves; ++k) octaves_.emplace_back(width, height, std::max(cell / float(1 << k), 2.0f), rng);
  }
  float At(float x, float y) const {
    float sum = 0, amplitude = 0.5f;
    for (const NoiseGrid& g : octaves_) {
      sum += g.At(x, y) * amplitude;
      amplitude *= 0.5f;
    }
    return sum / (1.0f - std::ldexp(1.0f, -kOctaves));
  }

 private:
  static constexpr int kOctaves = 4;
  std::vector<NoiseGrid> octaves_;
};

struct Colour {
  float r, g, b;
};

Colour Mix(Colour a, Colour b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f)); }

// A 4 x 4 ordered dither, as a device's picture viewer applies when it shows a photo in
// 16 bits: offsets of -0.5..+0.5 of a quantisation step.
constexpr float kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
float DitherOffset(int x, int y) { return (kBayer[y & 3][x & 3] + 0.5f) / 16.0f - 0.5f; }

// Quantisation steps of red, green and blue in a format.
Colour Steps(uint16_t format) {
  return format == 7 ? Colour{16, 16, 16} : format == 5 ? Colour{8, 8, 8} : Colour{8, 4, 8};
}

}  // namespace

std::vector<uint16_t> PaintPhotoPlane(int width, int height, uint16_t format, uint64_t seed) {
  SceneRandom rng(seed ^ 0xD1B54A32D192ED03ull);
  const float size = static_cast<float>(std::max(width, height));
  const NoiseGrid horizonNoise(width, height, size / 5, rng);
  const NoiseGrid soilNoise(width, height, size / 8, rng);
  const NoiseGrid bloomNoise(width, height, size / 14, rng);
  const NoiseGrid bloomHue(width, height, size / 30, rng);
  const FractalNoise clouds(width, 2 * height, size / 6, rng);  // sampled at 1.6 y
  const FractalNoise texture(width, height, size / 20, rng);
  const NoiseGrid detail(width, height, 3.0f, rng);  // leaves, stones, film grain
  const float sunX = width * (0.2f + 0.6f * rng.Below(1000) / 1000.0f);
  const float sunY = height * (0.12f + 0.15f * rng.Below(1000) / 1000.0f);
  const float sunRadius = size * 0.12f;

  const Colour skyTop{40, 90, 170}, skyLow{190, 215, 235}, cloud{245, 245, 248};
  const Colour grass{70, 110, 50}, soil{150, 125, 80}, glow{255, 220, 160};
  const Colour gold{215, 175, 60}, berry{160, 50, 70};
  const Colour step = Steps(format);
  std::vector<uint16_t> plane(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const float fy = static_cast<float>(y);
    for (int x = 0; x < width; ++x) {
      const float fx = static_cast<float>(x);
      const float horizon = height * (0.5f + 0.25f * (horizonNoise.At(fx, 0) - 0.5f));
      Colour c;
      if (fy < horizon) {
        const float cover = std::clamp((clouds.At(fx, fy * 1.6f) - 0.45f) * 2.5f, 0.0f, 1.0f);
        c = Mix(Mix(skyTop, skyLow, fy / horizon), cloud, cover * 0.9f);
      } else {
        const float depth = (fy - horizon) / std::max(height - horizon, 1.0f);
        const float light = (0.7f + 0.6f * (texture.At(fx, fy) - 0.5f)) * (0.75f + 0.25f * depth) *
                            (0.85f + 0.3f * detail.At(fx, fy));
        // Patches of flowers over grass and bare soil.
        const float bloom = std::clamp((bloomNoise.At(fx, fy) - 0.5f) * 3.0f, 0.0f, 1.0f);
        const Colour ground = Mix(Mix(grass, soil, soilNoise.At(fx, fy)),
                                  Mix(gold, berry, bloomHue.At(fx, fy)), bloom);
        c = {ground.r * light, ground.g * light, ground.b * light};
      }
      const float dx = fx - sunX, dy = fy - sunY;
      c = Mix(c, glow, 0.6f * std::exp(-(dx * dx + dy * dy) / (sunRadius * sunRadius)));
      const float d = DitherOffset(x, y);
      plane[static_cast<size_t>(y) * width + x] =
          PackRgb(format, {ToByte(c.r + d * step.r), ToByte(c.g + d * step.g), ToByte(c.b + d * step.b)});
    }
  }
  return plane;
}

}  // namespace mirrodex::scenes
