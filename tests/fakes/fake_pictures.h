// Pictures by path with their pixel size; any other path is missing.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/picture.h"
#include "picture/surround.h"

namespace lumova::fakes {

class SizedPicture : public Picture {
 public:
  SizedPicture(int w, int h) : w_(w), h_(h) {}
  int width() const override { return w_; }
  int height() const override { return h_; }

 private:
  int w_, h_;
};

// A picture that knows which file it came from.
class NamedPicture : public SizedPicture {
 public:
  NamedPicture(int w, int h, std::string from) : SizedPicture(w, h), path(std::move(from)) {}
  std::string path;
};

// The size of a loaded picture is its natural size, or the fitted one when
// the request asks for a fit; a surround comes as the loader's does.
class FakePictures : public PictureLoader {
 public:
  using PictureLoader::load;
  std::map<std::string, std::pair<int, int>> sizes;
  std::vector<std::string> loaded;       // every path asked for, in order
  std::vector<PictureRequest> requests;  // and every request
  PictureLoad load(const PictureRequest& request) override {
    loaded.push_back(request.path);
    requests.push_back(request);
    auto it = sizes.find(request.path);
    if (it == sizes.end()) return {nullptr, PictureError::NotFound};
    const PictureSize shown = requestedSize({it->second.first, it->second.second}, request);
    PicturePtr surround;
    const PictureSize around = request.surround;
    if (around.width > 0 && around.height > 0 && (request.cover || surroundShows(shown, around)))
      surround = std::make_shared<SizedPicture>(surroundSize(around).width, surroundSize(around).height);
    return {std::make_shared<NamedPicture>(shown.width, shown.height, request.path), PictureError::None, surround};
  }
};

}  // namespace lumova::fakes
