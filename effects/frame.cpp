#include "effects/frame.h"

#include <algorithm>

namespace lumova::effects {

Rect intersection(const Rect& a, const Rect& b) {
  const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  return r.empty() ? Rect{} : r;
}

bool contains(const Rect& outer, const Rect& inner) {
  return !inner.empty() && inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

void appendDifference(const Rect& from, const Rect& cut, std::vector<Rect>& out) {
  const Rect inner = intersection(from, cut);
  if (inner.empty()) {
    if (!from.empty()) out.push_back(from);
    return;
  }
  for (const Rect& r :
       {Rect{from.left, from.top, from.right, inner.top}, Rect{from.left, inner.bottom, from.right, from.bottom},
        Rect{from.left, inner.top, inner.left, inner.bottom}, Rect{inner.right, inner.top, from.right, inner.bottom}})
    if (!r.empty()) out.push_back(r);
}

PictureHandle handOver(Renderer& renderer, PicturePtr picture) {
  if (!picture) return nullptr;
  const PictureId id = renderer.addPicture(std::move(picture));
  return PictureHandle(new PictureId(id), [&renderer](const PictureId* held) {
    if (*held != kNoPicture) renderer.releasePicture(*held);
    delete held;
  });
}

Rect boundsOf(const Layer& layer) {
  return std::visit([](const auto& l) { return intersection(l.rect, l.keepIn); }, layer);
}

std::vector<Rect> shownParts(const PictureLayer& layer, const Rect& area) {
  const Rect shown = intersection(intersection(layer.rect, layer.keepIn), area);
  std::vector<Rect> parts;
  if (shown.empty()) return parts;
  if (layer.clip.empty()) {
    parts.push_back(shown);
  } else {
    for (const Rect& c : layer.clip)
      if (const Rect r = intersection(c, shown); !r.empty()) parts.push_back(r);
  }
  return parts;
}

}  // namespace lumova::effects
