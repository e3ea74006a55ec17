// Pictures by path with their pixel size; any other path is missing.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/picture.h"

namespace lumova::fakes {

class SizedPicture : public Picture {
 public:
  SizedPicture(int w, int h) : w_(w), h_(h) {}
  int width() const override { return w_; }
  int height() const override { return h_; }

 private:
  int w_, h_;
};

class FakePictures : public PictureLoader {
 public:
  std::map<std::string, std::pair<int, int>> sizes;
  std::vector<std::string> loaded;  // every path asked for, in order
  PictureLoad load(const std::string& path) override {
    loaded.push_back(path);
    auto it = sizes.find(path);
    if (it == sizes.end()) return {nullptr, PictureError::NotFound};
    return {std::make_shared<SizedPicture>(it->second.first, it->second.second), PictureError::None};
  }
};

}  // namespace lumova::fakes
